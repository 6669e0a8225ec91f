// Serial patterns and the in-memory watch list: what a pattern may be for a
// currency, and which entry a reading matches.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "records/csv.h"
#include "records/watchlist.h"
#include "records/watchpattern.h"

namespace records {
namespace {

struct PatternCase {
  const char* text;
  const char* currency;
  const char* normal;  // the normal form, or null when refused
  const char* error;   // the refusal
};

TEST(SerialPattern, TakesWhatCanMatchTheCurrencyAndRefusesTheRest) {
  const PatternCase cases[] = {
      {"ab12345678c", "USD", "AB12345678C", nullptr},
      // A dollar star note's serial ends in "*": exact, not a prefix.
      {"MK60834863*", "USD", "MK60834863*", nullptr},
      {"MK6083*", "USD", "MK6083*", nullptr},
      {"AB12340000-AB12349999", "USD", "AB12340000-AB12349999", nullptr},
      {"M34892405068", "EUR", "M34892405068", nullptr},
      {"SD8005927907", "EUR", "SD8005927907", nullptr},  // the Europa series
      {"SD80*", "EUR", "SD80*", nullptr},
      {"L123456780-L123456789", "LBP", "L123456780-L123456789", nullptr},
      {"AB12*", "", "AB12*", nullptr},
      {"", "USD", nullptr, "an empty serial pattern"},
      // The euro check value of this one is not 8: no valid reading has it.
      {"M34892405069", "EUR", nullptr,
       "'M34892405069' is none of EUR serials, a range of them (LOW-HIGH) or a prefix (PREFIX*)"},
      {"AB12345678C", "EUR", nullptr,
       "'AB12345678C' is none of EUR serials, a range of them (LOW-HIGH) or a prefix (PREFIX*)"},
      {"*", "USD", nullptr, "'*': a prefix needs the characters the serials start with"},
      {"1234*", "USD", nullptr, "'1234*' cannot match USD serials: none starts with '1234'"},
      {"AB12*", "LBP", nullptr, "'AB12*' cannot match LBP serials: none starts with 'AB12'"},
      {"AB1-AB12", "USD", nullptr,
       "'AB1-AB12': the two ends of a range must be serials of one length"},
      {"AB19-AB10", "USD", nullptr, "'AB19-AB10': the low end of the range is above the high end"},
      {"AB12345678A-AB12345678B", "USD", nullptr,
       "'AB12345678A-AB12345678B': the ends of a range may differ only in one run of digits"},
      {"AB12340000A-AB12349999B", "USD", nullptr,
       "'AB12340000A-AB12349999B': the ends of a range may differ only in one run of digits"},
      {"AB10-AC10", "USD", nullptr,
       "'AB10-AC10': the ends of a range may differ only in one run of digits"},
      {"1234-1239", "USD", nullptr, "'1234-1239' cannot match USD serials"},
  };
  for (const PatternCase& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.normal != nullptr) {
      EXPECT_EQ(ParseSerialPattern(c.text, c.currency).Text(), c.normal);
    } else {
      try {
        ParseSerialPattern(c.text, c.currency);
        ADD_FAILURE() << "taken";
      } catch (const EPatternError& e) {
        EXPECT_STREQ(e.what(), c.error);
      }
    }
  }
}

TEST(WatchEntry, NeedsAKnownCurrencyAndAOneLineReason) {
  const TWatchEntry e = MakeWatchEntry("usd", "mk6083*", "  stolen from van 7 ");
  EXPECT_EQ(e, (TWatchEntry{"USD", "MK6083*", "stolen from van 7"}));
  const std::pair<std::array<const char*, 3>, const char*> refused[] = {
      {{"AUTO", "MK6083*", "x"}, "'AUTO' is not one of USD, EUR, LBP"},
      {{"USD", "MK6083*", " "}, "an entry needs a reason"},
      {{"USD", "MK6083*", "one\ttwo"},
       "a reason may not hold tabs, line breaks or other control characters"},
      {{"USD", "MK6083*", "caf\xE9"}, "a reason must be UTF-8 text"},
  };
  for (const auto& [fields, message] : refused) {
    try {
      MakeWatchEntry(fields[0], fields[1], fields[2]);
      ADD_FAILURE() << message;
    } catch (const EPatternError& error) {
      EXPECT_STREQ(error.what(), message);
    }
  }
}

TEST(WatchList, MatchesValidReadingsToTheMostSpecificEntry) {
  const TWatchList list({
      {"USD", "AB12340000-AB12349999", "range"},
      {"USD", "AB12345678C", "exact"},
      {"USD", "MK6083*", "prefix"},
      {"USD", "MK60834*", "longer prefix"},
      {"USD", "M3489*", "dollar prefix"},
      {"EUR", "M34892405068", "euro"},
  });
  struct Row {
    const char* currency;
    const char* serial;
    const char* reason;  // null: no match
  };
  const Row rows[] = {
      {"USD", "AB12340000A", "range"},  // the low edge, any last letter
      {"USD", "AB12349999Z", "range"},  // the high edge
      {"USD", "AB12339999A", nullptr},  // just below
      {"USD", "AB12350000A", nullptr},  // just above
      {"USD", "AB12345678C", "exact"},  // inside the range too: exact wins
      {"USD", "MK60834863*", "longer prefix"},
      {"USD", "MK60830000A", "prefix"},
      {"USD", "M34892405A", "dollar prefix"},
      {"EUR", "M34892405068", "euro"},
      {"LBP", "M348924050", nullptr},  // a dollar prefix, another currency
      // Readings that are not valid serials match nothing.
      {"USD", "MK6083~863*", nullptr},
      {"USD", "AB1234~678C", nullptr},
      {"USD", "MK60834863", nullptr},
      {"EUR", "M34892405069", nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.currency) + " " + r.serial);
    const TWatchEntry* e = list.Match(r.currency, r.serial);
    if (r.reason == nullptr) {
      EXPECT_EQ(e, nullptr);
    } else {
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->Reason, r.reason);
    }
  }
}

// 0 an exact serial, 1 a range, 2 a prefix: the lower wins. A range whose
// ends are equal holds what a prefix holds.
int Specificity(const TSerialPattern& p) {
  if (p.Kind() == pkSerial) return 0;
  return p.Kind() == pkRange && p.RunStart() != p.RunEnd() ? 1 : 2;
}

// The index finds what trying every entry's pattern finds, on lists dense
// enough for ranges to overlap and nest.
TEST(WatchList, FindsWhatTryingEveryPatternFinds) {
  std::mt19937 random(31);
  const auto digits = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + random() % 3);
    return s;
  };
  const auto serial = [&] { return "AB" + digits(8) + static_cast<char>('A' + random() % 2); };
  std::vector<TWatchEntry> entries;
  for (int i = 0; i < 300; ++i) {
    std::string pattern;
    const unsigned kind = random() % 10;
    if (kind == 0) {
      pattern = serial();
    } else if (kind == 1) {
      pattern = "AB" + digits(4 + static_cast<int>(random() % 3)) + "*";
    } else {
      // Ends of 6 to 11 characters (some cut the digits, some keep the
      // letter) that differ in their last one to three digits: narrow
      // ranges, many of them inside others, few serials in several buckets.
      const std::size_t length = 6 + random() % 6, end = std::min<std::size_t>(length, 10);
      std::string low = serial().substr(0, length), high = low;
      for (std::size_t k = end - 1 - random() % 3; k < end; ++k) high[k] = digits(1)[0];
      if (low > high) std::swap(low, high);
      try {
        pattern = ParseSerialPattern(low + "-" + high, "USD").Text();
      } catch (const EPatternError&) {
        continue;
      }
    }
    entries.push_back({"USD", pattern, std::to_string(i)});
  }
  std::vector<TSerialPattern> patterns;
  for (const TWatchEntry& e : entries) patterns.push_back(ParseSerialPattern(e.Pattern, "USD"));
  const TWatchList list(entries);
  int matched = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string s = serial();
    int best = 3;  // the most specific kind that matches; 3: none
    for (const TSerialPattern& p : patterns) {
      if (p.Matches(s)) best = std::min(best, Specificity(p));
    }
    const bool any = best < 3;
    const TWatchEntry* found = list.Match("USD", s);
    ASSERT_EQ(found != nullptr, any) << s;
    if (found == nullptr) continue;
    ++matched;
    const TSerialPattern p = ParseSerialPattern(found->Pattern, "USD");
    EXPECT_TRUE(p.Matches(s)) << s << " " << found->Pattern;
    EXPECT_EQ(Specificity(p), best) << s << " " << found->Pattern;
  }
  EXPECT_GT(matched, 300);  // the lists are dense enough to test something
}

}  // namespace
}  // namespace records

#include "records/watchlist.h"

#include <algorithm>

#include "records/csv.h"
#include "serial/serialvalidation.h"

namespace records {
namespace {

// Keys start with the three-letter currency code, so that no two
// currencies' keys meet.
std::string Key(std::string_view currency, std::string_view text) {
  std::string key(currency);
  key += text;
  return key;
}

// A range bucket's key: currency, the run's length as one character, and
// the characters before the run.
std::string RangeKey(std::string_view currency, std::size_t runLength, std::string_view before) {
  std::string key(currency);
  key += static_cast<char>('A' + runLength);
  key += before;
  return key;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

TWatchEntry MakeWatchEntry(std::string_view currency, std::string_view pattern,
                           std::string_view reason) {
  const std::string code = WatchCurrencyCode(currency);
  const std::size_t first = reason.find_first_not_of(" \t");
  const std::size_t last = reason.find_last_not_of(" \t");
  const std::string_view trimmed =
      first == std::string_view::npos ? std::string_view() : reason.substr(first, last - first + 1);
  if (trimmed.empty()) throw EPatternError("an entry needs a reason");
  if (!IsUtf8(trimmed)) throw EPatternError("a reason must be UTF-8 text");
  // The reason ends the line of every note that matches: one line, no tabs.
  if (std::any_of(trimmed.begin(), trimmed.end(),
                  [](unsigned char c) { return c < 0x20 || c == 0x7f; }))
    throw EPatternError("a reason may not hold tabs, line breaks or other control characters");
  return {code, ParseSerialPattern(pattern, code).Text(), std::string(trimmed)};
}

TWatchList::TWatchList(std::vector<TWatchEntry> entries) : entries_(std::move(entries)) {
  for (uint32_t i = 0; i < entries_.size(); ++i) {
    const TWatchEntry& e = entries_[i];
    TSerialPattern p = ParseSerialPattern(e.Pattern, e.Currency);
    if (p.Kind() == pkSerial) {
      serials_.emplace(Key(e.Currency, p.Low()), i);
    } else if (p.Kind() == pkPrefix || p.RunStart() == p.RunEnd()) {
      // A range whose ends are equal holds every serial that starts with them.
      prefixes_.emplace(Key(e.Currency, p.Low()), i);
    } else {
      const std::size_t run = p.RunEnd() - p.RunStart();
      std::vector<TRangeItem>& bucket = rangeBuckets_[RangeKey(
          e.Currency, run, std::string_view(p.Low()).substr(0, p.RunStart()))];
      bucket.push_back({p.Low().substr(p.RunStart(), run),
                        p.High().substr(p.RunStart(), run),
                        static_cast<uint32_t>(ranges_.size()),
                        {}});
      ranges_.push_back({std::move(p), i});
    }
  }
  for (auto& [key, bucket] : rangeBuckets_) {
    std::sort(bucket.begin(), bucket.end(),
              [](const TRangeItem& a, const TRangeItem& b) { return a.LowRun < b.LowRun; });
    std::string highest;
    for (TRangeItem& item : bucket) {
      highest = std::max(highest, item.HighRun);
      item.MaxHighRun = highest;
    }
  }
}

const TWatchEntry* TWatchList::Match(std::string_view currency, std::string_view serial) const {
  // A reading that is no valid serial neither raises a match nor clears the
  // note: it is not compared at all.
  if (!IsValidSerial(currency, serial)) return nullptr;
  if (const auto it = serials_.find(Key(currency, serial)); it != serials_.end())
    return &entries_[it->second];
  if (const TWatchEntry* e = MatchRange(currency, serial)) return e;
  for (std::size_t n = serial.size(); n > 0; --n) {
    if (const auto it = prefixes_.find(Key(currency, serial.substr(0, n))); it != prefixes_.end())
      return &entries_[it->second];
  }
  return nullptr;
}

const TWatchEntry* TWatchList::MatchRange(std::string_view currency,
                                          std::string_view serial) const {
  if (rangeBuckets_.empty()) return nullptr;
  // A range's run starts where a run of digits starts, and may end anywhere in it.
  for (std::size_t start = 0; start < serial.size(); ++start) {
    if (!IsDigit(serial[start]) || (start > 0 && IsDigit(serial[start - 1]))) continue;
    std::size_t end = start;
    while (end < serial.size() && IsDigit(serial[end])) ++end;
    for (std::size_t run = 1; run <= end - start; ++run) {
      const auto it = rangeBuckets_.find(RangeKey(currency, run, serial.substr(0, start)));
      if (it == rangeBuckets_.end()) continue;
      const std::vector<TRangeItem>& bucket = it->second;
      const std::string_view digits = serial.substr(start, run);
      // Items whose low end is at most the digits, walked down while some
      // item at or before them still reaches as high.
      auto item = std::upper_bound(
          bucket.begin(), bucket.end(), digits,
          [](std::string_view d, const TRangeItem& i) { return d < std::string_view(i.LowRun); });
      while (item != bucket.begin()) {
        --item;
        if (item->MaxHighRun < digits) break;
        const TRange& range = ranges_[item->Pattern];
        if (item->HighRun >= digits && range.Pattern.Matches(serial)) return &entries_[range.Entry];
      }
    }
  }
  return nullptr;
}

}  // namespace records

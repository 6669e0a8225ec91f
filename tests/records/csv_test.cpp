// Comma-separated values: fields as RFC 4180 has them, and watch list files
// that are taken whole or refused at their first bad line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/csv.h"

namespace records {
namespace {

using Fields = std::vector<std::string>;

TEST(Csv, SplitsQuotedAndPlainFieldsAndWritesThemBack) {
  const std::pair<const char*, Fields> cases[] = {
      {"USD,AB1*,stolen", {"USD", "AB1*", "stolen"}},
      {"a,,", {"a", "", ""}},
      {"", {""}},
      {R"("with, comma","say ""hi""",x)", {"with, comma", "say \"hi\"", "x"}},
      {R"("")", {""}},
  };
  for (const auto& [line, fields] : cases) {
    SCOPED_TRACE(line);
    EXPECT_EQ(ParseCsvLine(line), fields);
    EXPECT_EQ(ParseCsvLine(CsvLine(fields)), fields);
  }
  EXPECT_EQ(CsvLine(Fields{"plain", "a,b", "q\"", "two\nlines"}),
            "plain,\"a,b\",\"q\"\"\",\"two\nlines\"");
  const std::pair<const char*, const char*> refused[] = {
      {R"("open,x)", "a quoted field does not end on its line"},
      {R"("a"b,c)", "text after a quoted field's closing quote"},
      {R"(a"b,c)", "a quote in a field that is not quoted"},
  };
  for (const auto& [line, message] : refused) {
    try {
      ParseCsvLine(line);
      ADD_FAILURE() << line;
    } catch (const ECsvError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

TEST(WatchCsv, ReadsAFileWithHeadingBlankLinesAndWindowsLineEnds) {
  const std::string file =
      "\xEF\xBB\xBF"
      "Currency,Pattern,Reason\r\n"
      "usd, MK6083* ,\"stolen, van 7\"\r\n"
      "\r\n"
      "EUR,M34892405068,counterfeit\n";
  EXPECT_EQ(ParseWatchCsv(file), (std::vector<TWatchEntry>{
                                     {"USD", "MK6083*", "stolen, van 7"},
                                     {"EUR", "M34892405068", "counterfeit"},
                                 }));
}

TEST(WatchCsv, RefusesTheWholeFileAtItsFirstBadLine) {
  const std::pair<const char*, const char*> files[] = {
      {"USD,MK6083*,ok\nUSD,MK6083*\n",
       "line 2: 3 fields (currency,pattern,reason) expected, found 2"},
      {"USD,MK6083*,ok\n\nEUR,ABC1*,x\n",
       "line 3: 'ABC1*' cannot match EUR serials: none starts with 'ABC1'"},
      {"USD,MK6083*,caf\xE9\n", "line 1: not UTF-8 text (save the file as CSV in UTF-8)"},
      {"USD,MK6083*,\"two\nlines\"\n", "line 1: a quoted field does not end on its line"},
      // A heading is taken only as the first line.
      {"USD,MK6083*,ok\ncurrency,pattern,reason\n",
       "line 2: 'currency' is not one of USD, EUR, LBP"},
  };
  for (const auto& [file, message] : files) {
    try {
      ParseWatchCsv(file);
      ADD_FAILURE() << message;
    } catch (const ECsvError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

}  // namespace
}  // namespace records

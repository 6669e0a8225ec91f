#include "barcode/toolkit.h"

#include <gtest/gtest.h>

#include "runs.h"

namespace barcode {
namespace {

using barcode_test::Runs;

TEST(WidthThresholds, MidwayBetweenNarrowestAndWidestOfEachKind) {
  struct Case {
    std::vector<int32_t> runs;
    int32_t period;
    TWidthThresholds want;
  };
  const std::vector<Case> cases = {
      // bars 2 and 5 -> 3.5 -> 4; spaces 3 and 8 -> 5.5 -> 6 (halves to even)
      {{2, -3, 5, -8, 2}, 0, {4, 6}},
      // bars 3 and 6 -> 4.5 -> 4
      {{3, -1, 6}, 0, {4, 1}},
      // no spaces at all: lo 63, hi 0 -> 31.5 -> 32
      {{7}, 0, {7, 32}},
      // widths of 64 and more stay out of the histograms
      {{2, -2, 64, -100, 4}, 0, {3, 2}},
      // a width of 63 counts only as the widest
      {{2, -2, 63}, 0, {32, 2}},
      // period 3 leaves out elements 2 and 5 (counts 3 and 6)
      {{2, -2, 40, -2, 4, -50, 2}, 3, {3, 2}},
  };
  for (const Case& c : cases) {
    const TWidthThresholds got =
        WidthThresholds(c.runs, 0, static_cast<int32_t>(c.runs.size()) - 1, c.period);
    EXPECT_EQ(got.Bar, c.want.Bar) << ::testing::PrintToString(c.runs);
    EXPECT_EQ(got.Space, c.want.Space) << ::testing::PrintToString(c.runs);
  }
}

TEST(WidthThresholds, NeighboursOfTheSameKindAreRejected) {
  for (const std::vector<int32_t>& runs :
       std::vector<std::vector<int32_t>>{{2, 3, -2}, {2, -3, -2}, {-2, 0}, {5, -2, 2, -2, 2, 2}}) {
    try {
      WidthThresholds(runs, 0, static_cast<int32_t>(runs.size()) - 1, 0);
      ADD_FAILURE() << ::testing::PrintToString(runs);
    } catch (const BarCodeException&) {
      ADD_FAILURE() << "must not be a BarCodeException";
    } catch (const platform::Exception& e) {
      EXPECT_STREQ(e.what(), "Invalid alternate sequence...");
    }
  }
}

TEST(WidthThresholds, TheMostNegativeRunIsJustVeryWide) {
  const std::vector<int32_t> runs = {2, INT32_MIN, 5};
  const TWidthThresholds t = WidthThresholds(runs, 0, 2, 0);
  EXPECT_EQ(t.Bar, 4);
  TCandidate c{runs, 0, 2, 1, 1, 0, false};
  EXPECT_EQ(Classify(c, t, false), (TElements{ecNarrowBar, ecWideSpace, ecWideBar}));
}

TEST(Classify, WideOnlyAboveTheThresholdAndSpacesCanBeForcedNarrow) {
  const std::vector<int32_t> runs = {4, -4, 5, -7};
  TCandidate c{runs, 0, 3, 1, 1, 0, false};
  EXPECT_EQ(Classify(c, {4, 6}, false),
            (TElements{ecNarrowBar, ecNarrowSpace, ecWideBar, ecWideSpace}));
  EXPECT_EQ(Classify(c, {4, 6}, true),
            (TElements{ecNarrowBar, ecNarrowSpace, ecWideBar, ecNarrowSpace}));
}

TElements Elements(std::string_view pattern) {
  TElements e;
  bool bar = true;
  for (char ch : pattern) {
    e.push_back(bar ? (ch == 'W' ? ecWideBar : ecNarrowBar)
                    : (ch == 'W' ? ecWideSpace : ecNarrowSpace));
    bar = !bar;
  }
  return e;
}

TEST(PatternValue, FirstElementMostSignificant) {
  EXPECT_EQ(PatternValue(Elements("NWNNWNWNN"), 0, 9), 148);
  EXPECT_EQ(PatternValue(Elements("NNWNNW"), 1, 3), 2);
  EXPECT_EQ(TPattern("WNNNW").Value, 17);
}

// Start "WW", characters of two elements and a one-element gap.
constexpr TFrame kFrame{TPattern("WW"), 2, 1};

TEST(FindStart, LeavesRoomForTheShortestCodeAndItsStop) {
  // WW N | NN N | NN N | WW : two characters, last = 10
  const TElements e = Elements("WWNNNNNNNWW");
  EXPECT_EQ(FindStart(e, 0, 10, kFrame, 2), 0);
  // limit = 10 - (3 * 3 + 2) = -1: no position is tried
  EXPECT_EQ(FindStart(e, 0, 10, kFrame, 3), std::nullopt);
  // from position 1 the start is only found at 9, past the limit 5
  EXPECT_EQ(FindStart(e, 1, 10, kFrame, 1), std::nullopt);
}

TEST(FindStop, LongestFittingCountWithinTheLimitsWins) {
  // data from 3: characters at 3, 6, 9, ...; stops "WW" at 6 and at 12
  const TElements e = Elements("WWNNNNWWNNNNWW");
  const int32_t last = 13;
  struct Case {
    int32_t min, max;
    std::optional<int32_t> count;
  };
  for (const Case& c : std::vector<Case>{{1, 15, 3},
                                         {1, 3, 3},
                                         {1, 2, 1},
                                         {2, 2, std::nullopt},
                                         {4, 9, std::nullopt},
                                         {3, 2, std::nullopt},
                                         {1, INT32_MAX, 3}}) {
    const auto stop = FindStop(e, 3, last, kFrame, c.min, c.max);
    ASSERT_EQ(stop.has_value(), c.count.has_value()) << c.min << ".." << c.max;
    if (stop) {
      EXPECT_EQ(stop->Count, *c.count);
      EXPECT_EQ(stop->At, 3 + 3 * *c.count);
    }
  }
}

TEST(Extraction, KeepDropEveryOtherAndParity) {
  const TElements e = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(KeepDrop(e, 1, 8, 2), (TElements{1, 2, 4, 5, 7, 8}));
  EXPECT_EQ(EveryOther(e, 2, 7), (TElements{2, 4, 6}));
  const auto [even, odd] = SplitByParity(e, 1, 6);
  EXPECT_EQ(even, (TElements{1, 3, 5}));
  EXPECT_EQ(odd, (TElements{2, 4, 6}));
}

constexpr std::array<TPatternRow, 2> kTable = {{{"WN", 'a'}, {"NW", 'b'}}};

TEST(DecodeGroups, RemainderIgnoredUnknownPatternFails) {
  EXPECT_EQ(DecodeGroups(Elements("WNNWW"), 2, kTable), "ab");
  EXPECT_EQ(DecodeGroups(Elements("WNWW"), 2, kTable), std::nullopt);
  EXPECT_EQ(DecodeGroups(Elements("W"), 2, kTable), "");
}

TEST(SetText, CutsAt255Characters) {
  TBarCodeResult r;
  SetText(r, std::string(300, '7'));
  EXPECT_EQ(r.Text, std::string(255, '7'));
}

}  // namespace
}  // namespace barcode

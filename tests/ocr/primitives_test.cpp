#include "classifier/primitives.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ascii_raster.h"
#include "ocr/omnifontocr.h"
#include "platform/exceptions.h"

using testing_raster::DrawRaster;
using testing_raster::kThreshold;
using testing_raster::MakeRaster;

namespace {

using Art = std::vector<std::string>;

TEST(RectColours, ReportsOnlyTheWantedColoursOfTheClippedRectangle) {
  const auto r = MakeRaster({
      "....",
      ".##.",
      "....",
  });
  struct Case {
    int32_t x0, x1, y0, y1;
    std::uint8_t wanted, expected;
  } const cases[] = {
      {1, 2, 1, 1, cfInk, cfInk},  // all ink
      {1, 2, 1, 1, cfPaper, 0},    // no paper in it
      {0, 3, 0, 2, cfInk | cfPaper, cfInk | cfPaper},
      {-5, -1, 0, 2, cfInk, 0},  // wholly left of the raster
      {-5, -1, 0, 2, cfPaper, 0},
      {2, 9, -3, 1, cfInk, cfInk},  // clipped, still reaches (2, 1)
      {3, 9, 1, 1, cfInk, 0},       // clipped to column 3: paper only
      {3, 9, 1, 1, cfPaper, cfPaper},
      {2, 1, 0, 2, cfInk | cfPaper, 0},  // empty: x1 < x0
      {0, 3, 3, 9, cfInk | cfPaper, 0},  // wholly below
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RectColours(*r, c.x0, c.x1, c.y0, c.y1, kThreshold, c.wanted), c.expected)
        << c.x0 << ".." << c.x1 << " x " << c.y0 << ".." << c.y1 << " wanted " << int(c.wanted);
  }
}

TEST(RectColours, MarkBitsTakePartInTheInkTest) {
  auto r = MakeRaster({"#"});
  r->Row(0)[0] = 120 | 7;  // a grey ink pixel lifted to 127 by the mark: still ink at 128
  EXPECT_EQ(RectColours(*r, 0, 0, 0, 0, 127, cfInk), 0);
  EXPECT_EQ(RectColours(*r, 0, 0, 0, 0, 128, cfInk), cfInk);
}

TEST(RunLength, CountsFromTheStartPixelAndStopsAtBorderOrLimit) {
  const auto r = MakeRaster({
      "..#...",
      "......",
      "#.....",
  });
  struct Case {
    const char* what;
    int32_t x, y, dir;
    std::uint8_t stop;
    int32_t limit, expected;
  } const cases[] = {
      {"start pixel has the stop colour", 2, 0, dirRight, cfInk, 10, 0},
      {"paper to the ink", 0, 0, dirRight, cfInk, 10, 2},
      {"ink run stops at paper", 2, 0, dirRight, cfPaper, 10, 1},
      {"last column to the right on paper", 5, 1, dirRight, cfInk, 10, 1},
      {"run to the left border", 5, 1, dirLeft, cfInk, 10, 6},
      {"limit reached first", 5, 1, dirLeft, cfInk, 4, 4},
      {"zero limit", 0, 0, dirRight, cfInk, 0, 0},
      {"down to ink", 0, 0, dirDown, cfInk, 10, 2},
      {"up to the top border", 1, 2, dirUp, cfInk, 10, 3},
      {"start outside, any limit", -1, 0, dirRight, cfInk, 100, 0},
      {"start below the raster", 0, 3, dirUp, cfInk, 100, 0},
      {"stop direction", 0, 0, dirStop, cfInk, 10, 0},
      {"unknown direction", 0, 0, 7, cfInk, 10, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunLength(*r, c.x, c.y, c.dir, c.stop, c.limit, kThreshold), c.expected) << c.what;
  }
}

TEST(CountInkRuns, CountsPaperToInkEntriesWithPaperBeforeTheFirstSample) {
  const auto r = MakeRaster({
      "##.#",
      ".##.",
      "#...",
      ".#..",
  });
  struct Case {
    int32_t x0, y0, x1, y1, expected;
  } const cases[] = {
      {0, 0, 3, 0, 2},  // ink, ink, paper, ink
      {0, 1, 2, 1, 1},  // paper, ink, ink
      {3, 0, 0, 0, 2},  // backwards
      {0, 0, 0, 0, 1},  // a single ink pixel
      {2, 0, 2, 0, 0},  // a single paper pixel
      {0, 0, 0, 3, 2},  // column 0: ink, paper, ink, paper
      {0, 0, 3, 3, 1},  // diagonal: (0,0) (1,1) (2,2) (3,3) = ink ink paper paper
      {0, 2, 3, 1, 1},  // -2 div 3 is 0, not -1: samples (0,2) (1,2) (2,2) (3,1)
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CountInkRuns(*r, c.x0, c.y0, c.x1, c.y1, kThreshold), c.expected)
        << "(" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1 << ")";
  }
}

TEST(CountInkRuns, SamplesOutsideTheRasterReadAsPaper) {
  const auto r = MakeRaster({"#.#"});
  EXPECT_EQ(CountInkRuns(*r, -2, 0, 4, 0, kThreshold), 2);
}

TEST(LineCoverage, PaperBesideAStrokeOnOneSideIsCovered) {
  // Column 2 is paper; the stroke runs at column 3 (plus side) in rows 0..3
  // and at column 1 (minus side) in rows 4..7.
  const auto r = MakeRaster({
      "...#.",
      "...#.",
      "...#.",
      "...#.",
      ".#...",
      ".#...",
      ".#...",
      ".#...",
  });
  // Upper half only: the stroke always on the plus side.
  EXPECT_EQ(LineCoverage(*r, 2, 0, 2, 3, kThreshold, 100), 100);
  // Lower half only: the stroke always on the minus side.
  EXPECT_EQ(LineCoverage(*r, 2, 4, 2, 7, kThreshold, 100), 100);
  // Both halves: once both sides were seen as paper, paper stays uncovered.
  EXPECT_EQ(LineCoverage(*r, 2, 0, 2, 7, kThreshold, 100), 50);
  // Walked upwards the end points are swapped first, so the walk and the
  // answer are the same.
  EXPECT_EQ(LineCoverage(*r, 2, 7, 2, 0, kThreshold, 100), 50);
}

TEST(LineCoverage, InkRestoresTheSideStateAndNeighboursOutsideAreNotTested) {
  const auto r = MakeRaster({
      ".....",
      "#..#.",
      ".....",
  });
  // x-major along row 1: ink, paper (both sides paper: uncovered), paper,
  // ink, paper (uncovered) -> 2 of 5.
  EXPECT_EQ(LineCoverage(*r, 0, 1, 4, 1, kThreshold, 100), 40);
  // Right to left gives the same pixels in the other order: the swap puts
  // (0, 1) first again.
  EXPECT_EQ(LineCoverage(*r, 4, 1, 0, 1, kThreshold, 100), 40);
  // Along row 0 the minus side lies outside and never clears its bit.
  EXPECT_EQ(LineCoverage(*r, 0, 0, 4, 0, kThreshold, 10), 10);
}

TEST(LineCoverage, DiagonalsAreYMajorAndFollowBresenham) {
  const auto r = MakeRaster({
      "#...",
      ".#..",
      "..#.",
      "...#",
  });
  EXPECT_EQ(LineCoverage(*r, 0, 0, 3, 3, kThreshold, 100), 100);
  EXPECT_EQ(LineCoverage(*r, 3, 3, 0, 0, kThreshold, 100), 100);
  // A single pixel.
  EXPECT_EQ(LineCoverage(*r, 1, 0, 1, 0, kThreshold, 100), 100);
}

TEST(WalkByColour, ClimbsThroughInkAndStopsOnPaper) {
  const auto r = MakeRaster({
      "...",
      ".#.",
      ".#.",
      ".#.",
  });
  int32_t x = 1, y = 3;
  WalkByColour(*r, x, y, 0, 2, 0, 3, kThreshold, dirStop, dirUp);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 0);
  // Right through paper to the first ink pixel.
  x = 0;
  y = 2;
  WalkByColour(*r, x, y, 0, 2, 0, 3, kThreshold, dirRight, dirStop);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 2);
}

TEST(WalkByColour, LeavesTheBoxOneStepPastItsEdge) {
  const auto r = MakeRaster({
      "...",
      "...",
      "...",
  });
  int32_t x = 1, y = 2;
  WalkByColour(*r, x, y, 0, 2, 1, 2, kThreshold, dirUp, dirStop);
  EXPECT_EQ(y, 0);  // minY - 1
  EXPECT_EQ(x, 1);
}

TEST(WalkByColour, IgnoresABoxWhoseCornerLiesOutsideAndRejectsBadCodes) {
  const auto r = MakeRaster({"..", ".."});
  int32_t x = 1, y = 1;
  WalkByColour(*r, x, y, -1, 1, 0, 1, kThreshold, dirUp, dirUp);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 1);
  try {
    WalkByColour(*r, x, y, 0, 1, 0, 1, kThreshold, 5, dirUp);
    FAIL() << "a step code of 5 must raise";
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), "error...");
  }
}

TEST(TraceReaches, FollowsTheBorderOfTheStartRegionInsideTheBox) {
  const auto r = MakeRaster({
      "#.#",
      "#.#",
      "###",
  });
  EXPECT_TRUE(TraceReaches(*r, 1, 1, 1, 1, kThreshold));  // identical points
  EXPECT_TRUE(TraceReaches(*r, 0, 0, 2, 2, kThreshold));  // along the U
  EXPECT_TRUE(TraceReaches(*r, 2, 2, 0, 0, kThreshold));
  // Within the box of (0,0)-(2,1) the two arms are separate strokes.
  EXPECT_FALSE(TraceReaches(*r, 0, 0, 2, 1, kThreshold));
  // A paper start follows paper: the gap does not reach the ink corner.
  EXPECT_FALSE(TraceReaches(*r, 1, 0, 2, 2, kThreshold));
  EXPECT_TRUE(TraceReaches(*r, 1, 0, 1, 1, kThreshold));
}

TEST(FillComponent, MarksTheSeedColourAndReportsCountAndBox) {
  auto r = MakeRaster({
      ".....",
      ".##..",
      "..#.#",
      "...#.",
  });
  const TFillResult four = FillComponent(*r, 1, 1, kFillMark, kThreshold, false);
  EXPECT_EQ(four.Count, 3);
  EXPECT_EQ(four.Left, 1);
  EXPECT_EQ(four.Top, 1);
  EXPECT_EQ(four.Right, 2);
  EXPECT_EQ(four.Bottom, 2);
  EXPECT_EQ(DrawRaster(*r), (Art{
                                ".....",
                                ".++..",
                                "..+.#",
                                "...#.",
                            }));
  // A marked seed does nothing.
  EXPECT_EQ(FillComponent(*r, 2, 2, kFillMark, kThreshold, true).Count, 0);
  // 8-connected from (4, 2): reaches (3, 3) but not the marked pixels.
  const TFillResult eight = FillComponent(*r, 4, 2, kFillMark, kThreshold, true);
  EXPECT_EQ(eight.Count, 2);
  EXPECT_EQ(eight.Left, 3);
  EXPECT_EQ(eight.Bottom, 3);
  // Paper fills paper; (4, 3) joins only 8-connected.
  const TFillResult paper = FillComponent(*r, 0, 0, kFillMark, kThreshold, true);
  EXPECT_EQ(paper.Count, 20 - 5);
  EXPECT_EQ(FillComponent(*r, -1, 0, kFillMark, kThreshold, true).Count, 0);
  EXPECT_EQ(FillComponent(*r, 0, 4, kFillMark, kThreshold, true).Count, 0);
}

TEST(FillComponent, ORsOnlyTheGivenMarkAndNeedsOne) {
  auto r = MakeRaster({"##."});
  EXPECT_EQ(FillComponent(*r, 0, 0, 1, kThreshold, false).Count, 2);
  EXPECT_EQ(r->Row(0)[0], 1);
  EXPECT_EQ(r->Row(0)[1], 1);
  EXPECT_EQ(r->Row(0)[2], 248);
  // Mark 0 could never tell filled pixels from open ones: nothing happens.
  EXPECT_EQ(FillComponent(*r, 2, 0, 0, kThreshold, false).Count, 0);
}

TEST(FillComponent, HandlesALargeComponentWithoutDeepRecursion) {
  auto r = std::make_unique<TDIB>();
  r->NewImage(600, 400, df8Bit, 96, 96);
  r->Fill(0);
  const TFillResult f = FillComponent(*r, 300, 200, kFillMark, kThreshold, false);
  EXPECT_EQ(f.Count, 600 * 400);
  EXPECT_EQ(f.Right, 599);
  EXPECT_EQ(f.Bottom, 399);
}

}  // namespace

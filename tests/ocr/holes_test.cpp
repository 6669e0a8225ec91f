#include <gtest/gtest.h>

#include "ascii_raster.h"
#include "classifier/primitives.h"
#include "ocr/omnifontocr.h"

using testing_raster::DrawRaster;
using testing_raster::kThreshold;
using testing_raster::MakeRaster;

namespace {

class EngineTest : public ::testing::Test {
 protected:
  TOmnifontOCR engine;
};

using FindHolesTest = EngineTest;

TEST_F(FindHolesTest, KeepsEnclosedRegionsLargestFirstWithRelativeBoxes) {
  const auto r = MakeRaster({
      "........",
      ".######.",
      ".#.#..#.",
      ".#.#..#.",
      ".######.",
      "........",
  });
  const auto before = DrawRaster(*r);
  THoleList holes;
  EXPECT_EQ(FindHoles(engine, *r, 1, 6, 1, 4, kThreshold, &holes), 2);
  ASSERT_EQ(holes.Count, 2);
  const THole& big = holes.Items[0];
  EXPECT_EQ(big.Area, 4);
  EXPECT_EQ(big.SeedX, 3);
  EXPECT_EQ(big.SeedY, 1);
  EXPECT_EQ(big.Left, 3);
  EXPECT_EQ(big.Top, 1);
  EXPECT_EQ(big.Right, 4);
  EXPECT_EQ(big.Bottom, 2);
  EXPECT_EQ(holes.Items[1].Area, 2);
  EXPECT_EQ(holes.Items[1].SeedX, 1);
  EXPECT_EQ(DrawRaster(*r), before) << "the caller's raster must stay unmarked";
  // Without a list the count is the same.
  EXPECT_EQ(FindHoles(engine, *r, 1, 6, 1, 4, kThreshold, nullptr), 2);
}

TEST_F(FindHolesTest, EqualAreasStayInScanOrder) {
  const auto r = MakeRaster({
      "#######",
      "#..#..#",
      "#######",
      "#..#..#",
      "#######",
  });
  THoleList holes;
  ASSERT_EQ(FindHoles(engine, *r, 0, 6, 0, 4, kThreshold, &holes), 4);
  // Column-major scan: (1,1), (1,3), (4,1), (4,3).
  const int32_t seeds[4][2] = {{1, 1}, {1, 3}, {4, 1}, {4, 3}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(holes.Items[k].SeedX, seeds[k][0]) << k;
    EXPECT_EQ(holes.Items[k].SeedY, seeds[k][1]) << k;
  }
}

TEST_F(FindHolesTest, DropsSpecksBelowAFifthOfTheMainHole) {
  // A "0" with one paper speck of two pixels inside its left stroke: 2 < 16 div 5.
  const auto r = MakeRaster({
      "#######",
      "###...#",
      "#.#...#",
      "#.#...#",
      "###...#",
      "##....#",
      "#######",
  });
  THoleList holes;
  EXPECT_EQ(FindHoles(engine, *r, 0, 6, 0, 6, kThreshold, &holes), 1);
  EXPECT_EQ(holes.Count, 1);
  EXPECT_EQ(holes.Items[0].Area, 16);
}

TEST_F(FindHolesTest, KeepsHolesOfExactlyAFifth) {
  const auto g = MakeRaster({
      "#########",
      "#.#.....#",
      "#.#.....#",
      "###.....#",
      "#########",
  });
  THoleList holes;
  // Main hole 15, speck 2 < 3: dropped.
  EXPECT_EQ(FindHoles(engine, *g, 0, 8, 0, 4, kThreshold, &holes), 1);
  const auto k = MakeRaster({
      "########",
      "#.#....#",
      "#.#....#",
      "###....#",
      "########",
  });
  // Main hole 12, speck 2 = 12 div 5: kept.
  EXPECT_EQ(FindHoles(engine, *k, 0, 7, 0, 4, kThreshold, &holes), 2);
  EXPECT_EQ(holes.Count, 2);
}

TEST_F(FindHolesTest, OnePixelHolesCountOnlyInBoxesOfAtMost40Pixels) {
  const auto small = MakeRaster({
      "###",
      "#.#",
      "###",
  });
  THoleList holes;
  EXPECT_EQ(FindHoles(engine, *small, 0, 2, 0, 2, kThreshold, &holes), 1);
  EXPECT_EQ(holes.Items[0].Area, 1);
  const auto big = MakeRaster({
      "#######",
      "#######",
      "#######",
      "###.###",
      "#######",
      "#######",
      "#######",
  });
  EXPECT_EQ(FindHoles(engine, *big, 0, 6, 0, 6, kThreshold, &holes), 0);
  EXPECT_EQ(holes.Count, 0);
  // 5 x 8 = 40 pixels still keeps it.
  const auto edge = MakeRaster({
      "#####",
      "#####",
      "#####",
      "##.##",
      "#####",
      "#####",
      "#####",
      "#####",
  });
  EXPECT_EQ(FindHoles(engine, *edge, 0, 4, 0, 7, kThreshold, &holes), 1);
}

TEST_F(FindHolesTest, BoxesNarrowerThanThreePixelsHaveNoHoles) {
  const auto r = MakeRaster({"##", "#.", "##"});
  THoleList holes;
  holes.Count = 5;
  EXPECT_EQ(FindHoles(engine, *r, 0, 1, 0, 2, kThreshold, &holes), 0);
  EXPECT_EQ(holes.Count, 0);
}

TEST_F(FindHolesTest, DiagonalLeaksCountOnlyWithEightConnectivity) {
  const auto r = MakeRaster({
      "####.",
      "#..#.",
      "#..#.",
      "###.#",
      ".....",
  });
  engine.Pass = 0;  // 4-connected: the corner gap does not let the paper out
  EXPECT_EQ(FindHoles(engine, *r, 0, 4, 0, 4, kThreshold, nullptr), 1);
  engine.Pass = 1;  // 8-connected: the inside leaks out through (3, 3)
  EXPECT_EQ(FindHoles(engine, *r, 0, 4, 0, 4, kThreshold, nullptr), 0);
}

TEST_F(FindHolesTest, ABoxReachingPastTheRasterSeesPaperThere) {
  const auto r = MakeRaster({
      "###",
      "#.#",
      "###",
  });
  THoleList holes;
  EXPECT_EQ(FindHoles(engine, *r, -2, 4, -1, 2, kThreshold, &holes), 1);
  EXPECT_EQ(holes.Items[0].SeedX, 3);  // relative to the requested box
  EXPECT_EQ(holes.Items[0].SeedY, 2);
}

using CountInkPartsTest = EngineTest;

TEST_F(CountInkPartsTest, CountsComponentsByThePassConnectivity) {
  const auto r = MakeRaster({
      "#..",
      ".#.",
      "..#",
  });
  engine.Pass = 2;
  EXPECT_EQ(CountInkParts(engine, *r, 0, 2, 0, 2, kThreshold), 3);
  engine.Pass = 3;
  EXPECT_EQ(CountInkParts(engine, *r, 0, 2, 0, 2, kThreshold), 1);
  EXPECT_EQ(CountInkParts(engine, *r, 2, 1, 0, 2, kThreshold), 0);
}

TEST_F(CountInkPartsTest, InkOutsideTheRectangleDoesNotJoinParts) {
  const auto r = MakeRaster({
      "####",
      "#..#",
      "#..#",
  });
  EXPECT_EQ(CountInkParts(engine, *r, 0, 3, 0, 2, kThreshold), 1);
  EXPECT_EQ(CountInkParts(engine, *r, 0, 3, 1, 2, kThreshold), 2);
  // Already-marked ink is not counted again.
  const auto marked = MakeRaster({"+.#"});
  EXPECT_EQ(CountInkParts(engine, *marked, 0, 2, 0, 0, kThreshold), 1);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "ascii_raster.h"
#include "image/blobs.h"
#include "image/dibunit.h"
#include "platform/exceptions.h"
#include "platform/memory.h"

namespace {

Picture Blank(int32_t width, int32_t height) {
  return Picture(static_cast<std::size_t>(height),
                 std::string(static_cast<std::size_t>(width), '.'));
}

}  // namespace

TEST(DrawLine, StraightAndSlantedLines) {
  struct Case {
    int32_t x1, y1, x2, y2;
    Picture expected;
  };
  const std::vector<Case> cases = {
      // Walked from the second point: (3,1), (2,1), (1,0), (0,0).
      {0, 0, 3, 1, {"##..", "..##", "....", "...."}},
      {0, 0, 2, 1, {"#...", ".##.", "....", "...."}},  // (2,1), (1, 1 + Round(-0.5)), (0,0)
      {2, 1, 0, 0, {"##..", "..#.", "....", "...."}},  // (0,0), (1, Round(0.5)), (2,1)
      {2, 3, 2, 0, {"..#.", "..#.", "..#.", "..#."}},
      {3, 2, 1, 2, {"....", "....", ".###", "...."}},
      {0, 3, 3, 0, {"...#", "..#.", ".#..", "#..."}},
      {1, 1, 1, 1, {"....", ".#..", "....", "...."}},
      // Reaching past the raster: only the visible pixels are drawn.
      {-2, 1, 9, 1, {"....", "####", "....", "...."}},
      {-1, -1, 4, 4, {"#...", ".#..", "..#.", "...#"}},
      {5, 0, 5, 3, {"....", "....", "....", "...."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2);
    auto dib = AsciiRaster(Blank(4, 4));
    dib->DrawLine(c.x1, c.y1, c.x2, c.y2, dib->BlackValue());
    EXPECT_EQ(AsciiOf(*dib), c.expected);
  }
}

TEST(DrawRect, PaintsTheOutline) {
  auto dib = AsciiRaster(Blank(5, 4));
  dib->DrawRect(TRect{1, 0, 4, 3}, dib->BlackValue());
  EXPECT_EQ(AsciiOf(*dib), (Picture{".####", ".#..#", ".#..#", ".####"}));
}

TEST(EraseSmallBlobs, PaintsTheBoxOutlineOfSmallBlobsWhite) {
  for (TableOrder order : {TableOrder::BlackFirst, TableOrder::WhiteFirst}) {
    auto dib = AsciiRaster(
        {"##...###....####...#####", "##...###....####...#####", ".....###....####...#####",
         "............####...#####", "...................#####", "#.#....................."},
        df1Bit, order);
    dib->EraseSmallBlobs(3, 3, nullptr);
    // 2 x 2 gone; 3 x 3 keeps its centre; 4 x 4 its inner 2 x 2; 5 wide untouched.
    EXPECT_EQ(AsciiOf(*dib), (Picture{"...................#####", "......#......##....#####",
                                      ".............##....#####", "...................#####",
                                      "...................#####", "........................"}));
  }
}

TEST(EraseSmallBlobs, UsesTheGivenListAsItIs) {
  auto dib = AsciiRaster({"###.", "###.", "###.", "...."});
  TBlobList blobs;
  blobs.Add(TRect{2, 0, 5, 5}, 9, 0, 0);  // reaches past the raster
  blobs.Add(TRect{0, 0, 9, 9}, 9, 0, 0);  // too big: skipped
  dib->EraseSmallBlobs(3, 5, &blobs);
  EXPECT_EQ(AsciiOf(*dib), (Picture{"##..", "##..", "##..", "...."}));

  // Without a list the raster must be 1 bit, for the blob search.
  auto grey = GreyRaster({{0, 255}});
  try {
    grey->EraseSmallBlobs(3, 3, nullptr);
    ADD_FAILURE();
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), "This operation requires 1 bit per pixel bitmap !");
  }
}

TEST(FillGaps, SinglePixelGapsBetweenTwoNeighbours) {
  struct Case {
    bool black;
    Picture in, out;
  };
  const std::vector<Case> cases = {
      {true, {"#.#"}, {"###"}},
      {true, {"#..#"}, {"#..#"}},
      {true, {"#.#.#"}, {"#####"}},  // both gaps judged on the original
      {true, {"#", ".", "#"}, {"#", "#", "#"}},
      {true, {"#.", "..", "#."}, {"#.", "#.", "#."}},
      {true, {"##"}, {"##"}},
      {false, {".#.", "#.#", ".#."}, {"...", "...", "..."}},
      {false, {"#.#", "#.#", "###"}, {"#.#", "#.#", "###"}},
  };
  for (TableOrder order : {TableOrder::BlackFirst, TableOrder::WhiteFirst}) {
    for (const Case& c : cases) {
      auto dib = AsciiRaster(c.in, df1Bit, order);
      c.black ? dib->FillBlackGaps() : dib->FillWhiteGaps();
      EXPECT_EQ(AsciiOf(*dib), c.out) << c.in[0] << " black " << c.black;
    }
  }
  // Grey rasters work with their own black (0) and white (255).
  auto grey = GreyRaster({{0, 90, 0, 255, 40, 255}});
  grey->FillBlackGaps();
  grey->FillWhiteGaps();
  EXPECT_EQ(grey->GetPixel(1, 0), 0);
  EXPECT_EQ(grey->GetPixel(4, 0), 255);
}

// 1-bit rasters are filled eight pixels a byte: the pixels, and the row
// padding left as it was, must be those of the pixel-by-pixel rule over random
// pictures of every width around a byte boundary.
TEST(FillGaps, BilevelRastersMatchThePixelRule) {
  std::mt19937 random(9);
  for (int round = 0; round < 200; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 40);
    const int32_t height = 1 + static_cast<int32_t>(random() % 6);
    TDIB dib;
    dib.NewImage(width, height, df1Bit, 96, 96);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) dib.SetPixel(x, y, random() % 3 == 0 ? 1 : 0);
    const bool black = random() % 2 == 0;
    const int32_t value = black ? dib.BlackValue() : dib.WhiteValue();
    const auto expected = dib.Duplicate();
    const auto original = dib.Duplicate();
    auto is = [&](int32_t x, int32_t y) { return original->GetPixel(x, y) == value; };
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const bool across = x >= 1 && x <= width - 2 && is(x - 1, y) && is(x + 1, y);
        const bool down = y >= 1 && y <= height - 2 && is(x, y - 1) && is(x, y + 1);
        if (!is(x, y) && (across || down)) expected->SetPixel(x, y, value);
      }
    }
    black ? dib.FillBlackGaps() : dib.FillWhiteGaps();
    ASSERT_EQ(std::memcmp(dib.Row(height - 1), expected->Row(height - 1),
                          static_cast<std::size_t>(dib.Stride()) * height),
              0)
        << width << " x " << height << " black " << black;
  }
}

TEST(FillGaps, ReleasesItsCopy) {
  auto dib = AsciiRaster({"#.#"});
  const std::size_t blocks = platform::LiveBlockCount();
  dib->FillBlackGaps();
  EXPECT_EQ(platform::LiveBlockCount(), blocks);
}

TEST(SmoothBilevel, RemovesLoneBitsAndFillsLoneHolesInside) {
  // Works on bit values: in the standard table '.' is bit 1, '#' bit 0.
  struct Case {
    Picture in, out;
  };
  const std::vector<Case> cases = {
      // A lone bit 1 (white dot) in bit 0 is cleared; a lone bit 0 in 1s is set.
      {{"#####", "##.##", "#####"}, {"#####", "#####", "#####"}},
      {{"......", "......", "...#..", "......", "......"},
       {"......", "......", "......", "......", "......"}},
      // Outermost rows and columns are never changed.
      {{".#.", "#.#", ".#."}, {".#.", "###", ".#."}},
      // Height or width 2: nothing to do.
      {{"#.#", ".#."}, {"#.#", ".#."}},
      {{"#.", ".#", "#."}, {"#.", ".#", "#."}},
  };
  for (const Case& c : cases) {
    auto dib = AsciiRaster(c.in);
    dib->SmoothBilevel();
    EXPECT_EQ(AsciiOf(*dib), c.out) << c.in[1];
  }
}

TEST(SmoothBilevel, JudgesEachPixelOnUnprocessedNeighbours) {
  // Bits shown directly: '#' bit 0, '.' bit 1 (standard table). The column
  // of 1s in the middle: every pixel has neighbours above and below that are
  // 1, the row above comes from the buffer (not the smoothed raster).
  auto dib = AsciiRaster({"#####",  //
                          "##.##",  //
                          "##.##",  //
                          "##.##",  //
                          "#####"});
  dib->SmoothBilevel();
  // Row 1: m = below(1) + left 0 + right 0 + above(0, first row reads 0) = 1 < 2: cleared.
  // Row 2: above buffer holds row 1 unprocessed (1), below 1: m = 2, kept.
  // Row 3: above 1, below 0: m = 1, cleared.
  EXPECT_EQ(AsciiOf(*dib), (Picture{"#####", "#####", "##.##", "#####", "#####"}));

  auto grey = GreyRaster({{0, 0, 0}, {0, 255, 0}, {0, 0, 0}});
  grey->SmoothBilevel();  // not 1 bit: unchanged
  EXPECT_EQ(grey->GetPixel(1, 1), 255);
}

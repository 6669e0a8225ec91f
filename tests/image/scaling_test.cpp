#include <gtest/gtest.h>

#include <vector>

#include "ascii_raster.h"
#include "image/dibunit.h"

namespace {

std::vector<std::vector<int32_t>> Values(const TDIB& dib) {
  std::vector<std::vector<int32_t>> rows;
  for (int32_t y = 0; y < dib.Height(); ++y) {
    rows.emplace_back();
    for (int32_t x = 0; x < dib.Width(); ++x) rows.back().push_back(dib.GetPixel(x, y));
  }
  return rows;
}

std::unique_ptr<TDIB> GreyTarget(int32_t width, int32_t height) {
  auto dib = std::make_unique<TDIB>();
  dib->NewImage(width, height, df8Bit, 0, 0);
  return dib;
}

}  // namespace

TEST(ScaleInto, TallGlyphIsCentredAcrossTheSquare) {
  // 10 x 20 into 32 x 32: s = 0.625, 16 x 32 pixels placed at x 8..23.
  auto source = GreyRaster(std::vector<std::vector<int32_t>>(22, std::vector<int32_t>(14, 0)));
  auto target = GreyTarget(32, 32);
  target->Fill(7);
  source->ScaleInto(TRect{2, 1, 11, 20}, *target);
  for (int32_t y = 0; y < 32; ++y) {
    for (int32_t x = 0; x < 32; ++x) {
      ASSERT_EQ(target->GetPixel(x, y), x >= 8 && x <= 23 ? 0 : 255) << x << "," << y;
    }
  }
}

TEST(ScaleInto, AveragesCellsWithTiesToEven) {
  // 4 x 2 into 2 x 2: s = 2, one row of two cells of 2 x 2 pixels at the top.
  auto source = GreyRaster({{9, 0, 1, 1, 2},  //
                            {9, 2, 3, 3, 4},
                            {9, 9, 9, 9, 9}});
  auto target = GreyTarget(2, 2);
  source->ScaleInto(TRect{1, 0, 4, 1}, *target);
  // (0 + 1 + 2 + 3) / 4 = 1.5 -> 2; (1 + 2 + 3 + 4) / 4 = 2.5 -> 2.
  EXPECT_EQ(Values(*target), (std::vector<std::vector<int32_t>>{{2, 2}, {255, 255}}));
}

TEST(ScaleInto, EnlargingTakesThePixelEachCellStartsIn) {
  auto source = GreyRaster({{10, 20}});
  auto target = GreyTarget(4, 2);
  source->ScaleInto(TRect{0, 0, 1, 0}, *target);
  EXPECT_EQ(Values(*target),
            (std::vector<std::vector<int32_t>>{{10, 10, 20, 20}, {10, 10, 20, 20}}));
}

TEST(ScaleInto, LastCellPastTheRasterEdgeReadsPaper) {
  // 7 x 4 into 8 x 2: s = 2, n = Round(3.5) = 4 cells, so the last cell spans
  // columns 6 and 7, and column 7 lies outside the raster.
  auto source = GreyRaster(std::vector<std::vector<int32_t>>(4, std::vector<int32_t>(7, 0)));
  auto target = GreyTarget(8, 2);
  source->ScaleInto(TRect{0, 0, 6, 3}, *target);
  EXPECT_EQ(Values(*target),
            (std::vector<std::vector<int32_t>>{{255, 255, 0, 0, 0, 128, 255, 255},
                                               {255, 255, 0, 0, 0, 128, 255, 255}}));
}

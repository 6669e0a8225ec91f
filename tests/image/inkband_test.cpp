#include <gtest/gtest.h>

#include <random>
#include <string>

#include "image/dibunit.h"
#include "image/inkband.h"

namespace {

// A random raster: bytes anywhere in the pixel range, so that grey and
// true-colour pixels fall on both sides of the ink rule.
void FillRandom(TDIB& dib, int32_t width, int32_t height, TDIBFormat format, std::mt19937& random) {
  dib.NewImage(width, height, format, 300, 300);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t b = 0; b < dib.RowBytes(); ++b)
      dib.Row(y)[b] = static_cast<std::uint8_t>(random());
}

}  // namespace

// Bands sliding by steps below, at and above their height, and jumping back,
// give the profile the plain count gives over the same rectangle.
TEST(TColumnInkBand, EqualsThePlainProfileAtEveryTop) {
  std::mt19937 random(1210);
  for (TDIBFormat format : {df1Bit, df8Bit, df24Bit}) {
    for (int32_t trial = 0; trial < 12; ++trial) {
      const auto width = static_cast<int32_t>(1 + random() % 40);
      const auto height = static_cast<int32_t>(2 + random() % 40);
      TDIB dib;
      FillRandom(dib, width, height, format, random);
      if (trial % 2 == 1 && format == df1Bit) {
        dib.SetPaletteEntry(0, 0x00FFFFFF);
        dib.SetPaletteEntry(1, 0);
      }
      const auto rows = static_cast<int32_t>(1 + random() % height);
      const auto left = static_cast<int32_t>(random() % width);
      const auto right = static_cast<int32_t>(left + random() % (width - left));
      TColumnInkBand band(dib, left, right, rows);
      for (int32_t step : {1, 2, rows, rows + 1, 1}) {
        for (int32_t top = 0; top + rows <= height; top += step) {
          EXPECT_EQ(band.At(top), dib.ColumnInkProfile(TRect{left, top, right, top + rows - 1}))
              << "format " << format << " trial " << trial << " top " << top << " step " << step;
        }
      }
    }
  }
}

TEST(TColumnInkBand, NoProfileForOtherFormats) {
  TDIB dib;
  dib.NewImage(4, 4, df4Bit, 300, 300);
  TColumnInkBand band(dib, 0, 3, 2);
  EXPECT_TRUE(band.At(0).empty());
  EXPECT_TRUE(band.At(1).empty());
}

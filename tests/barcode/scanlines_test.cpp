// Scan lines at any direction and the bar fields that choose them.
#include <gtest/gtest.h>

#include <random>

#include "barcode/bardirections.h"
#include "barcode/scanlines.h"
#include "scan.h"
#include "symbols.h"

namespace {

using barcode::TBarFields;
using barcode::TGreyPixels;
using barcode::TScanLines;

}  // namespace

TEST(TScanLines, QuarterTurnsAreTheRowsAndColumns) {
  TDIB dib;
  dib.NewImage(5, 3, df8Bit, 0, 0);
  const TGreyPixels pixels(dib);
  const TScanLines rows(pixels, 0);
  EXPECT_EQ(rows.Length(), 5);
  EXPECT_EQ(rows.LastLine(), 2);
  const TScanLines columns(pixels, 90);
  EXPECT_EQ(columns.Length(), 3);
  EXPECT_EQ(columns.LastLine(), 4);
  for (int32_t k = 0; k <= 2; ++k) {
    for (int32_t t = 0; t < 5; ++t) {
      EXPECT_EQ(rows.At(k, t).X, t);
      EXPECT_EQ(rows.At(k, t).Y, k);
    }
  }
  // Columns from the right, each read downwards.
  for (int32_t k = 0; k <= 4; ++k) {
    for (int32_t t = 0; t < 3; ++t) {
      EXPECT_EQ(columns.At(k, t).X, 4 - k);
      EXPECT_EQ(columns.At(k, t).Y, t);
    }
  }
}

TEST(TScanLines, SlantedLinesRunAlongTheirDirection) {
  // A dark stroke 3 pixels thick at 30 degrees through the middle of the
  // raster: one line of the family at 30 degrees runs inside it for all of
  // its length, and no line of the rows does for more than a few pixels.
  TDIB dib;
  dib.NewImage(120, 80, df8Bit, 0, 0);
  dib.FillWhite();
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
  for (int32_t y = 0; y < 80; ++y) {
    for (int32_t x = 0; x < 120; ++x) {
      const double across = -(x - 60.0) * s + (y - 40.0) * c;
      const double along = (x - 60.0) * c + (y - 40.0) * s;
      if (std::abs(across) <= 1.5 && std::abs(along) <= 50) dib.Row(y)[x] = 0;
    }
  }
  const TGreyPixels pixels(dib);
  auto longest = [&](const TScanLines& lines) {
    int32_t best = 0;
    for (int32_t k = 0; k <= lines.LastLine(); ++k)
      best = std::max(best, lines.InkCount(k, 0, lines.Length() - 1));
    return best;
  };
  EXPECT_GE(longest(TScanLines(pixels, 30)), 98);
  EXPECT_LE(longest(TScanLines(pixels, 0)), 8);
  // Over a region the lines cross only its box.
  const TScanLines part(pixels, 30, TRect{40, 30, 79, 49});
  EXPECT_LT(part.Length(), 60);
  EXPECT_NEAR(part.At(0, 0).X, 40, 12);
  EXPECT_GE(longest(part), 40);
}

TEST(TBarFields, TheAxisOfTheBarsWhereTheyAre) {
  const std::vector<int32_t> ean =
      barcode_test::FromModules(barcode_test::Ean13Modules("4006381333931"), 3);
  for (const double degrees : {0.0, 17.0, 90.0, 131.0, 200.0}) {
    const std::unique_ptr<TDIB> dib = barcode_test::TurnedScan(ean, degrees);
    const TBarFields fields{TGreyPixels(*dib)};
    ASSERT_FALSE(fields.Fields().empty()) << degrees;
    const barcode::TBarField& field = fields.Fields()[0];
    const double axis = std::fmod(degrees, 180);
    EXPECT_LE(std::min(std::abs(field.Degrees - axis), 180 - std::abs(field.Degrees - axis)), 1.0)
        << degrees;
    // The symbol sits in the middle of its picture.
    const int32_t cx = dib->Width() / 2, cy = dib->Height() / 2;
    EXPECT_TRUE(field.Box.Left < cx && cx < field.Box.Right && field.Box.Top < cy &&
                cy < field.Box.Bottom)
        << degrees;
    EXPECT_EQ(fields.FieldAt(cx, cy), 0) << degrees;
    EXPECT_EQ(fields.FieldAt(2, 2), -1) << degrees;
  }
}

TEST(TBarFields, NoneInNoise) {
  TDIB noise;
  noise.NewImage(300, 200, df8Bit, 0, 0);
  std::mt19937 draw(7);
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 300; ++x) noise.Row(y)[x] = static_cast<std::uint8_t>(draw());
  EXPECT_TRUE(TBarFields(TGreyPixels(noise)).Fields().empty());
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "image/dibunit.h"
#include "image/turning.h"

namespace {

// A 7 x 4 grey raster whose every pixel is different.
std::unique_ptr<TDIB> Numbered() {
  auto dib = std::make_unique<TDIB>();
  dib->NewImage(7, 4, df8Bit, 300, 200);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 7; ++x) dib->Row(y)[x] = static_cast<std::uint8_t>(10 * y + x);
  return dib;
}

bool SamePixels(const TDIB& a, const TDIB& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

}  // namespace

TEST(TurnedCopy, QuarterTurnsMovePixelsExactly) {
  const std::unique_ptr<TDIB> source = Numbered();
  // Clockwise: the left column becomes the top row, read from the bottom up.
  const std::unique_ptr<TDIB> quarter = TurnedCopy(*source, 90);
  ASSERT_EQ(quarter->Width(), 4);
  ASSERT_EQ(quarter->Height(), 7);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 4; ++x)
      EXPECT_EQ(quarter->GetPixel(x, y), source->GetPixel(y, 3 - x)) << x << "," << y;
  EXPECT_EQ(quarter->XDpi(), 300);
  // A half turn is two quarters, and four quarters give the source back.
  EXPECT_TRUE(SamePixels(*TurnedCopy(*quarter, 90), *TurnedCopy(*source, 180)));
  std::unique_ptr<TDIB> back = TurnedCopy(*source, 270);
  back = TurnedCopy(*back, 90);
  EXPECT_TRUE(SamePixels(*back, *source));
  EXPECT_TRUE(SamePixels(*TurnedCopy(*source, -90), *TurnedCopy(*source, 270)));
}

TEST(TurnedCopy, OtherAnglesKeepThePictureOnPaper) {
  // A dark dot in the middle of a white 1-bit raster, turned by 30 degrees:
  // the canvas holds the whole turned picture, the dot stays in its middle
  // and the corners the source does not reach are paper.
  TDIB dot;
  dot.NewImage(40, 20, df1Bit, 0, 0);
  dot.Fill(0xFF);
  for (int32_t y = 9; y <= 10; ++y)
    for (int32_t x = 19; x <= 20; ++x) dot.SetPixel(x, y, dot.BlackValue());
  const std::unique_ptr<TDIB> turned = TurnedCopy(dot, 30);
  EXPECT_EQ(turned->Format(), df8Bit);
  EXPECT_EQ(turned->Width(), 45);   // 40 cos 30 + 20 sin 30 = 44.6
  EXPECT_EQ(turned->Height(), 38);  // 40 sin 30 + 20 cos 30 = 37.3
  EXPECT_LT(turned->GetPixel(22, 18) + turned->GetPixel(22, 19), 255);
  EXPECT_EQ(turned->GetPixel(0, 0), 255);
  EXPECT_EQ(turned->GetPixel(44, 37), 255);
}

TEST(RectBeforeTurn, WhereAPartOfACopyComesFrom) {
  // One dark pixel of the source, found in its turned copies, maps back to
  // itself; at other angles the box around it holds it.
  TDIB source;
  source.NewImage(9, 5, df8Bit, 0, 0);
  source.FillWhite();
  source.Row(1)[6] = 0;
  for (const double degrees : {0.0, 90.0, 180.0, 270.0, 33.0}) {
    const std::unique_ptr<TDIB> turned = TurnedCopy(source, degrees);
    TRect dark{turned->Width(), turned->Height(), -1, -1};
    for (int32_t y = 0; y < turned->Height(); ++y) {
      for (int32_t x = 0; x < turned->Width(); ++x) {
        if (turned->GetPixel(x, y) > 127) continue;
        dark = {std::min(dark.Left, x), std::min(dark.Top, y), std::max(dark.Right, x),
                std::max(dark.Bottom, y)};
      }
    }
    const TRect back = RectBeforeTurn(dark, degrees, 9, 5);
    EXPECT_TRUE(back.Left <= 6 && 6 <= back.Right && back.Top <= 1 && 1 <= back.Bottom) << degrees;
    if (std::fmod(degrees, 90) == 0) {
      EXPECT_EQ(back, (TRect{6, 1, 6, 1})) << degrees;
    }
  }
}

#include "image/rotation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "ascii_raster.h"

namespace {

// A raster of every format with pixels from a fixed seed; 24-bit pixels get
// three independent channels.
std::unique_ptr<TDIB> RandomRaster(int32_t format, int32_t width, int32_t height, uint32_t seed) {
  auto dib = std::make_unique<TDIB>();
  dib->NewImage(width, height, format, 300, 200);
  std::mt19937 random(seed);
  const int32_t maxValue = format == df1Bit   ? 1
                           : format == df4Bit ? 15
                           : format == df8Bit ? 255
                                              : 0xFFFFFF;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      dib->SetPixel(x, y, static_cast<int32_t>(random() % (static_cast<uint32_t>(maxValue) + 1)));
  return dib;
}

// The grid point (u, v) on the source, straight from the definition.
void GridPoint(const TResampleGrid& g, int32_t u, int32_t v, double& x, double& y) {
  const double a = g.Degrees * std::numbers::pi / 180.0;
  const double du = (u - (g.Width - 1) / 2.0) * g.Step;
  const double dv = (v - (g.Height - 1) / 2.0) * g.Step;
  x = g.CentreX + du * std::cos(a) - dv * std::sin(a);
  y = g.CentreY + du * std::sin(a) + dv * std::cos(a);
}

// Cubic convolution (Catmull-Rom) of one channel in doubles, `paper`
// outside, limited to 0..255.
double Cubic(const TDIB& s, double x, double y, int32_t channel, int32_t paper) {
  auto level = [&](int32_t px, int32_t py) {
    const bool inside = px >= 0 && py >= 0 && px < s.Width() && py < s.Height();
    const int32_t value = inside ? s.GetPixel(px, py) : paper;
    return static_cast<double>((value >> (8 * channel)) & 0xFF);
  };
  auto kernel = [](double d) {
    d = std::abs(d);
    if (d < 1) return 1.5 * d * d * d - 2.5 * d * d + 1;
    if (d < 2) return -0.5 * d * d * d + 2.5 * d * d - 4 * d + 2;
    return 0.0;
  };
  const auto px = static_cast<int32_t>(std::floor(x)), py = static_cast<int32_t>(std::floor(y));
  double sum = 0;
  for (int32_t j = py - 1; j <= py + 2; ++j)
    for (int32_t i = px - 1; i <= px + 2; ++i) sum += level(i, j) * kernel(x - i) * kernel(y - j);
  return std::clamp(sum, 0.0, 255.0);
}

}  // namespace

TEST(TurnQuarters, TurnsClockwiseAndFourTurnsGiveTheRasterBack) {
  const Picture picture = {"##...",  //
                           "#....", "....#"};
  for (int32_t format : {df1Bit, df8Bit, df24Bit}) {
    auto source = AsciiRaster(picture, format);
    source->SetXDpi(300);
    source->SetYDpi(200);
    auto once = TurnQuarters(*source, 1);
    EXPECT_EQ(AsciiOf(*once), (Picture{".##", "..#", "...", "...", "#.."})) << format;
    EXPECT_EQ(once->XDpi(), 200);
    EXPECT_EQ(once->YDpi(), 300);
    EXPECT_EQ(AsciiOf(*TurnQuarters(*source, 2)), (Picture{"#....", "....#", "...##"})) << format;
    EXPECT_EQ(AsciiOf(*TurnQuarters(*source, -1)), AsciiOf(*TurnQuarters(*source, 3))) << format;
    auto back = TurnQuarters(*TurnQuarters(*TurnQuarters(*once, 1), 1), 1);
    EXPECT_EQ(AsciiOf(*back), picture) << format;
  }
}

// Every pixel of a turned and scaled grid is within one level of the exact
// cubic convolution, for grey and for each colour channel, including the
// edges where the background blends in.
TEST(ResampleGrid, MatchesCubicConvolutionPixelByPixel) {
  struct Case {
    int32_t format;
    double degrees, step;
  };
  const Case cases[] = {{df8Bit, 0, 1},    {df8Bit, 3.7, 1},     {df8Bit, -12.5, 0.5},
                        {df8Bit, 33, 1.7}, {df24Bit, -4.2, 1},   {df24Bit, 181.3, 0.75},
                        {df8Bit, 90, 1},   {df24Bit, -270, 1.25}};
  for (const Case& c : cases) {
    auto source = RandomRaster(c.format, 23, 17, 7);
    const int32_t paper = c.format == df8Bit ? 200 : 0x3366CC;
    TResampleGrid grid{11.3, 7.6, c.degrees, c.step, 29, 21};
    auto out = ResampleGrid(*source, grid, paper);
    ASSERT_EQ(out->Width(), 29);
    ASSERT_EQ(out->Height(), 21);
    ASSERT_EQ(out->Format(), c.format);
    const int32_t channels = c.format == df24Bit ? 3 : 1;
    for (int32_t v = 0; v < grid.Height; ++v) {
      for (int32_t u = 0; u < grid.Width; ++u) {
        double x, y;
        GridPoint(grid, u, v, x, y);
        for (int32_t ch = 0; ch < channels; ++ch) {
          const double want = Cubic(*source, x, y, ch, paper);
          const int32_t got = (out->GetPixel(u, v) >> (8 * ch)) & 0xFF;
          ASSERT_LE(std::abs(got - want), 1.0)
              << c.degrees << " deg, step " << c.step << " at " << u << "," << v << " ch " << ch;
        }
      }
    }
  }
}

// Codes are not averaged: 1-bit pixels come from the nearest source pixel.
TEST(ResampleGrid, TakesTheNearestPixelWhereValuesAreCodes) {
  auto source = RandomRaster(df1Bit, 19, 13, 3);
  const TResampleGrid grid{9.2, 6.1, 8.5, 0.8, 25, 17};
  auto out = ResampleGrid(*source, grid, 1);
  for (int32_t v = 0; v < grid.Height; ++v) {
    for (int32_t u = 0; u < grid.Width; ++u) {
      double x, y;
      GridPoint(grid, u, v, x, y);
      const auto px = static_cast<int32_t>(std::floor(x + 0.5));
      const auto py = static_cast<int32_t>(std::floor(y + 0.5));
      const bool inside = px >= 0 && py >= 0 && px < 19 && py < 13;
      ASSERT_EQ(out->GetPixel(u, v), inside ? source->GetPixel(px, py) : 1) << u << "," << v;
    }
  }
}

TEST(RotateRaster, QuarterAnglesEqualExactTurnsAndOtherAnglesGrowTheCanvas) {
  for (int32_t format : {df8Bit, df24Bit}) {
    auto source = RandomRaster(format, 31, 12, 11);
    for (int32_t q : {1, 2, 3}) {
      auto rotated = RotateRaster(*source, 90.0 * q, 0);
      auto turned = TurnQuarters(*source, q);
      ASSERT_EQ(rotated->Width(), turned->Width());
      ASSERT_EQ(rotated->Height(), turned->Height());
      for (int32_t y = 0; y < turned->Height(); ++y)
        for (int32_t x = 0; x < turned->Width(); ++x)
          ASSERT_EQ(rotated->GetPixel(x, y), turned->GetPixel(x, y)) << q << ": " << x << "," << y;
      EXPECT_EQ(rotated->XDpi(), turned->XDpi());
    }
  }
  // 30 degrees clockwise: 31 x 12 needs ceil(31 cos + 12 sin) x ceil(31 sin + 12 cos).
  auto white = std::make_unique<TDIB>();
  white->NewImage(31, 12, df8Bit, 300, 300);
  white->FillWhite();
  auto rotated = RotateRaster(*white, 30, 0);
  EXPECT_EQ(rotated->Width(), 33);
  EXPECT_EQ(rotated->Height(), 26);
  // The corners are uncovered, the centre is the picture.
  EXPECT_EQ(rotated->GetPixel(0, 0), 0);
  EXPECT_EQ(rotated->GetPixel(32, 25), 0);
  EXPECT_EQ(rotated->GetPixel(16, 13), 255);
  // Clockwise: the source's top-left corner moves right, its top-right corner down.
  auto marked = RandomRaster(df8Bit, 31, 12, 5);
  marked->FillWhite();
  marked->SetPixel(0, 0, 0);
  marked->SetPixel(1, 0, 0);
  auto turned = RotateRaster(*marked, 30, 255);
  int32_t darkest = 255, darkX = 0, darkY = 0;
  for (int32_t y = 0; y < turned->Height(); ++y)
    for (int32_t x = 0; x < turned->Width(); ++x)
      if (turned->GetPixel(x, y) < darkest) darkest = turned->GetPixel(x, y), darkX = x, darkY = y;
  EXPECT_GT(darkX, 4);
  EXPECT_LT(darkY, 3);
}

#include "barcode/scanlines.h"

#include <algorithm>
#include <cmath>

namespace barcode {
namespace {

// Fixed-point coordinates of points between pixels: 16 bits of fraction.
constexpr int32_t kFractionBits = 16;
constexpr int64_t kOne = int64_t{1} << kFractionBits;

int64_t Fixed(double v) {
  return std::llround(v * static_cast<double>(kOne));
}

}  // namespace

TGreyPixels::TGreyPixels(const TDIB& dib) : FDib(dib), FWidth(dib.Width()), FHeight(dib.Height()) {
  if (dib.Format() == df1Bit) FBlack = dib.BlackValue();
}

int32_t TGreyPixels::Grey(int32_t x, int32_t y) const {
  switch (FDib.Format()) {
    case df1Bit:
      return GreyOf<df1Bit>(x, y);
    case df8Bit:
      return GreyOf<df8Bit>(x, y);
    default:
      return GreyOf<df24Bit>(x, y);
  }
}

TScanLines::TScanLines(const TGreyPixels& pixels, double degrees)
    : TScanLines(pixels, degrees, TRect{0, 0, pixels.Width() - 1, pixels.Height() - 1}) {}

TScanLines::TScanLines(const TGreyPixels& pixels, double degrees, const TRect& region)
    : FPixels(pixels), FDegrees(degrees) {
  const double quarters = degrees / 90;
  FOnGrid = quarters == std::floor(quarters);
  double c = 0, s = 0;
  if (FOnGrid) {
    const int32_t q = (static_cast<int32_t>(quarters) % 4 + 4) % 4;
    c = q == 0 ? 1 : q == 2 ? -1 : 0;
    s = q == 1 ? 1 : q == 3 ? -1 : 0;
  } else {
    c = std::cos(degrees * M_PI / 180);
    s = std::sin(degrees * M_PI / 180);
  }
  if (region.Right < region.Left || region.Bottom < region.Top) return;
  // The pixel centres at the region's corners, along the lines (t) and
  // across them (k).
  double tMin = 0, tMax = 0, kMin = 0, kMax = 0;
  bool first = true;
  for (const int32_t x : {region.Left, region.Right}) {
    for (const int32_t y : {region.Top, region.Bottom}) {
      const double t = x * c + y * s, k = -x * s + y * c;
      tMin = first ? t : std::min(tMin, t);
      tMax = first ? t : std::max(tMax, t);
      kMin = first ? k : std::min(kMin, k);
      kMax = first ? k : std::max(kMax, k);
      first = false;
    }
  }
  FLength = static_cast<int32_t>(std::floor(tMax - tMin + 1e-9)) + 1;
  FLines = static_cast<int32_t>(std::floor(kMax - kMin + 1e-9)) + 1;
  // Point t of line k lies at origin + t * along + k * across.
  FOriginX = Fixed(tMin * c - kMin * s);
  FOriginY = Fixed(tMin * s + kMin * c);
  FAlongX = Fixed(c);
  FAlongY = Fixed(s);
  FAcrossX = Fixed(-s);
  FAcrossY = Fixed(c);
}

TPoint TScanLines::At(int32_t k, int32_t t) const {
  const int64_t x = FOriginX + t * FAlongX + k * FAcrossX;
  const int64_t y = FOriginY + t * FAlongY + k * FAcrossY;
  // Nearest pixel: round half up in fixed point.
  return {static_cast<int32_t>((x + kOne / 2) >> kFractionBits),
          static_cast<int32_t>((y + kOne / 2) >> kFractionBits)};
}

template <TDIBFormat Format, class Visit>
void TScanLines::WalkAs(int32_t k, int32_t from, int32_t to, bool nearest, Visit visit) const {
  const int32_t w = FPixels.Width(), h = FPixels.Height();
  if (FOnGrid) {
    // Whole pixels, a whole pixel apart.
    const TPoint p = At(k, from);
    const auto dx = static_cast<int32_t>(FAlongX >> kFractionBits);
    const auto dy = static_cast<int32_t>(FAlongY >> kFractionBits);
    int32_t x = p.X, y = p.Y;
    for (int32_t t = from; t <= to; ++t, x += dx, y += dy) {
      visit(t, x >= 0 && y >= 0 && x < w && y < h && FPixels.GreyOf<Format>(x, y) < 128);
    }
    return;
  }
  int64_t x = FOriginX + from * FAlongX + k * FAcrossX;
  int64_t y = FOriginY + from * FAlongY + k * FAcrossY;
  for (int32_t t = from; t <= to; ++t, x += FAlongX, y += FAlongY) {
    if (nearest) {
      const auto px = static_cast<int32_t>((x + kOne / 2) >> kFractionBits);
      const auto py = static_cast<int32_t>((y + kOne / 2) >> kFractionBits);
      visit(t, px >= 0 && py >= 0 && px < w && py < h && FPixels.GreyOf<Format>(px, py) < 128);
      continue;
    }
    // The four pixels around the point, weighted by nearness; paper outside.
    const auto x0 = static_cast<int32_t>(x >> kFractionBits);
    const auto y0 = static_cast<int32_t>(y >> kFractionBits);
    const int64_t fx = x & (kOne - 1), fy = y & (kOne - 1);
    auto grey = [&](int32_t px, int32_t py) -> int64_t {
      return px >= 0 && py >= 0 && px < w && py < h ? FPixels.GreyOf<Format>(px, py) : 255;
    };
    const int64_t top = grey(x0, y0) * (kOne - fx) + grey(x0 + 1, y0) * fx;
    const int64_t bottom = grey(x0, y0 + 1) * (kOne - fx) + grey(x0 + 1, y0 + 1) * fx;
    const int64_t value = top * (kOne - fy) + bottom * fy;  // grey << 32
    visit(t, value < (int64_t{128} << (2 * kFractionBits)));
  }
}

template <class Visit>
void TScanLines::Walk(int32_t k, int32_t from, int32_t to, bool nearest, Visit visit) const {
  from = std::max(from, 0);
  to = std::min(to, FLength - 1);
  if (from > to) return;
  switch (FPixels.Format()) {
    case df1Bit:
      return WalkAs<df1Bit>(k, from, to, nearest, visit);
    case df8Bit:
      return WalkAs<df8Bit>(k, from, to, nearest, visit);
    default:
      return WalkAs<df24Bit>(k, from, to, nearest, visit);
  }
}

TProfile TScanLines::LineInk(int32_t k) const {
  TProfile ink(static_cast<std::size_t>(FLength), 0);
  Walk(k, 0, FLength - 1, FOnGrid, [&](int32_t t, bool dark) { ink[t] = dark ? 1 : 0; });
  return ink;
}

int32_t TScanLines::InkCount(int32_t k, int32_t from, int32_t to) const {
  int32_t n = 0;
  Walk(k, from, to, true, [&](int32_t, bool dark) { n += dark ? 1 : 0; });
  return n;
}

}  // namespace barcode

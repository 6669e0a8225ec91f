#include "image/turning.h"

#include <cmath>
#include <cstdint>

std::unique_ptr<TDIB> TurnedCopy(const TDIB& source, double degrees) {
  std::unique_ptr<TDIB> grey = source.Duplicate();
  grey->ConvertTo(df8Bit);
  const int32_t sw = grey->Width(), sh = grey->Height();
  const double quarters = degrees / 90;
  const bool quarter = quarters == std::floor(quarters);
  double c = std::cos(degrees * M_PI / 180), s = std::sin(degrees * M_PI / 180);
  if (quarter) {
    c = std::round(c);
    s = std::round(s);
  }
  const auto w = static_cast<int32_t>(std::ceil(std::abs(c) * sw + std::abs(s) * sh - 1e-9));
  const auto h = static_cast<int32_t>(std::ceil(std::abs(s) * sw + std::abs(c) * sh - 1e-9));
  auto turned = std::make_unique<TDIB>();
  turned->NewImage(w, h, df8Bit, grey->XDpi(), grey->YDpi());
  auto at = [&](int32_t x, int32_t y) -> double {
    return x >= 0 && y >= 0 && x < sw && y < sh ? grey->Row(y)[x] : 255.0;
  };
  for (int32_t y = 0; y < h; ++y) {
    std::uint8_t* row = turned->Row(y);
    for (int32_t x = 0; x < w; ++x) {
      // The pixel's centre, relative to the canvas's centre, turned back
      // (anticlockwise) onto the source.
      const double dx = x + 0.5 - w / 2.0, dy = y + 0.5 - h / 2.0;
      const double fx = c * dx + s * dy + sw / 2.0 - 0.5;
      const double fy = -s * dx + c * dy + sh / 2.0 - 0.5;
      if (quarter) {
        row[x] = static_cast<std::uint8_t>(
            at(static_cast<int32_t>(std::lround(fx)), static_cast<int32_t>(std::lround(fy))));
        continue;
      }
      const auto x0 = static_cast<int32_t>(std::floor(fx));
      const auto y0 = static_cast<int32_t>(std::floor(fy));
      const double tx = fx - x0, ty = fy - y0;
      const double v = (1 - ty) * ((1 - tx) * at(x0, y0) + tx * at(x0 + 1, y0)) +
                       ty * ((1 - tx) * at(x0, y0 + 1) + tx * at(x0 + 1, y0 + 1));
      row[x] = static_cast<std::uint8_t>(std::lround(v));
    }
  }
  return turned;
}

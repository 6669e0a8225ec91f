#include "image/turning.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "image/rotation.h"

namespace {

// A turn of a w x h picture clockwise by an angle about its centre, onto a
// canvas that holds all of it; quarter turns exactly.
struct TTurn {
  double Cos = 1, Sin = 0;
  bool Quarter = true;
  int32_t SourceWidth = 0, SourceHeight = 0;
  int32_t Width = 0, Height = 0;  // the canvas

  TTurn(double degrees, int32_t width, int32_t height) : SourceWidth(width), SourceHeight(height) {
    const double quarters = degrees / 90;
    Quarter = quarters == std::floor(quarters);
    Cos = std::cos(degrees * M_PI / 180);
    Sin = std::sin(degrees * M_PI / 180);
    if (Quarter) {
      Cos = std::round(Cos);
      Sin = std::round(Sin);
    }
    Width = static_cast<int32_t>(std::ceil(std::abs(Cos) * width + std::abs(Sin) * height - 1e-9));
    Height = static_cast<int32_t>(std::ceil(std::abs(Sin) * width + std::abs(Cos) * height - 1e-9));
  }

  // Where the centre of canvas pixel (x, y) comes from in the source,
  // turned back (anticlockwise) about the centres.
  std::pair<double, double> Source(double x, double y) const {
    const double dx = x + 0.5 - Width / 2.0, dy = y + 0.5 - Height / 2.0;
    return {Cos * dx + Sin * dy + SourceWidth / 2.0 - 0.5,
            -Sin * dx + Cos * dy + SourceHeight / 2.0 - 0.5};
  }
};

}  // namespace

std::unique_ptr<TDIB> TurnedCopy(const TDIB& source, double degrees) {
  std::unique_ptr<TDIB> grey = source.Duplicate();
  grey->ConvertTo(df8Bit);
  const int32_t sw = grey->Width(), sh = grey->Height();
  const TTurn turn(degrees, sw, sh);
  if (turn.Quarter) {
    std::unique_ptr<TDIB> turned =
        TurnQuarters(*grey, static_cast<int32_t>(std::lround(degrees / 90)));
    // The copy keeps the source's resolution, as the other angles do.
    turned->SetXDpi(grey->XDpi());
    turned->SetYDpi(grey->YDpi());
    return turned;
  }
  auto turned = std::make_unique<TDIB>();
  turned->NewImage(turn.Width, turn.Height, df8Bit, grey->XDpi(), grey->YDpi());
  auto at = [&](int32_t x, int32_t y) -> double {
    return x >= 0 && y >= 0 && x < sw && y < sh ? grey->Row(y)[x] : 255.0;
  };
  for (int32_t y = 0; y < turn.Height; ++y) {
    std::uint8_t* row = turned->Row(y);
    for (int32_t x = 0; x < turn.Width; ++x) {
      const auto [fx, fy] = turn.Source(x, y);
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

TRect RectBeforeTurn(const TRect& rect, double degrees, int32_t width, int32_t height) {
  const TTurn turn(degrees, width, height);
  double left = 0, top = 0, right = 0, bottom = 0;
  bool first = true;
  for (const int32_t x : {rect.Left, rect.Right}) {
    for (const int32_t y : {rect.Top, rect.Bottom}) {
      const auto [fx, fy] = turn.Source(x, y);
      left = first ? fx : std::min(left, fx);
      top = first ? fy : std::min(top, fy);
      right = first ? fx : std::max(right, fx);
      bottom = first ? fy : std::max(bottom, fy);
      first = false;
    }
  }
  return {static_cast<int32_t>(std::lround(left)), static_cast<int32_t>(std::lround(top)),
          static_cast<int32_t>(std::lround(right)), static_cast<int32_t>(std::lround(bottom))};
}

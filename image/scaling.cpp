// Area-averaged scaling of a rectangle into a whole target raster, keeping
// the aspect ratio and centring the picture on a white background. The OCR
// engine normalises each glyph into a 32 x 32 grey raster with it.
#include <algorithm>
#include <cstdint>

#include "image/dibunit.h"
#include "platform/rounding.h"

void TDIB::ScaleInto(const TRect& r, TDIB& target) const {
  target.FillWhite();
  const int32_t rw = r.Right - r.Left + 1;
  const int32_t rh = r.Bottom - r.Top + 1;
  const int32_t tw = target.Width();
  const int32_t th = target.Height();
  if (rw <= 0 || rh <= 0 || tw <= 0 || th <= 0 || Empty()) return;

  // Source pixels per target pixel: the larger ratio, so the whole rectangle fits.
  const double sx = static_cast<double>(rw) / tw;
  const double sy = static_cast<double>(rh) / th;
  const double s = sx > sy ? sx : sy;
  const int32_t n = platform::Round(rw / s);
  const int32_t m = platform::Round(rh / s);
  const int32_t ox = platform::Trunc((tw - n) / 2.0);
  const int32_t oy = platform::Trunc((th - m) / 2.0);

  // The last cell can reach one pixel past the rectangle (n is rounded);
  // pixels outside the raster are read as paper.
  const int32_t width = Width();
  const int32_t height = Height();
  const int32_t paper = WhiteValue();
  auto pixel = [&](int32_t x, int32_t y) {
    return x >= 0 && x < width && y >= 0 && y < height ? GetPixel(x, y) : paper;
  };
  for (int32_t u = 0; u < n; ++u) {
    const int32_t x0 = platform::Trunc(s * u);
    const int32_t x1 = platform::Trunc(s * (u + 1)) - 1;
    for (int32_t v = 0; v < m; ++v) {
      const int32_t y0 = platform::Trunc(s * v);
      const int32_t y1 = platform::Trunc(s * (v + 1)) - 1;
      int32_t value;
      if (x1 >= x0 && y1 >= y0) {
        int64_t sum = 0;
        for (int32_t y = y0; y <= y1; ++y)
          for (int32_t x = x0; x <= x1; ++x) sum += pixel(r.Left + x, r.Top + y);
        const int64_t count = int64_t{x1 - x0 + 1} * (y1 - y0 + 1);
        value = static_cast<int32_t>(
            platform::Round64(static_cast<double>(sum) / static_cast<double>(count)));
      } else {
        // Enlarging: the cell holds no whole pixel, take the one it starts in.
        value = pixel(r.Left + x0, r.Top + y0);
      }
      target.SetPixel(ox + u, oy + v, value);
    }
  }
}

// Line and box drawing, and the cleaning operations built on the raster:
// single-pixel gap filling and smoothing of bilevel glyphs (speck removal,
// which finds the specks as blobs, is in blobs.cpp).
//
// Drawing skips pixels outside the raster, so a box from a caller's blob list
// that reaches past an edge is drawn as far as it is visible.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "image/blobs.h"
#include "image/dibunit.h"
#include "platform/rounding.h"

void TDIB::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t value) {
  const int32_t width = Width();
  const int32_t height = Height();
  auto put = [&](int64_t x, int64_t y) {
    if (x >= 0 && x < width && y >= 0 && y < height) {
      SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), value);
    }
  };
  if (y1 == y2) {
    if (y1 < 0 || y1 >= height) return;
    const int32_t from = std::max(std::min(x1, x2), 0);
    const int32_t to = std::min(std::max(x1, x2), width - 1);
    for (int32_t x = from; x <= to; ++x) put(x, y1);
    return;
  }
  if (x1 == x2) {
    if (x1 < 0 || x1 >= width) return;
    const int32_t from = std::max(std::min(y1, y2), 0);
    const int32_t to = std::min(std::max(y1, y2), height - 1);
    for (int32_t y = from; y <= to; ++y) put(x1, y);
    return;
  }
  // Slanted lines are walked from the second point towards the first, one
  // step per pixel of the longer axis, with single-precision steps.
  const int64_t dx = int64_t{x1} - x2;
  const int64_t dy = int64_t{y1} - y2;
  const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
  const auto sx = static_cast<float>(static_cast<double>(dx) / static_cast<double>(n));
  const auto sy = static_cast<float>(static_cast<double>(dy) / static_cast<double>(n));
  for (int64_t i = 0; i <= n; ++i) {
    put(x2 + platform::Round64(static_cast<double>(i) * sx),
        y2 + platform::Round64(static_cast<double>(i) * sy));
  }
}

void TDIB::DrawRect(const TRect& r, int32_t value) {
  DrawLine(r.Left, r.Top, r.Right, r.Top, value);
  DrawLine(r.Left, r.Bottom, r.Right, r.Bottom, value);
  DrawLine(r.Left, r.Top, r.Left, r.Bottom, value);
  DrawLine(r.Right, r.Top, r.Right, r.Bottom, value);
}

void TDIB::FillBlackGaps() {
  FillGaps(BlackValue());
}

void TDIB::FillWhiteGaps() {
  FillGaps(WhiteValue());
}

// A pixel that differs from `value` while both its left and right (or upper
// and lower) neighbours have it takes the value. Both passes judge the
// original picture, so a filled pixel never fills another.
namespace {

// The gap rule on a 1-bit raster, eight pixels a byte. `original` is the
// picture before the fill; a bit of `same` is set where the original pixel
// has the fill value. Pixel x is bit 7 - x mod 8 of byte x div 8.
void FillBilevelGaps(TDIB& target, const TDIB& original, bool valueIsSet) {
  const int32_t width = original.Width(), height = original.Height();
  const int32_t bytes = original.RowBytes();
  auto same = [&](int32_t y, int32_t b) -> uint32_t {
    const std::uint8_t v = original.Row(y)[b];
    return valueIsSet ? v : static_cast<std::uint8_t>(~v);
  };
  // Bits of byte b that hold pixels first .. last.
  auto pixels = [](int32_t b, int32_t first, int32_t last) -> uint32_t {
    const int32_t from = std::max(first - 8 * b, 0), to = std::min(last - 8 * b, 7);
    if (from > to) return 0;
    return (0xFFu >> from) & ~(0x7Fu >> to) & 0xFFu;
  };
  for (int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = target.Row(y);
    for (int32_t b = 0; b < bytes; ++b) {
      const uint32_t here = same(y, b);
      uint32_t gaps = 0;
      if (width >= 3) {
        // The left neighbour's bit moved onto each pixel, and the right one's.
        const uint32_t left = (here >> 1 | (b > 0 ? same(y, b - 1) << 7 : 0)) & 0xFF;
        const uint32_t right = (here << 1 | (b + 1 < bytes ? same(y, b + 1) >> 7 : 0)) & 0xFF;
        gaps |= left & right & ~here & pixels(b, 1, width - 2);
      }
      if (y >= 1 && y <= height - 2) {
        gaps |= same(y - 1, b) & same(y + 1, b) & ~here & pixels(b, 0, width - 1);
      }
      if (gaps == 0) continue;
      row[b] = static_cast<std::uint8_t>(valueIsSet ? row[b] | gaps : row[b] & ~gaps);
    }
  }
}

}  // namespace

void TDIB::FillGaps(int32_t value) {
  if (Empty()) return;
  const std::unique_ptr<TDIB> original = Duplicate();
  const TDIB& k = *original;
  if (FFormat == df1Bit) {
    // A 1-bit pixel is 0 or 1: any other value is never met, so nothing fills.
    if (value == 0 || value == 1) FillBilevelGaps(*this, k, value == 1);
    return;
  }
  const int32_t width = Width();
  const int32_t height = Height();
  if (width >= 3) {
    for (int32_t x = 1; x <= width - 2; ++x) {
      for (int32_t y = 0; y < height; ++y) {
        if (k.GetPixel(x, y) != value && k.GetPixel(x - 1, y) == value &&
            k.GetPixel(x + 1, y) == value) {
          SetPixel(x, y, value);
        }
      }
    }
  }
  for (int32_t y = 1; y <= height - 2; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      if (k.GetPixel(x, y) != value && k.GetPixel(x, y - 1) == value &&
          k.GetPixel(x, y + 1) == value) {
        SetPixel(x, y, value);
      }
    }
  }
}

// Removes lone bits and fills lone holes on a 1-bit raster. A pixel is judged
// by its four neighbours as they were before this pass changed them: the row
// above and the current row come from buffers, the row below from the raster
// (not yet processed). The outermost rows and columns are never changed and
// count as 0.
void TDIB::SmoothBilevel() {
  if (FFormat != df1Bit) return;
  const int32_t width = Width();
  const int32_t height = Height();
  if (width <= 0) return;
  std::vector<std::uint8_t> above(static_cast<std::size_t>(width), 0);
  std::vector<std::uint8_t> current(static_cast<std::size_t>(width), 0);
  auto bit = [](const std::uint8_t* row, int32_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; };
  for (int32_t y = 1; y <= height - 2; ++y) {
    std::uint8_t* row = Row(y);
    const std::uint8_t* below = Row(y + 1);
    for (int32_t x = 1; x <= width - 2; ++x) current[x] = static_cast<std::uint8_t>(bit(row, x));
    for (int32_t x = 1; x <= width - 2; ++x) {
      const int32_t m = bit(below, x) + current[x - 1] + current[x + 1] + above[x];
      const auto mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
      if (current[x] == 1 && m < 2) row[x >> 3] &= static_cast<std::uint8_t>(~mask);
      if (current[x] == 0 && m > 2) row[x >> 3] |= mask;
    }
    above.swap(current);
  }
}

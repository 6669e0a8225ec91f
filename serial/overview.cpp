#include "serial/overview.h"

#include <algorithm>
#include <array>
#include <vector>

namespace serial_detail {

namespace {

// Below this a resolution is taken to be missing (as the reader's passes do).
constexpr int32_t kMinPlausibleDpi = 100;
constexpr int32_t kAssumedDpi = 200;
constexpr int32_t kOverviewDpi = 100;
// Grey level of a 24-bit pixel stored blue, green, red: 0.3 red + 0.59 green
// + 0.11 blue in 1/256ths, close enough for finding things.
int32_t Luminance(const std::uint8_t* bgr) {
  return (29 * bgr[0] + 150 * bgr[1] + 77 * bgr[2]) >> 8;
}

// Grey levels of every factor-th pixel of row y, from pixel `first` on,
// through the colour table where pixels are indices.
void SampleRow(const TDIB& picture, int32_t y, int32_t first, int32_t factor,
               const std::array<std::uint8_t, 256>& table, std::uint8_t* out, int32_t cells) {
  const std::uint8_t* row = picture.Row(y);
  switch (picture.Format()) {
    case df24Bit:
      for (int32_t c = 0, x = first; c < cells; ++c, x += factor)
        out[c] = static_cast<std::uint8_t>(Luminance(row + 3 * x));
      break;
    case df8Bit:
      for (int32_t c = 0, x = first; c < cells; ++c, x += factor) out[c] = table[row[x]];
      break;
    default:
      for (int32_t c = 0, x = first; c < cells; ++c, x += factor)
        out[c] = table[picture.GetPixel(x, y) & 0xFF];
      break;
  }
}

}  // namespace

int32_t WorkingDpi(const TDIB& picture) {
  return picture.XDpi() < kMinPlausibleDpi ? kAssumedDpi : picture.XDpi();
}

TOverview MakeOverview(const TDIB& picture) {
  TOverview o;
  const int32_t dpi = WorkingDpi(picture);
  o.Factor = std::max(1, std::min({dpi / kOverviewDpi, picture.Width(), picture.Height()}));
  o.Dpi = static_cast<double>(dpi) / o.Factor;
  const int32_t f = o.Factor;
  const int32_t w = picture.Width() / f, h = picture.Height() / f;
  o.Grey = std::make_unique<TDIB>();
  o.Grey->NewImage(w, h, df8Bit, static_cast<int32_t>(o.Dpi), static_cast<int32_t>(o.Dpi));

  std::array<std::uint8_t, 256> table{};
  for (int32_t i = 0; i < std::min(256, picture.Colours()); ++i) {
    const uint32_t e = picture.GetPaletteEntry(i);  // blue, green, red
    const std::array<std::uint8_t, 3> bgr = {static_cast<std::uint8_t>(e),
                                             static_cast<std::uint8_t>(e >> 8),
                                             static_cast<std::uint8_t>(e >> 16)};
    table[i] = static_cast<std::uint8_t>(Luminance(bgr.data()));
  }
  for (int32_t cy = 0; cy < h; ++cy)
    SampleRow(picture, cy * f + f / 2, f / 2, f, table, o.Grey->Row(cy), w);
  return o;
}

TOverview Reduced(const TOverview& overview, int32_t by) {
  TOverview r;
  by = std::max(1, std::min({by, overview.Width(), overview.Height()}));
  r.Factor = overview.Factor * by;
  r.Dpi = overview.Dpi / by;
  const int32_t w = overview.Width() / by, h = overview.Height() / by;
  r.Grey = std::make_unique<TDIB>();
  r.Grey->NewImage(w, h, df8Bit, static_cast<int32_t>(r.Dpi), static_cast<int32_t>(r.Dpi));
  std::vector<int32_t> sums(static_cast<std::size_t>(w));
  for (int32_t y = 0; y < h; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int32_t j = 0; j < by; ++j) {
      const std::uint8_t* row = overview.Grey->Row(y * by + j);
      for (int32_t x = 0; x < w; ++x, row += by)
        for (int32_t i = 0; i < by; ++i) sums[x] += row[i];
    }
    std::uint8_t* out = r.Grey->Row(y);
    for (int32_t x = 0; x < w; ++x) out[x] = static_cast<std::uint8_t>(sums[x] / (by * by));
  }
  return r;
}

}  // namespace serial_detail

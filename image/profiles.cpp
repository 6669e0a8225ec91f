// Pixel counts along rows and columns and the column profiles the barcode
// reader and the touching-character splitter measure with.
//
// Ink is black on 1-bit rasters (BlackValue), a value below 128 on 8-bit ones
// and a truncated luminance below 128 on true colour. Pixels outside the
// raster are paper: a row or rectangle reaching past an edge counts only what
// lies inside.
#include <algorithm>
#include <bit>

#include "image/dibops.h"
#include "image/dibunit.h"
#include "image/luminance.h"
#include "platform/exceptions.h"

namespace {

// Number of 1 bits among pixels x0..x1 (inclusive, x0 <= x1) of a 1-bit row,
// a byte at a time. The edge masks keep the pixels from x0 in the first byte
// (255, 127, ..., 1) and up to x1 in the last (128, 192, ..., 255).
int32_t OnesInRow(const std::uint8_t* row, int32_t x0, int32_t x1) {
  const int32_t first = x0 >> 3;
  const int32_t last = x1 >> 3;
  const auto headMask = static_cast<std::uint8_t>(0xFF >> (x0 & 7));
  const auto tailMask = static_cast<std::uint8_t>(0xFF << (7 - (x1 & 7)));
  if (first == last)
    return std::popcount(static_cast<std::uint8_t>(row[first] & headMask & tailMask));
  int32_t n = std::popcount(static_cast<std::uint8_t>(row[first] & headMask));
  for (int32_t i = first + 1; i < last; ++i) n += std::popcount(row[i]);
  return n + std::popcount(static_cast<std::uint8_t>(row[last] & tailMask));
}

int32_t BitAt(const std::uint8_t* row, int32_t x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// The rows of [top, bottom] that lie inside a raster of `height` rows.
struct RowSpan {
  int32_t first, last;
};
RowSpan RowsInside(int32_t top, int32_t bottom, int32_t height) {
  return {std::max(top, 0), std::min(bottom, height - 1)};
}

void CheckLines(const TRect& r, int32_t height) {
  if (r.Top > height - 1) throw platform::Exception("Invalid start line");
  if (r.Bottom > height - 1) throw platform::Exception("Invalid end line");
}

TProfile NewProfile(const TRect& r) {
  return TProfile(static_cast<std::size_t>(std::max(0, r.Right - r.Left + 1)), 0);
}

}  // namespace

int32_t TDIB::RowInkCount(int32_t x, int32_t y, int32_t length) const {
  if (FFormat != df1Bit && FFormat != df8Bit && FFormat != df24Bit) {
    throw platform::Exception("Unsupported bit depth...");
  }
  if (length <= 0 || y < 0 || y >= Height()) return 0;
  const int32_t x0 = std::max(x, 0);
  const auto x1 = static_cast<int32_t>(std::min<int64_t>(int64_t{x} + length - 1, Width() - 1));
  if (x0 > x1) return 0;
  const std::uint8_t* row = Row(y);
  if (FFormat == df1Bit) {
    const int32_t ones = OnesInRow(row, x0, x1);
    return BlackValue() == 1 ? ones : (x1 - x0 + 1) - ones;
  }
  int32_t n = 0;
  if (FFormat == df8Bit) {
    for (int32_t i = x0; i <= x1; ++i) n += row[i] < 128 ? 1 : 0;
  } else {
    for (int32_t i = x0; i <= x1; ++i) n += TLuminance::Trunc(row + 3 * i) < 128 ? 1 : 0;
  }
  return n;
}

int32_t TDIB::CountBitsInColumn(int32_t x, int32_t y, bool countSet, int32_t length) const {
  if (FFormat != df1Bit) {
    throw platform::Exception("This operation requires 1 bit per pixel bitmap !");
  }
  if (length <= 0 || x < 0 || x >= Width()) return 0;
  const RowSpan rows = RowsInside(
      y, static_cast<int32_t>(std::min<int64_t>(int64_t{y} + length - 1, INT32_MAX)), Height());
  int32_t ones = 0, inside = 0;
  for (int32_t j = rows.first; j <= rows.last; ++j, ++inside) ones += BitAt(Row(j), x);
  return countSet ? ones : inside - ones;
}

TProfile TDIB::ColumnInkProfile(const TRect& r) const {
  const int32_t width = Width();
  const int32_t height = Height();
  if (FFormat == df1Bit) {
    if (r.Left < 0 || r.Top < 0 || r.Right > width - 1 || r.Bottom > height - 1) {
      throw platform::Exception("Invalid rect !");
    }
    TProfile profile = NewProfile(r);
    const int32_t black = BlackValue();
    for (int32_t y = r.Top; y <= r.Bottom; ++y) {
      const std::uint8_t* row = Row(y);
      for (int32_t x = r.Left; x <= r.Right; ++x)
        profile[x - r.Left] += BitAt(row, x) == black ? 1 : 0;
    }
    return profile;
  }
  if (FFormat != df8Bit && FFormat != df24Bit) return {};  // no profile for other formats

  CheckLines(r, height);
  TProfile profile = NewProfile(r);
  const int32_t x0 = std::max(r.Left, 0);
  const int32_t x1 = std::min(r.Right, width - 1);
  const RowSpan rows = RowsInside(r.Top, r.Bottom, height);
  if (FFormat == df8Bit) {
    // Dark pixels, as RowInkCount counts them. Summing darkness in units of
    // one fully black pixel instead made a column of printed bars, which on
    // a scan are never pure black, count as far less ink than it holds.
    for (int32_t y = rows.first; y <= rows.last; ++y) {
      const std::uint8_t* row = Row(y);
      for (int32_t x = x0; x <= x1; ++x) profile[x - r.Left] += row[x] < 128 ? 1 : 0;
    }
    return profile;
  }
  for (int32_t y = rows.first; y <= rows.last; ++y) {
    const std::uint8_t* row = Row(y);
    for (int32_t x = x0; x <= x1; ++x) {
      const std::uint8_t* p = row + 3 * x;
      profile[x - r.Left] += (p[0] + p[1] + p[2]) / 3 <= 127 ? 1 : 0;
    }
  }
  return profile;
}

TProfile TDIB::ColumnCountInRange(int32_t low, int32_t high, const TRect& r) const {
  TProfile profile = NewProfile(r);
  const int32_t height = Height();
  CheckLines(r, height);
  // Pixels are read as bytes whatever the format: only bytes that hold pixels
  // of the row are read.
  const int32_t x0 = std::max(r.Left, 0);
  const int32_t x1 = std::min(r.Right, std::min(Width(), FRowBytes) - 1);
  const RowSpan rows = RowsInside(r.Top, r.Bottom, height);
  for (int32_t y = rows.first; y <= rows.last; ++y) {
    const std::uint8_t* row = Row(y);
    for (int32_t x = x0; x <= x1; ++x)
      profile[x - r.Left] += (row[x] >= low && row[x] <= high) ? 1 : 0;
  }
  return profile;
}

void FreeProfile(TProfile& profile) {
  profile.clear();
  profile.shrink_to_fit();
}

void ThresholdProfile(TProfile& profile, int32_t n, int32_t threshold, int32_t atOrBelow,
                      int32_t above) {
  const auto count =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), profile.size());
  for (std::size_t i = 0; i < count; ++i) profile[i] = profile[i] > threshold ? above : atOrBelow;
}

TProfile ProfileRuns(const TProfile& profile, int32_t n) {
  const auto count =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), profile.size());
  TProfile runs;
  std::size_t start = 0;
  for (std::size_t i = 1; i <= count; ++i) {
    if (i < count && profile[i] == profile[start]) continue;
    const auto length = static_cast<int32_t>(i - start);
    runs.push_back(profile[start] == 0 ? -length : length);
    start = i;
  }
  return runs;
}

#include "barcode/inkprofile.h"

#include "platform/exceptions.h"
#include "platform/rounding.h"

namespace barcode {

namespace {

[[noreturn]] void Unsupported() {
  throw platform::Exception("Unsupported bit depth...");
}

bool Bit(const std::uint8_t* row, int32_t x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// Rows of an 8 or 24-bit profile must lie in the raster.
void CheckRows(const TDIB& dib, int32_t top, int32_t bottom) {
  if (top > dib.Height() - 1) throw platform::Exception("Invalid start line");
  if (bottom > dib.Height() - 1) throw platform::Exception("Invalid end line");
}

}  // namespace

std::vector<int32_t> ColumnInkProfile(const TDIB& dib, int32_t left, int32_t top, int32_t right,
                                      int32_t bottom) {
  std::vector<int32_t> profile(right >= left ? right - left + 1 : 0, 0);
  switch (dib.Format()) {
    case df1Bit: {
      if (left < 0 || top < 0 || right >= dib.Width() || bottom >= dib.Height() || left > right ||
          top > bottom) {
        throw platform::Exception("Invalid rect !");
      }
      const bool black = dib.BlackValue() != 0;
      for (int32_t y = top; y <= bottom; ++y) {
        const std::uint8_t* row = dib.Row(y);
        for (int32_t x = left; x <= right; ++x) profile[x - left] += Bit(row, x) == black ? 1 : 0;
      }
      return profile;
    }
    case df8Bit: {
      CheckRows(dib, top, bottom);
      for (int32_t x = left; x <= right; ++x) {
        int64_t darkness = 0;
        for (int32_t y = top; y <= bottom; ++y) darkness += 255 - dib.Row(y)[x];
        profile[x - left] = static_cast<int32_t>(darkness / 255);
      }
      return profile;
    }
    case df24Bit: {
      CheckRows(dib, top, bottom);
      for (int32_t y = top; y <= bottom; ++y) {
        const std::uint8_t* row = dib.Row(y);
        for (int32_t x = left; x <= right; ++x) {
          const std::uint8_t* p = row + 3 * x;
          if ((p[0] + p[1] + p[2]) / 3 <= 127) ++profile[x - left];
        }
      }
      return profile;
    }
    default:
      Unsupported();
  }
}

int32_t RowInkCount(const TDIB& dib, int32_t x, int32_t y, int32_t length) {
  int32_t count = 0;
  switch (dib.Format()) {
    case df1Bit: {
      const bool black = dib.BlackValue() != 0;
      const std::uint8_t* row = dib.Row(y);
      for (int32_t i = x; i < x + length; ++i) count += Bit(row, i) == black ? 1 : 0;
      return count;
    }
    case df8Bit: {
      const std::uint8_t* row = dib.Row(y);
      for (int32_t i = x; i < x + length; ++i) count += row[i] < 128 ? 1 : 0;
      return count;
    }
    case df24Bit: {
      const std::uint8_t* row = dib.Row(y);
      for (int32_t i = x; i < x + length; ++i) {
        const std::uint8_t* p = row + 3 * i;
        const double luminance = 0.3 * p[2] + 0.59 * p[1] + 0.11 * p[0];
        count += platform::Trunc(luminance) < 128 ? 1 : 0;
      }
      return count;
    }
    default:
      Unsupported();
  }
}

void ThresholdProfile(std::vector<int32_t>& profile, int32_t threshold, int32_t atOrBelow,
                      int32_t above) {
  for (int32_t& v : profile) v = v > threshold ? above : atOrBelow;
}

std::vector<int32_t> ProfileRuns(const std::vector<int32_t>& profile) {
  std::vector<int32_t> runs;
  std::size_t i = 0;
  while (i < profile.size()) {
    std::size_t j = i;
    while (j < profile.size() && profile[j] == profile[i]) ++j;
    const auto length = static_cast<int32_t>(j - i);
    runs.push_back(profile[i] == 0 ? -length : length);
    i = j;
  }
  return runs;
}

}  // namespace barcode

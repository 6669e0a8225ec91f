// Histograms, the automatic threshold choosers and thresholding of a raster.
//
// The serial reader and the OCR engine both take Otsu's threshold; the other
// choosers are there for AutoThreshold's other methods.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "image/dibops.h"
#include "image/dibunit.h"
#include "image/luminance.h"
#include "platform/exceptions.h"
#include "platform/rounding.h"

namespace {

constexpr const char* kNeeds8Bit = "This operation requires 8 bit per pixel bitmap !";

// Iterative thresholds can swing between two levels for ever; a histogram of
// 256 levels settles long before this when it settles at all.
constexpr int32_t kMaxIterations = 256;

// Grey level of each 8-bit value as the histogram counts it: the value itself
// on an identity grey ramp, else the blue component of its table entry.
std::array<std::uint8_t, 256> GreyOfIndex(const TDIB& dib) {
  std::array<std::uint8_t, 256> grey{};
  const bool ramp = dib.IsGreyRamp();
  for (int32_t i = 0; i < 256; ++i)
    grey[i] = ramp ? static_cast<std::uint8_t>(i) : dib.FPalette[4 * i];
  return grey;
}

// Mean level of h over lo..hi, or `empty` when that range holds no pixel.
double MeanLevel(const THistogram& h, int32_t lo, int32_t hi, double empty) {
  double moment = 0;
  int64_t count = 0;
  for (int32_t i = lo; i <= hi; ++i) {
    moment += static_cast<double>(i) * static_cast<double>(h[i]);
    count += h[i];
  }
  return count == 0 ? empty : moment / static_cast<double>(count);
}

// Ones among the first n bytes at p, eight bytes at a time.
int64_t CountOnes(const std::uint8_t* p, int32_t n) {
  int64_t ones = 0;
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    ones += std::popcount(word);
  }
  for (; i < n; ++i) ones += std::popcount(p[i]);
  return ones;
}

// Counts of every byte value of `width` bytes at `row` added to `counts`.
// Four partial tables, one per byte of a 32-bit word, so that runs of equal
// bytes (paper) do not wait on the increment of the same count.
void CountBytes(const std::uint8_t* row, int32_t width,
                std::array<std::array<int64_t, 256>, 4>& counts) {
  int32_t x = 0;
  for (; x + 4 <= width; x += 4) {
    ++counts[0][row[x]];
    ++counts[1][row[x + 1]];
    ++counts[2][row[x + 2]];
    ++counts[3][row[x + 3]];
  }
  for (; x < width; ++x) ++counts[0][row[x]];
}

int64_t Total(const THistogram& h) {
  int64_t n = 0;
  for (int64_t c : h) n += c;
  return n;
}

}  // namespace

void TDIB::Histogram(THistogram& histogram) const {
  histogram.fill(0);
  if (FFormat != df1Bit && FFormat != df8Bit && FFormat != df24Bit) {
    throw platform::Exception(kNeeds8Bit);
  }
  if (Empty()) return;
  const int32_t width = Width();
  const int32_t height = Height();

  if (FFormat == df1Bit) {
    // Spare bits at the end of a row are not pixels: mask them off, since a
    // block from outside need not keep them zero.
    const int32_t spare = FRowBytes * 8 - width;
    const auto lastMask = static_cast<std::uint8_t>(0xFF << spare);
    int64_t ones = 0;
    for (int32_t y = 0; y < height && FRowBytes > 0; ++y) {
      const std::uint8_t* row = Row(y);
      ones += CountOnes(row, FRowBytes - 1);
      ones += std::popcount(static_cast<std::uint8_t>(row[FRowBytes - 1] & lastMask));
    }
    histogram[1] = ones;
    histogram[0] = int64_t{width} * height - ones;
    return;
  }
  if (FFormat == df24Bit) {
    for (int32_t y = 0; y < height; ++y) {
      const std::uint8_t* row = Row(y);
      for (int32_t x = 0; x < width; ++x) ++histogram[TLuminance::Trunc(row + 3 * x)];
    }
    return;
  }
  std::array<std::array<int64_t, 256>, 4> byIndex{};
  for (int32_t y = 0; y < height; ++y) CountBytes(Row(y), width, byIndex);
  const std::array<std::uint8_t, 256> grey = GreyOfIndex(*this);
  for (int32_t i = 0; i < 256; ++i) {
    histogram[grey[i]] += byIndex[0][i] + byIndex[1][i] + byIndex[2][i] + byIndex[3][i];
  }
}

int32_t OtsuThreshold(const THistogram& h) {
  // The total is kept in 64 bits: a 32-bit total would wrap on rasters of
  // more than 2^31 pixels and pick a meaningless level.
  const int64_t n = Total(h);
  double totalMoment = 0;
  for (int32_t i = 0; i < 256; ++i)
    totalMoment += static_cast<double>(i) * static_cast<double>(h[i]);
  if (n == 0) return 127;
  const double meanAll = totalMoment / static_cast<double>(n);

  double best = 0;
  int32_t result = 127;
  int64_t omega = 0;
  double mu = 0;
  for (int32_t t = 0; t < 256; ++t) {
    omega += h[t];
    mu += static_cast<double>(t) * static_cast<double>(h[t]);
    if (omega == 0 || omega == n) continue;
    const double x = static_cast<double>(omega) * meanAll - mu;
    const double sigma = x * (x / (static_cast<double>(omega) * static_cast<double>(n - omega)));
    if (sigma > best) {
      best = sigma;
      result = t;
    }
  }
  return result;
}

int32_t MeanThreshold(const THistogram& h) {
  const int64_t n = Total(h);
  if (n == 0) return -1;
  return platform::Round(MeanLevel(h, 0, 255, 0));
}

int32_t IterativeThreshold(const THistogram& h) {
  if (Total(h) == 0) return 127;
  int32_t t = platform::Round(MeanLevel(h, 0, 255, 0));
  for (int32_t i = 0; i < kMaxIterations; ++i) {
    const double dark = MeanLevel(h, 0, t, t);
    const double bright = MeanLevel(h, t + 1, 255, t);
    const int32_t next = platform::Round((dark + bright) / 2);
    if (next == t) break;
    t = next;
  }
  return t;
}

int32_t MeanSigmaThreshold(const THistogram& h, double k) {
  const int64_t n = Total(h);
  if (n == 0) return 0;
  const double total = static_cast<double>(n);
  double mean = 0;
  for (int32_t i = 1; i < 256; ++i) mean += i * (static_cast<double>(h[i]) / total);
  double variance = 0;
  for (int32_t i = 0; i < 256; ++i)
    variance += (i - mean) * (i - mean) * (static_cast<double>(h[i]) / total);
  return platform::Trunc(mean + k * std::sqrt(variance));
}

// The raster is cut into disjoint 2 x 2 blocks. Each block's sorted values
// give its contrast (brightest - darkest) and its mid-range; the threshold is
// the level found by bisection at which the blocks with mid-range at or below
// it hold half of the total contrast. Flat areas weigh nothing, so the level
// falls between ink and paper wherever edges are.
int32_t TDIB::QuadThreshold() const {
  if (FFormat != df1Bit && FFormat != df8Bit && FFormat != df24Bit) {
    throw platform::Exception(kNeeds8Bit);
  }
  if (Empty()) return 127;
  const std::array<std::uint8_t, 256> grey =
      FFormat == df8Bit ? GreyOfIndex(*this) : std::array<std::uint8_t, 256>{};
  auto level = [&](int32_t x, int32_t y) -> int32_t {
    if (FFormat == df24Bit) return TLuminance::Trunc(Row(y) + 3 * x);
    if (FFormat == df8Bit) return grey[Row(y)[x]];
    return GetPixel(x, y);
  };
  std::array<int64_t, 256> weight{};
  int64_t total = 0;
  for (int32_t y = 0; y + 1 < Height(); y += 2) {
    for (int32_t x = 0; x + 1 < Width(); x += 2) {
      std::array<int32_t, 4> v = {level(x, y), level(x + 1, y), level(x, y + 1),
                                  level(x + 1, y + 1)};
      std::sort(v.begin(), v.end());
      weight[(v[0] + v[3]) / 2] += v[3] - v[0];
      total += v[3] - v[0];
    }
  }
  if (total == 0) return 127;
  std::array<int64_t, 256> cumulative{};
  int64_t sum = 0;
  for (int32_t i = 0; i < 256; ++i) cumulative[i] = sum += weight[i];
  int32_t lo = 0, hi = 255;
  while (lo < hi) {
    const int32_t mid = (lo + hi) / 2;
    if (2 * cumulative[mid] >= total) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

std::uint8_t TDIB::AutoThreshold(TThresholdMethod method, bool toBilevel, std::uint8_t below,
                                 std::uint8_t above) {
  int32_t t = 127;
  THistogram h{};
  switch (method) {
    case tmOtsu:
      Histogram(h);
      t = OtsuThreshold(h);
      break;
    case tmMean:
      Histogram(h);
      t = MeanThreshold(h);
      break;
    case tmIterative:
      Histogram(h);
      t = IterativeThreshold(h);
      break;
    case tmQuad:
      t = QuadThreshold();
      break;
    case tmMeanSigma:
      Histogram(h);
      t = MeanSigmaThreshold(h, 0);
      break;
    default:
      break;
  }
  // Taken as a byte on purpose: a mean of -1 (empty raster) becomes 255.
  const auto threshold = static_cast<std::uint8_t>(t);
  ApplyThreshold(threshold, toBilevel, below, above);
  return threshold;
}

void TDIB::ApplyThreshold(std::uint8_t threshold, bool toBilevel, std::uint8_t below,
                          std::uint8_t above) {
  if (FFormat == df24Bit) ConvertTo(df8Bit);
  if (FFormat != df8Bit) throw platform::Exception(kNeeds8Bit);
  // A compare and a select per byte, which the compiler runs many bytes at a time.
  const int32_t rowBytes = FRowBytes;
  for (int32_t y = 0; y < Height(); ++y) {
    std::uint8_t* row = Row(y);
    for (int32_t x = 0; x < rowBytes; ++x) row[x] = row[x] > threshold ? above : below;
  }
  if (toBilevel) ConvertTo(df1Bit);
}

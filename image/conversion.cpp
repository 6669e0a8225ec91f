// Format conversion of a TDIB in place: ConvertTo between 1, 4, 8 and 24 bits
// and RGBToGrey. Every conversion rebuilds the block for the new layout
// (header fields, fresh colour table, rows repacked to the new stride) and
// reads the layout anew.
//
// The mappings work on stored pixel values, not on their colours, except
// 4 -> 8 bits, which averages the colour-table entry.
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

#include "image/dibunit.h"
#include "platform/exceptions.h"
#include "platform/rounding.h"

namespace {

struct TargetLayout {
  int32_t bitCount;
  int32_t colours;
};

TargetLayout LayoutOf(int32_t format) {
  switch (format) {
    case df1Bit:
      return {1, 2};
    case df4Bit:
      return {4, 16};
    case df8Bit:
      return {8, 256};
    default:
      return {24, 0};
  }
}

void WriteI32(std::uint8_t* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

void WriteGreyEntry(std::uint8_t* palette, int32_t index, std::uint8_t grey) {
  std::uint8_t* e = palette + 4 * index;
  e[0] = e[1] = e[2] = grey;
  e[3] = 0;
}

// The colour table a converted raster gets: black then white for 1 bit, grey
// 17 x i for 4 bits (so 15 is pure white), the identity ramp for 8 bits.
void WriteFreshPalette(std::uint8_t* palette, int32_t colours) {
  if (colours == 2) {
    WriteGreyEntry(palette, 0, 0);
    WriteGreyEntry(palette, 1, 255);
  } else if (colours == 16) {
    for (int32_t i = 0; i < 16; ++i) WriteGreyEntry(palette, i, static_cast<std::uint8_t>(17 * i));
  } else if (colours == 256) {
    for (int32_t i = 0; i < 256; ++i) WriteGreyEntry(palette, i, static_cast<std::uint8_t>(i));
  }
}

int32_t Bit(const std::uint8_t* row, int32_t x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
int32_t Nibble(const std::uint8_t* row, int32_t x) {
  const std::uint8_t b = row[x >> 1];
  return (x & 1) ? (b & 0x0F) : (b >> 4);
}

// Writers into a zeroed row, most significant bits first.
void PutBit(std::uint8_t* row, int32_t x) {
  row[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
}
void PutNibble(std::uint8_t* row, int32_t x, int32_t v) {
  row[x >> 1] |= static_cast<std::uint8_t>((x & 1) ? v : v << 4);
}

// Grey of a true-colour pixel as ConvertTo stores it:
// Round(single(0.3 red) + single(0.59 green) + single(0.11 blue)), each
// weighted channel rounded to single precision before the sum, halves to even.
//
// Every single-precision product below 256 is a whole multiple of 2^-27 (the
// smallest, single(0.11), lies in [1/16, 1/8), where floats step by 2^-27),
// so each channel's product is held exactly as an integer count of 2^-27,
// the sum of three is exact in 64 bits (below 2^35), and rounding that count
// to a whole number, halves to even, gives the grey the double sum would:
// a double holds such a sum exactly too.
class WeightedGrey {
 public:
  static constexpr int kFractionBits = 27;

  WeightedGrey() {
    for (int32_t i = 0; i < 256; ++i) {
      red_[i] = Fixed(static_cast<float>(0.3 * i));
      green_[i] = Fixed(static_cast<float>(0.59 * i));
      blue_[i] = Fixed(static_cast<float>(0.11 * i));
    }
  }

  // One 24-bit row (blue, green, red per pixel) into `width` grey bytes.
  void Row(const std::uint8_t* from, std::uint8_t* to, int32_t width) const {
    for (int32_t x = 0; x < width; ++x, from += 3)
      to[x] = RoundHalfEven(red_[from[2]] + green_[from[1]] + blue_[from[0]]);
  }

 private:
  static std::uint64_t Fixed(float product) {
    return static_cast<std::uint64_t>(std::ldexp(static_cast<double>(product), kFractionBits));
  }
  // Whole part of sum / 2^27, rounded to nearest with halves to even: adding
  // just under a half, plus one when the whole part is odd, carries exactly
  // when the fraction is above a half, or a half on an odd whole part.
  static std::uint8_t RoundHalfEven(std::uint64_t sum) {
    constexpr std::uint64_t kJustUnderHalf = (std::uint64_t{1} << (kFractionBits - 1)) - 1;
    const std::uint64_t odd = (sum >> kFractionBits) & 1;
    return static_cast<std::uint8_t>((sum + kJustUnderHalf + odd) >> kFractionBits);
  }

  std::array<std::uint64_t, 256> red_{}, green_{}, blue_{};
};

// Bytes > 0 become 1 bits, most significant first, eight pixels a byte.
void PackNonZeroBytes(const std::uint8_t* from, std::uint8_t* to, int32_t width) {
  int32_t x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    // Moves bit 8k (byte k's flag) to bit 63 - k, so that the top byte holds
    // byte 0's flag in its most significant bit. No two partial products
    // share a bit, so nothing carries.
    constexpr std::uint64_t kGather = 0x8040201008040201ULL;
    for (; x + 8 <= width; x += 8) {
      std::uint64_t v;
      std::memcpy(&v, from + x, 8);
      const std::uint64_t nonZero = (((v & kLow7) + kLow7) | v) & kHigh;
      to[x >> 3] = static_cast<std::uint8_t>(((nonZero >> 7) * kGather) >> 56);
    }
  }
  for (; x < width; ++x)
    if (from[x] > 0) PutBit(to, x);
}

// 1 bits become 255 and 0 bits 0, eight pixels from each source byte.
void SpreadBits(const std::uint8_t* from, std::uint8_t* to, int32_t width) {
  static const std::array<std::array<std::uint8_t, 8>, 256> kSpread = [] {
    std::array<std::array<std::uint8_t, 8>, 256> t{};
    for (int32_t b = 0; b < 256; ++b)
      for (int32_t k = 0; k < 8; ++k) t[b][k] = ((b >> (7 - k)) & 1) != 0 ? 255 : 0;
    return t;
  }();
  int32_t x = 0;
  for (; x + 8 <= width; x += 8) std::memcpy(to + x, kSpread[from[x >> 3]].data(), 8);
  for (; x < width; ++x) to[x] = Bit(from, x) != 0 ? 255 : 0;
}

// Each pixel's nibble becomes grey[nibble], two pixels from each source byte.
class NibbleSpreader {
 public:
  explicit NibbleSpreader(const std::array<std::uint8_t, 16>& grey) : grey_(grey) {
    for (int32_t b = 0; b < 256; ++b) pair_[b] = {grey[b >> 4], grey[b & 0x0F]};
  }
  void Row(const std::uint8_t* from, std::uint8_t* to, int32_t width) const {
    int32_t x = 0;
    for (; x + 2 <= width; x += 2) std::memcpy(to + x, pair_[from[x >> 1]].data(), 2);
    if (x < width) to[x] = grey_[Nibble(from, x)];
  }

 private:
  std::array<std::uint8_t, 16> grey_;
  std::array<std::array<std::uint8_t, 2>, 256> pair_{};
};

}  // namespace

template <class RowFn>
void TDIB::Repack(int32_t format, const RowFn& row) {
  const int32_t width = Width();
  const int32_t height = Height();
  const TargetLayout target = LayoutOf(format);
  const int64_t stride = ((int64_t{width} * target.bitCount + 31) / 32) * 4;
  const int64_t headerBytes = kInfoHeaderSize + 4 * target.colours;
  const int64_t size = headerBytes + height * stride;
  if (size > INT32_MAX) throw platform::Exception("Invalid image size");

  // The rows move when the block is resized: make the new rows first,
  // straight from the old ones, in the block's bottom-up order.
  const auto pixelBytes = static_cast<std::size_t>(height * stride);
  const auto rows = std::make_unique_for_overwrite<std::uint8_t[]>(pixelBytes);
  for (int32_t y = 0; y < height; ++y) {
    std::uint8_t* to = rows.get() + static_cast<std::size_t>(height - 1 - y) * stride;
    std::memset(to, 0, static_cast<std::size_t>(stride));
    row(static_cast<const std::uint8_t*>(Row(y)), to);
  }

  UnlockAll();
  try {
    platform::ResizeBlock(FHandle, static_cast<std::size_t>(size));
  } catch (...) {
    Lock();  // the block is unchanged: keep the raster usable
    ReadLayout();
    throw;
  }
  std::uint8_t* b = Lock();
  b[14] = static_cast<std::uint8_t>(target.bitCount);
  b[15] = 0;
  WriteI32(b + 20, static_cast<int32_t>(height * stride));
  WriteI32(b + 32, target.colours);
  WriteI32(b + 36, target.colours);
  WriteFreshPalette(b + kInfoHeaderSize, target.colours);
  FFileHeader.fill(0);
  ReadLayout();
  if (pixelBytes > 0) std::memcpy(FBits, rows.get(), pixelBytes);
}

void TDIB::ConvertTo(int32_t target) {
  if (target == FFormat) return;
  if (target != df1Bit && target != df4Bit && target != df8Bit && target != df24Bit) {
    throw platform::Exception("Function not available :-(");
  }
  // 15 and 16-bit words carry no known colour layout: nothing to convert from.
  if (FFormat == df15Bit || FFormat == df16Bit || Empty()) return;

  const int32_t width = Width();
  if (FFormat == df24Bit) {
    RGBToGrey(true, true, true, true);
    ConvertTo(target);  // nothing more for df8Bit
    return;
  }
  if (FFormat == df1Bit && target == df24Bit) {
    ConvertTo(df8Bit);
    ConvertTo(df24Bit);
    return;
  }

  switch (FFormat * 8 + target) {
    case df8Bit * 8 + df1Bit:
      Repack(target, [width](const std::uint8_t* from, std::uint8_t* to) {
        PackNonZeroBytes(from, to, width);
      });
      break;
    case df8Bit * 8 + df4Bit:
      Repack(target, [width](const std::uint8_t* from, std::uint8_t* to) {
        for (int32_t x = 0; x < width; ++x) PutNibble(to, x, from[x] >> 4);
      });
      break;
    case df8Bit * 8 + df24Bit:
      Repack(target, [width](const std::uint8_t* from, std::uint8_t* to) {
        for (int32_t x = 0; x < width; ++x) std::memset(to + 3 * x, from[x], 3);
      });
      break;
    case df4Bit * 8 + df1Bit:
      Repack(target, [width](const std::uint8_t* from, std::uint8_t* to) {
        for (int32_t x = 0; x < width; ++x)
          if (Nibble(from, x) != 0) PutBit(to, x);
      });
      break;
    case df4Bit * 8 + df8Bit: {
      // The one mapping by colour: the mean of the entry's three channels.
      std::array<std::uint8_t, 16> grey{};
      for (int32_t i = 0; i < 16; ++i) {
        const std::uint8_t* e = FPalette + 4 * i;
        grey[i] = static_cast<std::uint8_t>((e[0] + e[1] + e[2]) / 3);
      }
      const NibbleSpreader spread(grey);
      Repack(target, [width, &spread](const std::uint8_t* from, std::uint8_t* to) {
        spread.Row(from, to, width);
      });
      break;
    }
    case df4Bit * 8 + df24Bit:
      Repack(target, [width](const std::uint8_t* from, std::uint8_t* to) {
        for (int32_t x = 0; x < width; ++x) std::memset(to + 3 * x, 16 * Nibble(from, x), 3);
      });
      break;
    case df1Bit * 8 + df4Bit:
      Repack(target, [width](const std::uint8_t* from, std::uint8_t* to) {
        for (int32_t x = 0; x < width; ++x)
          if (Bit(from, x) != 0) PutNibble(to, x, 15);
      });
      break;
    case df1Bit * 8 + df8Bit:
      Repack(target,
             [width](const std::uint8_t* from, std::uint8_t* to) { SpreadBits(from, to, width); });
      break;
    default:
      break;
  }
}

void TDIB::RGBToGrey(bool weighted, bool red, bool green, bool blue) {
  if (FFormat != df24Bit)
    throw platform::Exception("This operation requires 24 bit per pixel bitmap !");
  const int32_t channels = int32_t{red} + int32_t{green} + int32_t{blue};
  if (channels == 0) {
    throw platform::Exception("Unable to convert RGB to Gray without one channel selected !");
  }
  const int32_t width = Width();

  if (weighted && channels == 3) {
    static const WeightedGrey w;
    Repack(df8Bit, [width](const std::uint8_t* from, std::uint8_t* to) { w.Row(from, to, width); });
    return;
  }

  // Unselected channels count as 0.
  const int32_t r = red ? 1 : 0, g = green ? 1 : 0, b = blue ? 1 : 0;
  if (!weighted) {
    // The mean depends on the channel sum alone: one rounding per possible sum.
    std::array<std::uint8_t, 3 * 255 + 1> mean{};
    for (std::size_t sum = 0; sum < mean.size(); ++sum)
      mean[sum] = static_cast<std::uint8_t>(platform::Round(static_cast<double>(sum) / channels));
    Repack(df8Bit, [=, &mean](const std::uint8_t* from, std::uint8_t* to) {
      for (int32_t x = 0; x < width; ++x, from += 3)
        to[x] = mean[r * from[2] + g * from[1] + b * from[0]];
    });
    return;
  }
  Repack(df8Bit, [=](const std::uint8_t* from, std::uint8_t* to) {
    for (int32_t x = 0; x < width; ++x) {
      const std::uint8_t* p = from + 3 * x;
      const int32_t pr = r * p[2], pg = g * p[1], pb = b * p[0];
      to[x] = static_cast<std::uint8_t>(platform::Round(0.3 * pr + 0.59 * pg + 0.11 * pb));
    }
  });
}

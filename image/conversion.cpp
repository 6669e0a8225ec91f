// Format conversion of a TDIB in place: ConvertTo between 1, 4, 8 and 24 bits
// and RGBToGrey. Every conversion rebuilds the block for the new layout
// (header fields, fresh colour table, rows repacked to the new stride) and
// reads the layout anew.
//
// The mappings work on stored pixel values, not on their colours, except
// 4 -> 8 bits, which averages the colour-table entry.
#include <array>
#include <climits>
#include <cstring>
#include <vector>

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

// Grey of a true-colour pixel as ConvertTo stores it: each weighted channel is
// rounded to single precision before the sum. One table per channel gives
// the same values as computing the products per pixel.
struct WeightedGrey {
  std::array<double, 256> red{}, green{}, blue{};
  WeightedGrey() {
    for (int32_t i = 0; i < 256; ++i) {
      red[i] = static_cast<float>(0.3 * i);
      green[i] = static_cast<float>(0.59 * i);
      blue[i] = static_cast<float>(0.11 * i);
    }
  }
};

}  // namespace

void TDIB::Repack(int32_t format,
                  const std::function<void(const std::uint8_t* from, std::uint8_t* to)>& row) {
  const int32_t width = Width();
  const int32_t height = Height();
  const TargetLayout target = LayoutOf(format);
  const int64_t stride = ((int64_t{width} * target.bitCount + 31) / 32) * 4;
  const int64_t headerBytes = kInfoHeaderSize + 4 * target.colours;
  const int64_t size = headerBytes + height * stride;
  if (size > INT32_MAX) throw platform::Exception("Invalid image size");

  // The rows move when the block is resized: keep a compact copy of them.
  const int32_t oldRowBytes = FRowBytes;
  std::vector<std::uint8_t> old(static_cast<std::size_t>(height) * oldRowBytes);
  for (int32_t y = 0; y < height && oldRowBytes > 0; ++y)
    std::memcpy(old.data() + static_cast<std::size_t>(y) * oldRowBytes, FRows[y], oldRowBytes);

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
  std::memset(b + headerBytes, 0, static_cast<std::size_t>(height * stride));
  FFileHeader.fill(0);
  ReadLayout();
  for (int32_t y = 0; y < height; ++y)
    row(old.data() + static_cast<std::size_t>(y) * oldRowBytes, FRows[y]);
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
        for (int32_t x = 0; x < width; ++x)
          if (from[x] > 0) PutBit(to, x);
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
      Repack(target, [width, grey](const std::uint8_t* from, std::uint8_t* to) {
        for (int32_t x = 0; x < width; ++x) to[x] = grey[Nibble(from, x)];
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
      Repack(target, [width](const std::uint8_t* from, std::uint8_t* to) {
        for (int32_t x = 0; x < width; ++x) to[x] = Bit(from, x) != 0 ? 255 : 0;
      });
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
    Repack(df8Bit, [width](const std::uint8_t* from, std::uint8_t* to) {
      for (int32_t x = 0; x < width; ++x) {
        const std::uint8_t* p = from + 3 * x;  // blue, green, red
        to[x] =
            static_cast<std::uint8_t>(platform::Round(w.red[p[2]] + w.green[p[1]] + w.blue[p[0]]));
      }
    });
    return;
  }

  // Unselected channels count as 0.
  const int32_t r = red ? 1 : 0, g = green ? 1 : 0, b = blue ? 1 : 0;
  Repack(df8Bit, [=](const std::uint8_t* from, std::uint8_t* to) {
    for (int32_t x = 0; x < width; ++x) {
      const std::uint8_t* p = from + 3 * x;
      const int32_t pr = r * p[2], pg = g * p[1], pb = b * p[0];
      const double grey = weighted ? 0.3 * pr + 0.59 * pg + 0.11 * pb
                                   : static_cast<double>(pr + pg + pb) / channels;
      to[x] = static_cast<std::uint8_t>(platform::Round(grey));
    }
  });
}

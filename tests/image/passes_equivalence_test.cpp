// The whole-raster passes (conversion to grey and to 1 bit, grey from true
// colour, histograms, thresholding) against the plain per-pixel code they
// replaced, kept here as the reference: every input value where the pass
// maps values (all 2^24 colours, all 256 bytes and thresholds) and random
// rasters of odd widths, so that spare bits and row padding are met too.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "image/dibunit.h"
#include "platform/rounding.h"

namespace {

using Row = std::vector<std::uint8_t>;

// ---- The reference: the per-pixel code as it was ----

std::uint8_t ReferenceWeightedGrey(int32_t red, int32_t green, int32_t blue) {
  const double r = static_cast<float>(0.3 * red);
  const double g = static_cast<float>(0.59 * green);
  const double b = static_cast<float>(0.11 * blue);
  return static_cast<std::uint8_t>(platform::Round(r + g + b));
}

// RGBToGrey with a choice of channels; `p` is blue, green, red.
std::uint8_t ReferenceGrey(const std::uint8_t* p, bool weighted, bool red, bool green, bool blue) {
  if (weighted && red && green && blue) return ReferenceWeightedGrey(p[2], p[1], p[0]);
  const int32_t channels = int32_t{red} + int32_t{green} + int32_t{blue};
  const int32_t pr = red ? p[2] : 0, pg = green ? p[1] : 0, pb = blue ? p[0] : 0;
  const double grey =
      weighted ? 0.3 * pr + 0.59 * pg + 0.11 * pb : static_cast<double>(pr + pg + pb) / channels;
  return static_cast<std::uint8_t>(platform::Round(grey));
}

int32_t Bit(const std::uint8_t* row, int32_t x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
int32_t Nibble(const std::uint8_t* row, int32_t x) {
  return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
}

// A new row of `stride` zero bytes with bit x set where `set(x)`.
template <class F>
Row PackedBits(int32_t width, int32_t stride, F set) {
  Row to(static_cast<std::size_t>(stride), 0);
  for (int32_t x = 0; x < width; ++x)
    if (set(x)) to[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
  return to;
}

// ---- Rasters ----

std::unique_ptr<TDIB> RandomRaster(int32_t width, int32_t height, int32_t format,
                                   std::mt19937& random) {
  auto dib = std::make_unique<TDIB>();
  dib->NewImage(width, height, format, 300, 300);
  // Every byte of the rows, padding and spare bits too: a block from outside
  // need not keep them zero. Grey rasters get long runs of zero as thresholded
  // ones have.
  std::uniform_int_distribution<int32_t> byte(0, 255);
  for (int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = dib->Row(y);
    for (int32_t i = 0; i < dib->Stride(); ++i) {
      const int32_t v = byte(random);
      row[i] = static_cast<std::uint8_t>(format == df8Bit && v < 96 ? 0 : v);
    }
  }
  return dib;
}

// Odd widths meet every position of the last byte and of the row padding.
constexpr std::array<int32_t, 18> kWidths = {1,  2,  3,  5,  7,  8,  9,   13,  15,
                                             16, 17, 31, 33, 63, 65, 127, 250, 1001};

// Every row of `dib`, padding included, against `expected` (top row first).
void ExpectRows(const TDIB& dib, const std::vector<Row>& expected) {
  ASSERT_EQ(dib.Height(), static_cast<int32_t>(expected.size()));
  for (int32_t y = 0; y < dib.Height(); ++y) {
    ASSERT_EQ(static_cast<std::size_t>(dib.Stride()), expected[y].size());
    ASSERT_EQ(Row(dib.Row(y), dib.Row(y) + dib.Stride()), expected[y]) << "row " << y;
  }
}

int32_t StrideOf(int32_t width, int32_t bits) {
  return (width * bits + 31) / 32 * 4;
}

}  // namespace

TEST(PassesEquivalence, GreyOfEveryTrueColour) {
  // One 256 x 256 raster per blue level: red across, green down.
  for (int32_t blue = 0; blue < 256; ++blue) {
    TDIB weighted;
    weighted.NewImage(256, 256, df24Bit, 300, 300);
    for (int32_t g = 0; g < 256; ++g) {
      std::uint8_t* row = weighted.Row(g);
      for (int32_t r = 0; r < 256; ++r) {
        row[3 * r] = static_cast<std::uint8_t>(blue);
        row[3 * r + 1] = static_cast<std::uint8_t>(g);
        row[3 * r + 2] = static_cast<std::uint8_t>(r);
      }
    }
    const std::unique_ptr<TDIB> mean = weighted.Duplicate();
    weighted.ConvertTo(df8Bit);
    mean->RGBToGrey(false, true, true, true);
    for (int32_t g = 0; g < 256; ++g) {
      const std::uint8_t* w = weighted.Row(g);
      const std::uint8_t* m = mean->Row(g);
      for (int32_t r = 0; r < 256; ++r) {
        const std::array<std::uint8_t, 3> p = {static_cast<std::uint8_t>(blue),
                                               static_cast<std::uint8_t>(g),
                                               static_cast<std::uint8_t>(r)};
        ASSERT_EQ(w[r], ReferenceWeightedGrey(r, g, blue)) << r << " " << g << " " << blue;
        ASSERT_EQ(m[r], ReferenceGrey(p.data(), false, true, true, true))
            << r << " " << g << " " << blue;
      }
    }
  }
}

TEST(PassesEquivalence, GreyOfRandomTrueColourRastersForEveryChannelChoice) {
  std::mt19937 random(24);
  for (int32_t choice = 1; choice < 16; ++choice) {
    const bool weighted = (choice & 8) != 0, red = (choice & 4) != 0, green = (choice & 2) != 0,
               blue = (choice & 1) != 0;
    if (!red && !green && !blue) continue;
    for (const int32_t width : kWidths) {
      SCOPED_TRACE(testing::Message() << "choice " << choice << " width " << width);
      const std::unique_ptr<TDIB> dib = RandomRaster(width, 3, df24Bit, random);
      std::vector<Row> expected;
      for (int32_t y = 0; y < 3; ++y) {
        Row row(static_cast<std::size_t>(StrideOf(width, 8)), 0);
        for (int32_t x = 0; x < width; ++x)
          row[x] = ReferenceGrey(dib->Row(y) + 3 * x, weighted, red, green, blue);
        expected.push_back(row);
      }
      dib->RGBToGrey(weighted, red, green, blue);
      ExpectRows(*dib, expected);
    }
  }
}

TEST(PassesEquivalence, ConversionsToGreyAndToOneBitOfRandomRasters) {
  std::mt19937 random(8);
  for (const int32_t width : kWidths) {
    SCOPED_TRACE(testing::Message() << "width " << width);
    const int32_t height = 4;
    // 8 -> 1 bit: bytes > 0 become 1.
    {
      const std::unique_ptr<TDIB> dib = RandomRaster(width, height, df8Bit, random);
      std::vector<Row> expected;
      for (int32_t y = 0; y < height; ++y) {
        const std::uint8_t* from = dib->Row(y);
        expected.push_back(
            PackedBits(width, StrideOf(width, 1), [&](int32_t x) { return from[x] > 0; }));
      }
      dib->ConvertTo(df1Bit);
      ExpectRows(*dib, expected);
    }
    // 1 -> 8 bits: 1 becomes 255, whatever the spare bits held.
    {
      const std::unique_ptr<TDIB> dib = RandomRaster(width, height, df1Bit, random);
      std::vector<Row> expected;
      for (int32_t y = 0; y < height; ++y) {
        Row row(static_cast<std::size_t>(StrideOf(width, 8)), 0);
        for (int32_t x = 0; x < width; ++x) row[x] = Bit(dib->Row(y), x) != 0 ? 255 : 0;
        expected.push_back(row);
      }
      dib->ConvertTo(df8Bit);
      ExpectRows(*dib, expected);
    }
    // 4 -> 8 bits: the mean of the nibble's colour-table entry, any table.
    {
      const std::unique_ptr<TDIB> dib = RandomRaster(width, height, df4Bit, random);
      for (int32_t i = 0; i < 16; ++i) dib->SetPaletteEntry(i, static_cast<uint32_t>(random()));
      std::vector<Row> expected;
      for (int32_t y = 0; y < height; ++y) {
        Row row(static_cast<std::size_t>(StrideOf(width, 8)), 0);
        for (int32_t x = 0; x < width; ++x) {
          const uint32_t e = dib->GetPaletteEntry(Nibble(dib->Row(y), x));
          row[x] =
              static_cast<std::uint8_t>(((e & 0xFF) + ((e >> 8) & 0xFF) + ((e >> 16) & 0xFF)) / 3);
        }
        expected.push_back(row);
      }
      dib->ConvertTo(df8Bit);
      ExpectRows(*dib, expected);
    }
  }
}

TEST(PassesEquivalence, ThresholdOfEveryByteAtEveryThreshold) {
  // Every byte value in a row of odd width, in two orders.
  const int32_t width = 263;
  TDIB source;
  source.NewImage(width, 2, df8Bit, 300, 300);
  for (int32_t x = 0; x < width; ++x) {
    source.Row(0)[x] = static_cast<std::uint8_t>(x);
    source.Row(1)[x] = static_cast<std::uint8_t>(255 - x * 7);
  }
  struct Values {
    std::uint8_t below, above;
  };
  for (const Values v :
       {Values{0, 255}, Values{255, 0}, Values{0, 1}, Values{7, 0}, Values{3, 9}}) {
    for (int32_t t = 0; t < 256; ++t) {
      SCOPED_TRACE(testing::Message() << "threshold " << t << " below " << int32_t{v.below}
                                      << " above " << int32_t{v.above});
      std::vector<Row> bytes, bits;
      for (int32_t y = 0; y < 2; ++y) {
        const std::uint8_t* from = source.Row(y);
        auto mapped = [&](int32_t x) { return from[x] > t ? v.above : v.below; };
        Row row(from, from + source.Stride());
        for (int32_t x = 0; x < width; ++x) row[x] = mapped(x);
        bytes.push_back(row);
        bits.push_back(
            PackedBits(width, StrideOf(width, 1), [&](int32_t x) { return mapped(x) > 0; }));
      }
      const std::unique_ptr<TDIB> grey = source.Duplicate();
      grey->ApplyThreshold(static_cast<std::uint8_t>(t), false, v.below, v.above);
      ExpectRows(*grey, bytes);
      const std::unique_ptr<TDIB> bilevel = source.Duplicate();
      bilevel->ApplyThreshold(static_cast<std::uint8_t>(t), true, v.below, v.above);
      ExpectRows(*bilevel, bits);
    }
  }
}

TEST(PassesEquivalence, HistogramsOfRandomRasters) {
  std::mt19937 random(1);
  for (const int32_t width : kWidths) {
    SCOPED_TRACE(testing::Message() << "width " << width);
    const int32_t height = 5;
    // 8 bits, on the grey ramp and on a table that is not one.
    const std::unique_ptr<TDIB> grey = RandomRaster(width, height, df8Bit, random);
    for (const bool ramp : {true, false}) {
      if (!ramp) grey->SetPaletteEntry(9, 0x00123456);
      THistogram expected{};
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
          const std::uint8_t v = grey->Row(y)[x];
          ++expected[ramp ? v : grey->GetPaletteEntry(v) & 0xFF];
        }
      THistogram h;
      grey->Histogram(h);
      EXPECT_EQ(h, expected) << "ramp " << ramp;
    }
    // 1 bit, with garbage in the spare bits.
    const std::unique_ptr<TDIB> bilevel = RandomRaster(width, height, df1Bit, random);
    THistogram expected{};
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) ++expected[Bit(bilevel->Row(y), x)];
    THistogram h;
    bilevel->Histogram(h);
    EXPECT_EQ(h, expected);
  }
}

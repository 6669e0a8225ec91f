#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ascii_raster.h"
#include "image/dibunit.h"
#include "platform/exceptions.h"
#include "platform/memory.h"

namespace {

int32_t I32(const std::uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// A one-row 24-bit raster from (red, green, blue) triples.
std::unique_ptr<TDIB> RgbRow(const std::vector<std::array<int32_t, 3>>& pixels) {
  auto dib = std::make_unique<TDIB>();
  dib->NewImage(static_cast<int32_t>(pixels.size()), 1, df24Bit, 150, 72);
  for (std::size_t x = 0; x < pixels.size(); ++x) {
    const auto& [r, g, b] = pixels[x];
    dib->SetPixel(static_cast<int32_t>(x), 0, r | (g << 8) | (b << 16));
  }
  return dib;
}

std::vector<int32_t> RowValues(const TDIB& dib, int32_t y = 0) {
  std::vector<int32_t> v;
  for (int32_t x = 0; x < dib.Width(); ++x) v.push_back(dib.GetPixel(x, y));
  return v;
}

template <class F>
void ExpectMessage(F&& f, const char* message) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), message);
  }
}

}  // namespace

TEST(ConvertTo, TrueColourToGreyRoundsSinglePrecisionProductsHalfToEven) {
  // Grey = Round(single(0.3 r) + single(0.59 g) + single(0.11 b)).
  auto dib = RgbRow({{255, 255, 255},
                     {255, 0, 0},   // 76.5 -> 76, ties to even
                     {0, 255, 0},   // 150.45
                     {0, 0, 255},   // 28.05
                     {0, 1, 81},    // 9.4999998 in single precision (9.5 in double)
                     {0, 4, 74},    // 10.5000002 in single precision (10.5 in double)
                     {10, 20, 30},  // 18.1
                     {0, 0, 0}});
  dib->ConvertTo(df8Bit);
  EXPECT_EQ(dib->Format(), df8Bit);
  EXPECT_EQ(RowValues(*dib), (std::vector<int32_t>{255, 76, 150, 28, 9, 11, 18, 0}));
  EXPECT_TRUE(dib->IsGreyRamp());
}

TEST(ConvertTo, RewritesTheBlockForTheNewLayout) {
  struct Case {
    int32_t from, to, bitCount, colours, stride;
  };
  // A 5 x 3 raster; strides of 1, 4, 8 and 24 bits are 4, 4, 8 and 16 bytes.
  for (const Case& c : {Case{df24Bit, df8Bit, 8, 256, 8}, Case{df24Bit, df1Bit, 1, 2, 4},
                        Case{df8Bit, df1Bit, 1, 2, 4}, Case{df8Bit, df4Bit, 4, 16, 4},
                        Case{df1Bit, df24Bit, 24, 0, 16}, Case{df4Bit, df8Bit, 8, 256, 8}}) {
    SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
    TDIB dib;
    dib.NewImage(5, 3, c.from, 150, 72);
    dib.FillWhite();  // padding bytes too: they must not survive the repacking
    dib.ConvertTo(c.to);
    const std::uint8_t* b = dib.FBlock;
    EXPECT_EQ(dib.Format(), c.to);
    EXPECT_EQ(I32(b + 0), 40);
    EXPECT_EQ(I32(b + 4), 5);
    EXPECT_EQ(I32(b + 8), 3);
    EXPECT_EQ(b[14] | (b[15] << 8), c.bitCount);
    EXPECT_EQ(I32(b + 20), 3 * c.stride);
    EXPECT_EQ(I32(b + 24), 5906);
    EXPECT_EQ(I32(b + 28), 2835);
    EXPECT_EQ(I32(b + 32), c.colours);
    EXPECT_EQ(I32(b + 36), c.colours);
    EXPECT_EQ(dib.Stride(), c.stride);
    const int32_t size = 40 + 4 * c.colours + 3 * c.stride;
    EXPECT_EQ(dib.BlockSize(), size);
    EXPECT_EQ(platform::BlockSize(dib.BlockHandle()), static_cast<std::size_t>(size));
    EXPECT_EQ(dib.FBits, dib.FBlock + 40 + 4 * c.colours);
    EXPECT_EQ(dib.FFileHeader, (std::array<std::uint8_t, 14>{}));
    EXPECT_EQ(dib.FLockCount, 1);
    // Spare bits and padding at the end of every row are zero.
    for (int32_t y = 0; y < 3; ++y) {
      const std::uint8_t* row = dib.Row(y);
      if (c.bitCount == 1) {
        EXPECT_EQ(row[0] & 0x07, 0);
      }
      if (c.bitCount == 4) {
        EXPECT_EQ(row[2] & 0x0F, 0);
      }
      for (int32_t i = dib.RowBytes(); i < c.stride; ++i) EXPECT_EQ(row[i], 0) << i;
    }
  }
}

TEST(ConvertTo, FreshColourTables) {
  TDIB bilevel;
  bilevel.NewImage(3, 1, df8Bit, 0, 0);
  bilevel.ConvertTo(df1Bit);
  EXPECT_EQ(bilevel.GetPaletteEntry(0), 0u);
  EXPECT_EQ(bilevel.GetPaletteEntry(1), 0x00FFFFFFu);

  TDIB nibbles;
  nibbles.NewImage(3, 1, df8Bit, 0, 0);
  nibbles.ConvertTo(df4Bit);
  for (int32_t i = 0; i < 16; ++i) EXPECT_EQ(nibbles.GetPaletteEntry(i), 0x010101u * 17 * i);

  TDIB grey;
  grey.NewImage(3, 1, df1Bit, 0, 0);
  grey.ConvertTo(df8Bit);
  EXPECT_TRUE(grey.IsGreyRamp());
  EXPECT_EQ(grey.GetPaletteEntry(200), 0x00C8C8C8u);
}

TEST(ConvertTo, StoredValueMappingsBetweenFormats) {
  struct Case {
    int32_t from;
    std::vector<int32_t> in;
    int32_t to;
    std::vector<int32_t> out;
  };
  const std::vector<Case> cases = {
      {df8Bit, {0, 1, 127, 255, 16, 15}, df1Bit, {0, 1, 1, 1, 1, 1}},
      {df8Bit, {0, 15, 16, 255, 128, 31}, df4Bit, {0, 0, 1, 15, 8, 1}},
      {df8Bit, {0, 7, 255}, df24Bit, {0, 0x070707, 0xFFFFFF}},
      {df4Bit, {0, 1, 15, 0, 8}, df1Bit, {0, 1, 1, 0, 1}},
      {df4Bit, {0, 1, 15, 8}, df24Bit, {0, 0x101010, 0xF0F0F0, 0x808080}},
      // NewImage's 4-bit table holds grey 16 i: the byte is that grey.
      {df4Bit, {0, 1, 15, 8}, df8Bit, {0, 16, 240, 128}},
      {df1Bit, {1, 0, 1, 1, 0, 0, 0, 0, 1}, df4Bit, {15, 0, 15, 15, 0, 0, 0, 0, 15}},
      {df1Bit, {1, 0, 1, 1, 0, 0, 0, 0, 1}, df8Bit, {255, 0, 255, 255, 0, 0, 0, 0, 255}},
      {df1Bit, {1, 0, 0, 1}, df24Bit, {0xFFFFFF, 0, 0, 0xFFFFFF}},
      {df24Bit, {0x000001, 0, 0xFFFFFF}, df1Bit, {0, 0, 1}},  // red 1 greys to 0
      {df24Bit, {0xFFFFFF, 0x0000FF, 0x101010}, df4Bit, {15, 4, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
    TDIB dib;
    dib.NewImage(static_cast<int32_t>(c.in.size()), 2, c.from, 96, 96);
    for (std::size_t x = 0; x < c.in.size(); ++x) {
      dib.SetPixel(static_cast<int32_t>(x), 0, c.in[x]);
      dib.SetPixel(static_cast<int32_t>(c.in.size() - 1 - x), 1, c.in[x]);
    }
    dib.ConvertTo(c.to);
    EXPECT_EQ(RowValues(dib, 0), c.out);
    std::vector<int32_t> reversed(c.out.rbegin(), c.out.rend());
    EXPECT_EQ(RowValues(dib, 1), reversed);
    EXPECT_EQ(dib.XDpi(), 96);
  }
}

TEST(ConvertTo, OneBitToGreyIgnoresTheColourTable) {
  // White-then-black table: pixels that show white are bit 0 and become 0.
  auto dib = AsciiRaster({"#..#"}, df1Bit, TableOrder::WhiteFirst);
  dib->ConvertTo(df8Bit);
  EXPECT_EQ(RowValues(*dib), (std::vector<int32_t>{255, 0, 0, 255}));
}

TEST(ConvertTo, FourBitToGreyAveragesTheTableEntry) {
  TDIB dib;
  dib.NewImage(2, 1, df4Bit, 0, 0);
  dib.SetPaletteEntry(3, 0x000A1432);  // red 10, green 20, blue 50: mean 26
  dib.SetPixel(0, 0, 3);
  dib.SetPixel(1, 0, 15);
  dib.ConvertTo(df8Bit);
  EXPECT_EQ(RowValues(dib), (std::vector<int32_t>{26, 240}));
}

TEST(ConvertTo, SameFormatAndUnavailableTargets) {
  TDIB dib;
  dib.NewImage(2, 2, df8Bit, 0, 0);
  const platform::BlockHandle before = dib.BlockHandle();
  dib.SetPixel(1, 1, 77);
  dib.FFileHeader[0] = 'B';
  dib.ConvertTo(df8Bit);  // nothing happens: not even the file header is touched
  EXPECT_EQ(dib.FFileHeader[0], 'B');
  EXPECT_EQ(dib.GetPixel(1, 1), 77);
  EXPECT_EQ(dib.BlockHandle(), before);

  for (int32_t target : {int32_t{df15Bit}, int32_t{df16Bit}, 0, 7, -1}) {
    ExpectMessage([&] { dib.ConvertTo(target); }, "Function not available :-(");
  }
  EXPECT_EQ(dib.Format(), df8Bit);

  TDIB words;
  words.NewImage(2, 2, df16Bit, 0, 0);
  words.SetPixel(0, 0, 0x1234);
  words.ConvertTo(df8Bit);  // 16-bit words carry no known colours: left as they are
  EXPECT_EQ(words.Format(), df16Bit);
  EXPECT_EQ(words.GetPixel(0, 0), 0x1234);

  TDIB empty;
  empty.ConvertTo(df1Bit);
  EXPECT_TRUE(empty.Empty());

  // Rasters without pixels still get the new layout.
  for (auto [w, h] : {std::pair{0, 3}, std::pair{3, 0}}) {
    TDIB none;
    none.NewImage(w, h, df24Bit, 0, 0);
    none.ConvertTo(df1Bit);
    EXPECT_EQ(none.Format(), df1Bit);
    EXPECT_EQ(none.BlockSize(), 48 + h * none.Stride());
  }
}

TEST(ConvertTo, KeepsTheLockDepthAtOneAndTheBlockOwned) {
  TDIB dib;
  dib.NewImage(7, 5, df24Bit, 0, 0);
  const std::size_t blocks = platform::LiveBlockCount();
  dib.ConvertTo(df1Bit);
  EXPECT_EQ(platform::LiveBlockCount(), blocks);
  EXPECT_EQ(platform::BlockLockCount(dib.BlockHandle()), 1);
  EXPECT_EQ(platform::BlockHandleOf(dib.FBlock), dib.BlockHandle());
}

TEST(RGBToGrey, ChannelAndWeightChoices) {
  struct Case {
    bool weighted, red, green, blue;
    std::vector<int32_t> out;
  };
  // Pixels (r, g, b): (1, 2, 2), (255, 0, 0), (1, 0, 0), (3, 0, 255).
  const std::vector<Case> cases = {
      {false, true, true, true, {2, 85, 0, 86}},    // Round(sum / 3)
      {false, true, true, false, {2, 128, 0, 2}},   // Round((r + g) / 2); 0.5 -> 0, 1.5 -> 2
      {false, false, false, true, {2, 0, 0, 255}},  // blue alone
      {true, true, false, false, {0, 76, 0, 1}},    // Round(0.3 r)
      {true, false, true, true, {1, 0, 0, 28}},     // Round(0.59 g + 0.11 b)
      {true, true, true, true, {2, 76, 0, 29}},     // the ConvertTo form
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.weighted << c.red << c.green << c.blue);
    auto dib = RgbRow({{1, 2, 2}, {255, 0, 0}, {1, 0, 0}, {3, 0, 255}});
    dib->RGBToGrey(c.weighted, c.red, c.green, c.blue);
    EXPECT_EQ(dib->Format(), df8Bit);
    EXPECT_TRUE(dib->IsGreyRamp());
    EXPECT_EQ(RowValues(*dib), c.out);
  }
}

TEST(RGBToGrey, Errors) {
  auto rgb = RgbRow({{1, 2, 3}});
  ExpectMessage([&] { rgb->RGBToGrey(true, false, false, false); },
                "Unable to convert RGB to Gray without one channel selected !");
  ExpectMessage([&] { rgb->RGBToGrey(false, false, false, false); },
                "Unable to convert RGB to Gray without one channel selected !");
  EXPECT_EQ(rgb->Format(), df24Bit);

  TDIB grey;
  grey.NewImage(1, 1, df8Bit, 0, 0);
  ExpectMessage([&] { grey.RGBToGrey(true, true, true, true); },
                "This operation requires 24 bit per pixel bitmap !");
}

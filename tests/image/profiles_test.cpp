#include <gtest/gtest.h>

#include <vector>

#include "ascii_raster.h"
#include "image/dibops.h"
#include "image/dibunit.h"
#include "platform/exceptions.h"

namespace {

template <class F>
void ExpectMessage(F&& f, const char* message) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), message);
  }
}

// 21 pixels: three bytes, the last one partly spare.
const Picture kRow = {"##.#.####..#.##.#...#", "#####################"};

int32_t InkInPicture(const std::string& row, int32_t x, int32_t n) {
  int32_t count = 0;
  for (int32_t i = x; i < x + n; ++i)
    if (i >= 0 && i < static_cast<int32_t>(row.size()) && row[i] == '#') ++count;
  return count;
}

}  // namespace

TEST(RowInkCount, BilevelCountsBlackBytewiseForEveryStartAndLength) {
  for (TableOrder order : {TableOrder::BlackFirst, TableOrder::WhiteFirst}) {
    auto dib = AsciiRaster(kRow, df1Bit, order);
    dib->Row(0)[2] |= 0x07;  // spare bits are no pixels, whatever they hold
    for (int32_t x = -3; x <= 23; ++x) {
      for (int32_t n = 0; n <= 26; ++n) {
        ASSERT_EQ(dib->RowInkCount(x, 0, n), InkInPicture(kRow[0], x, n))
            << "x " << x << " n " << n << " order " << static_cast<int>(order);
      }
    }
    EXPECT_EQ(dib->RowInkCount(0, 1, 21), 21);
    EXPECT_EQ(dib->RowInkCount(0, 2, 21), 0);  // below the raster: paper
    EXPECT_EQ(dib->RowInkCount(0, -1, 21), 0);
  }
}

TEST(RowInkCount, GreyAndTrueColourCountBelow128) {
  auto grey = GreyRaster({{0, 127, 128, 255, 3}});
  EXPECT_EQ(grey->RowInkCount(0, 0, 5), 3);
  EXPECT_EQ(grey->RowInkCount(1, 0, 2), 1);
  EXPECT_EQ(grey->RowInkCount(4, 0, 10), 1);  // clipped at the right edge

  TDIB rgb;
  rgb.NewImage(4, 1, df24Bit, 0, 0);
  rgb.SetPixel(0, 0, 0x808080);  // luminance 127.99999999999999: truncated to 127, ink
  rgb.SetPixel(1, 0, 0x818181);  // 129
  rgb.SetPixel(2, 0, 0x5AC800);  // red 0, green 200, blue 90: 127.9, ink
  rgb.SetPixel(3, 0, 0xFFFFFF);
  EXPECT_EQ(rgb.RowInkCount(0, 0, 4), 2);

  TDIB nibbles;
  nibbles.NewImage(4, 1, df4Bit, 0, 0);
  ExpectMessage([&] { nibbles.RowInkCount(0, 0, 4); }, "Unsupported bit depth...");
}

TEST(CountBitsInColumn, SetAndClearBits) {
  auto dib = AsciiRaster({"#.", "..", "#.", "##"});  // black is bit 0
  EXPECT_EQ(dib->CountBitsInColumn(0, 0, true, 4), 1);
  EXPECT_EQ(dib->CountBitsInColumn(0, 0, false, 4), 3);
  EXPECT_EQ(dib->CountBitsInColumn(1, 1, true, 3), 2);
  EXPECT_EQ(dib->CountBitsInColumn(1, 2, true, 5), 1);   // clipped at the bottom
  EXPECT_EQ(dib->CountBitsInColumn(1, 2, false, 5), 1);  // outside pixels count as neither
  EXPECT_EQ(dib->CountBitsInColumn(5, 0, true, 4), 0);

  auto grey = GreyRaster({{0}});
  ExpectMessage([&] { grey->CountBitsInColumn(0, 0, true, 1); },
                "This operation requires 1 bit per pixel bitmap !");
}

TEST(ColumnInkProfile, BilevelCountsBlackPerColumn) {
  for (TableOrder order : {TableOrder::BlackFirst, TableOrder::WhiteFirst}) {
    auto dib = AsciiRaster({"#..#.",  //
                            "##.#.",  //
                            "###.."},
                           df1Bit, order);
    EXPECT_EQ(dib->ColumnInkProfile(TRect{0, 0, 4, 2}), (TProfile{3, 2, 1, 2, 0}));
    EXPECT_EQ(dib->ColumnInkProfile(TRect{1, 1, 3, 2}), (TProfile{2, 1, 1}));
  }
  auto dib = AsciiRaster({"#.", ".#"});
  for (TRect r : {TRect{-1, 0, 1, 1}, TRect{0, -1, 1, 1}, TRect{0, 0, 2, 1}, TRect{0, 0, 1, 2}}) {
    ExpectMessage([&] { dib->ColumnInkProfile(r); }, "Invalid rect !");
  }
}

TEST(ColumnInkProfile, GreyCountsPixelsBelowHalfAndTrueColourMeans) {
  // A pixel is ink up to 127: a column of grey bar pixels counts in full,
  // however far from pure black the print is.
  auto grey = GreyRaster({{0, 127, 128, 60, 255},  //
                          {0, 127, 128, 200, 255},
                          {0, 127, 128, 90, 0}});
  EXPECT_EQ(grey->ColumnInkProfile(TRect{0, 0, 4, 2}), (TProfile{3, 3, 0, 2, 1}));
  // Columns past the right edge are paper.
  EXPECT_EQ(grey->ColumnInkProfile(TRect{3, 0, 6, 2}), (TProfile{2, 1, 0, 0}));
  // The profile is the column-wise RowInkCount.
  for (int32_t x = 0; x < 5; ++x) {
    int32_t rows = 0;
    for (int32_t y = 0; y < 3; ++y) rows += grey->RowInkCount(x, y, 1);
    EXPECT_EQ(grey->ColumnInkProfile(TRect{x, 0, x, 2}), (TProfile{rows})) << "column " << x;
  }

  // A black-and-white grey raster measures as its 1-bit form: the black
  // pixels of each column, which is also the darkness of the column in whole
  // black pixels.
  const Picture bars = {"#.##..#", "#..#.##", "#.##..."};
  auto bilevel = AsciiRaster(bars);
  auto bilevelGrey = AsciiRaster(bars, df8Bit);
  EXPECT_EQ(bilevelGrey->ColumnInkProfile(TRect{0, 0, 6, 2}),
            bilevel->ColumnInkProfile(TRect{0, 0, 6, 2}));
  EXPECT_EQ(bilevelGrey->ColumnInkProfile(TRect{0, 0, 6, 2}), (TProfile{3, 0, 2, 3, 0, 1, 2}));

  TDIB rgb;
  rgb.NewImage(3, 2, df24Bit, 0, 0);
  rgb.SetPixel(0, 0, 0x7F7F7F);  // mean 127: dark
  rgb.SetPixel(0, 1, 0x000080);  // (0 + 0 + 128) div 3 = 42: dark
  rgb.SetPixel(1, 0, 0x808080);  // 128
  rgb.SetPixel(1, 1, 0x7F8080);  // 383 div 3 = 127: dark
  rgb.SetPixel(2, 0, 0xFFFFFF);
  rgb.SetPixel(2, 1, 0xFFFFFF);
  EXPECT_EQ(rgb.ColumnInkProfile(TRect{0, 0, 2, 1}), (TProfile{2, 1, 0}));

  ExpectMessage([&] { grey->ColumnInkProfile(TRect{0, 3, 3, 3}); }, "Invalid start line");
  ExpectMessage([&] { grey->ColumnInkProfile(TRect{0, 0, 3, 3}); }, "Invalid end line");
  ExpectMessage([&] { rgb.ColumnInkProfile(TRect{0, 0, 2, 2}); }, "Invalid end line");

  TDIB nibbles;
  nibbles.NewImage(3, 2, df4Bit, 0, 0);
  EXPECT_TRUE(nibbles.ColumnInkProfile(TRect{0, 0, 2, 1}).empty());  // no profile
}

TEST(ColumnCountInRange, CountsBytesInsideTheRange) {
  auto grey = GreyRaster({{0, 50, 100, 150},  //
                          {49, 51, 100, 255},
                          {50, 50, 101, 0}});
  EXPECT_EQ(grey->ColumnCountInRange(50, 100, TRect{0, 0, 3, 2}), (TProfile{1, 3, 2, 0}));
  EXPECT_EQ(grey->ColumnCountInRange(0, 49, TRect{0, 1, 1, 2}), (TProfile{1, 0}));
  EXPECT_EQ(grey->ColumnCountInRange(0, 255, TRect{-1, -1, 4, 2}), (TProfile{0, 3, 3, 3, 3, 0}));
  ExpectMessage([&] { grey->ColumnCountInRange(0, 1, TRect{0, 3, 1, 4}); }, "Invalid start line");
  ExpectMessage([&] { grey->ColumnCountInRange(0, 1, TRect{0, 2, 1, 3}); }, "Invalid end line");
}

TEST(ThresholdProfile, RewritesTheFirstEntries) {
  TProfile p = {0, 5, 6, 7, 9};
  ThresholdProfile(p, 4, 5, -1, 1);
  EXPECT_EQ(p, (TProfile{-1, -1, 1, 1, 9}));
  ThresholdProfile(p, 10, 0, 0, 2);  // n beyond the profile stops at its end
  EXPECT_EQ(p, (TProfile{0, 0, 2, 2, 2}));
}

TEST(ProfileRuns, Table) {
  struct Case {
    TProfile p;
    int32_t n;
    TProfile runs;
  };
  for (const Case& c : std::vector<Case>{{{0, 0, 1, 1, 1, 0}, 6, {-2, 3, -1}},
                                         {{5}, 1, {1}},
                                         {{0}, 1, {-1}},
                                         {{3, 3, 0, 7, 7, 7}, 4, {2, -1, 1}},
                                         {{2, 2, 2}, 3, {3}},
                                         {{1, 2, 3}, 0, {}},
                                         {{0, 0}, 5, {-2}}}) {
    EXPECT_EQ(ProfileRuns(c.p, c.n), c.runs);
  }
}

TEST(FreeProfile, ReleasesTheEntries) {
  TProfile p(100, 1);
  FreeProfile(p);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(p.capacity(), 0u);
}

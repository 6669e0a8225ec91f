#include <gtest/gtest.h>

#include "barcode/sweep.h"
#include "image/dibunit.h"
#include "runs.h"

namespace {

using barcode_test::Code39;
using barcode_test::Reading;
using barcode_test::Runs;

constexpr TBarCodeTypes kCode39Only = BarCodeBit(bcCode39);

// A white 8-bit image with a run list drawn as black bars from column x over
// rows top .. bottom.
struct TestImage {
  TDIB dib;

  TestImage(int32_t width, int32_t height, int32_t dpi = 0, TDIBFormat format = df8Bit) {
    dib.NewImage(width, height, format, dpi, dpi);
    if (format == df1Bit) {
      dib.Fill(0xFF);  // entry 1 is white
    } else {
      dib.FillWhite();
    }
  }

  // Returns the column after the last run.
  int32_t Draw(int32_t x, const std::vector<int32_t>& runs, int32_t top, int32_t bottom) {
    for (int32_t run : runs) {
      const int32_t w = run > 0 ? run : -run;
      if (run > 0) {
        for (int32_t y = top; y <= bottom; ++y) {
          for (int32_t i = x; i < x + w; ++i) dib.SetPixel(i, y, dib.BlackValue());
        }
      }
      x += w;
    }
    return x;
  }

  platform::BlockHandle Block() const { return dib.BlockHandle(); }
};

std::vector<int32_t> Code39Runs(const std::string& text) {
  return Runs(Code39(text));
}

TEST(ZAzudivozUDA, Defaults) {
  const ZAzudivozUDA reader;
  EXPECT_EQ(reader.MinCodeLen, 3);
  EXPECT_EQ(reader.MaxCodeLen, 15);
  EXPECT_EQ(reader.ExpectedCodes, 4);
  EXPECT_EQ(reader.VirtualLaserSize, 3);
  EXPECT_EQ(reader.VirtualLaserStep, 32);
  EXPECT_EQ(reader.CodeTypes, 0x1FFFFu);
  EXPECT_EQ(reader.CodeTypes & BarCodeBit(bcCode93), 0u);
  EXPECT_EQ(reader.Quality, bqNormal);
  EXPECT_FALSE(reader.VerifyCheckDigit);
  EXPECT_FALSE(reader.OnScanning);
  EXPECT_EQ(reader.CodeCount(), 0);
  EXPECT_EQ(reader.GetCode(0), TBarCodeResult{});
}

TEST(ZAzudivozUDA, OutOfRangeParametersAreCorrectedAndKept) {
  struct Case {
    int32_t expected, min, max, size, step;
    int32_t wantExpected, wantMin, wantMax, wantSize, wantStep;
  };
  TestImage image(10, 10);
  for (const Case& c : std::vector<Case>{
           {0, 0, 0, 0, 0, 1, 1, 1, 1, 1},
           {-5, -3, -9, -1, -7, 1, 1, 1, 1, 1},
           {2, 9, 4, 3, 8, 2, 9, 9, 3, 8},  // maximum raised to the minimum
           {7, 2, 20, 5, 1, 7, 2, 20, 5, 1},
       }) {
    ZAzudivozUDA reader;
    reader.ExpectedCodes = c.expected;
    reader.MinCodeLen = c.min;
    reader.MaxCodeLen = c.max;
    reader.VirtualLaserSize = c.size;
    reader.VirtualLaserStep = c.step;
    reader.ReadBarcodes(image.Block());
    EXPECT_EQ(reader.ExpectedCodes, c.wantExpected);
    EXPECT_EQ(reader.MinCodeLen, c.wantMin);
    EXPECT_EQ(reader.MaxCodeLen, c.wantMax);
    EXPECT_EQ(reader.VirtualLaserSize, c.wantSize);
    EXPECT_EQ(reader.VirtualLaserStep, c.wantStep);
  }
}

TEST(BandThreshold, RoundsHalvesToEven) {
  struct Case {
    int32_t size;
    TBarCodeQuality quality;
    int32_t threshold;
  };
  for (const Case& c : std::vector<Case>{
           {3, bqNormal, 2},  // 1.5
           {5, bqNormal, 2},  // 2.5
           {1, bqNormal, 0},  // 0.5
           {3, bqDark, 1},    // 1.05
           {10, bqDark, 4},   // 3.5
           {3, bqLight, 2},   // 1.95
           {10, bqLight, 6},  // 6.5
           {20, bqNormal, 10},
       }) {
    EXPECT_EQ(barcode::BandThreshold(c.size, c.quality), c.threshold)
        << c.size << " " << static_cast<int>(c.quality);
  }
}

// A Code 39 "ABC" drawn over rows 0 .. height - 1 with `left` and `right`
// columns of white around it.
struct Framed {
  int32_t left, right, dpi;
  bool found;
};

TEST(ZAzudivozUDA, QuietZonesComeFromTheResolution) {
  const auto runs = Code39Runs("ABC");
  for (const Framed& f : std::vector<Framed>{
           // 100 dpi: a quarter inch is 25 columns, and a quiet zone must be wider
           {25, 40, 100, false},
           {26, 40, 100, true},
           {40, 25, 100, false},
           {40, 26, 100, true},
           // no resolution: 18 columns
           {18, 30, 0, false},
           {19, 19, 0, true},
           // bars from the first column have no quiet zone on the left
           {0, 40, 0, false},
       }) {
    int32_t width = f.left;
    for (int32_t r : runs) width += r > 0 ? r : -r;
    TestImage image(width + f.right, 8, f.dpi);
    image.Draw(f.left, runs, 0, 7);
    ZAzudivozUDA reader;
    reader.CodeTypes = kCode39Only;
    EXPECT_EQ(reader.ReadBarcodes(image.Block()), f.found ? 1 : 0)
        << f.left << " " << f.right << " " << f.dpi;
    if (f.found) {
      EXPECT_EQ(reader.GetCode(0).Text, "ABC");
    }
  }
}

TEST(ZAzudivozUDA, ImagesNoTallerThanTheBandAreNotScanned) {
  const auto runs = Code39Runs("ABC");
  for (int32_t height : {3, 4}) {
    TestImage image(300, height);
    image.Draw(30, runs, 0, height - 1);
    ZAzudivozUDA reader;
    reader.CodeTypes = kCode39Only;
    std::vector<int32_t> bands;
    reader.OnScanning = [&](ZAzudivozUDA& sender, int32_t y) {
      EXPECT_EQ(&sender, &reader);
      bands.push_back(y);
    };
    EXPECT_EQ(reader.ReadBarcodes(image.Block()), height == 3 ? 0 : 1);
    EXPECT_EQ(bands, height == 3 ? std::vector<int32_t>{} : std::vector<int32_t>{0});
  }
}

TEST(ZAzudivozUDA, ResultRectangleSpansTheInkyRowsAroundTheBand) {
  const auto runs = Code39Runs("ABC");
  TestImage image(300, 40);
  const int32_t end = image.Draw(30, runs, 10, 29);
  ZAzudivozUDA reader;
  reader.CodeTypes = kCode39Only;
  reader.VirtualLaserStep = 16;  // bands at 0, 16 and 32
  ASSERT_EQ(reader.ReadBarcodes(image.Block()), 1);
  const TBarCodeResult r = reader.GetCode(0);
  EXPECT_EQ(r.Text, "ABC");
  EXPECT_FALSE(r.Checked);
  EXPECT_EQ(r.CodeType, bcCode39);
  // right: the closing quiet zone's first column; top and bottom: the first
  // rows above and below that fall to a third of the band row's ink
  EXPECT_EQ(r.Rect, (TRect{30, 9, end, 30}));
}

TEST(ZAzudivozUDA, BarsDownToTheLastRowGiveABottomBelowTheImage) {
  TestImage image(300, 20);
  const int32_t end = image.Draw(30, Code39Runs("ABC"), 0, 19);
  ZAzudivozUDA reader;
  reader.CodeTypes = kCode39Only;
  ASSERT_EQ(reader.ReadBarcodes(image.Block()), 1);
  EXPECT_EQ(reader.GetCode(0).Rect, (TRect{30, 0, end, 20}));
}

TEST(ZAzudivozUDA, EveryPixelFormatWithADarkMeaningReads) {
  for (TDIBFormat format : {df1Bit, df8Bit, df24Bit}) {
    TestImage image(300, 10, 0, format);
    image.Draw(30, Code39Runs("A1B"), 0, 9);
    ZAzudivozUDA reader;
    reader.CodeTypes = kCode39Only;
    EXPECT_EQ(reader.ReadBarcodes(image.Block()), 1) << static_cast<int>(format);
    EXPECT_EQ(reader.GetCode(0).Text, "A1B");
  }
}

TEST(ZAzudivozUDA, OtherPixelFormatsFail) {
  for (TDIBFormat format : {df4Bit, df16Bit}) {
    TestImage image(50, 10, 0, format);
    ZAzudivozUDA reader;
    try {
      reader.ReadBarcodes(image.Block());
      ADD_FAILURE() << static_cast<int>(format);
    } catch (const platform::Exception& e) {
      EXPECT_STREQ(e.what(), "Unsupported bit depth...");
    }
  }
}

TEST(ZAzudivozUDA, TheCallerKeepsItsBlock) {
  const std::size_t before = platform::LiveBlockCount();
  {
    TestImage image(300, 10);
    image.Draw(30, Code39Runs("ABC"), 0, 9);
    ZAzudivozUDA reader;
    EXPECT_EQ(reader.ReadBarcodes(image.Block()), 1);
    EXPECT_EQ(platform::BlockLockCount(image.Block()), 1);  // the image's own lock
    EXPECT_EQ(reader.ReadBarcodes(image.Block()), 1);       // and it can be read again
  }
  EXPECT_EQ(platform::LiveBlockCount(), before);
}

TEST(ZAzudivozUDA, EveryCallStartsAfresh) {
  TestImage withCode(300, 10);
  withCode.Draw(30, Code39Runs("ABC"), 0, 9);
  TestImage blank(300, 10);
  ZAzudivozUDA reader;
  ASSERT_EQ(reader.ReadBarcodes(withCode.Block()), 1);
  EXPECT_EQ(reader.ReadBarcodes(blank.Block()), 0);
  EXPECT_EQ(reader.CodeCount(), 0);
  EXPECT_EQ(reader.GetCode(0), TBarCodeResult{});
}

// Two Code 39 symbols side by side, bars over every row of a 100-row image
// scanned in ten bands (rows 0, 10, ..., 90).
struct TwoCodes {
  TestImage image{700, 100};
  TwoCodes(const std::string& first, const std::string& second) {
    const int32_t x = image.Draw(30, Code39Runs(first), 0, 99);
    image.Draw(x + 40, Code39Runs(second), 0, 99);
  }
};

TEST(ZAzudivozUDA, VerifiedCodesEndTheSweepEarly) {
  struct Case {
    std::string first, second;
    int32_t expected;
    std::vector<std::string> texts;
    int32_t bands;
  };
  for (const Case& c : std::vector<Case>{
           // both verified ("AA", "1236"): the second band sees two verified codes
           {"AA", "1236", 2, {"AA", "1236"}, 2},
           {"AA", "1236", 1, {"AA"}, 2},
           // one unverified: the sweep visits every band, but decodes nothing
           // more once the expected count is held
           {"AB", "1236", 1, {"AB"}, 10},
           {"AB", "1236", 2, {"AB", "1236"}, 10},
           {"AB", "1236", 4, {"AB", "1236"}, 10},
       }) {
    TwoCodes codes(c.first, c.second);
    ZAzudivozUDA reader;
    reader.CodeTypes = kCode39Only;
    reader.MinCodeLen = 1;
    reader.ExpectedCodes = c.expected;
    reader.VirtualLaserStep = 10;
    int32_t bands = 0;
    reader.OnScanning = [&](ZAzudivozUDA&, int32_t y) { EXPECT_EQ(y, 10 * bands++); };
    const int32_t count = reader.ReadBarcodes(codes.image.Block());
    ASSERT_EQ(count, static_cast<int32_t>(c.texts.size())) << c.first << " " << c.expected;
    for (int32_t i = 0; i < count; ++i) EXPECT_EQ(reader.GetCode(i).Text, c.texts[i]);
    EXPECT_EQ(bands, c.bands) << c.first << " " << c.expected;
  }
}

TEST(ZAzudivozUDA, GetCodeOutsideTheResultsGivesResultZero) {
  TwoCodes codes("AB", "CD");
  ZAzudivozUDA reader;
  reader.CodeTypes = kCode39Only;
  reader.MinCodeLen = 2;
  ASSERT_EQ(reader.ReadBarcodes(codes.image.Block()), 2);
  for (int32_t index : {2, -1, 1024, 5000}) EXPECT_EQ(reader.GetCode(index).Text, "AB") << index;
  EXPECT_EQ(reader.GetCode(1).Text, "CD");
}

TEST(MergeReading, SameCodeInOverlappingBandsIsKeptOnceAtItsBest) {
  const TRect a{10, 0, 100, 20};
  const TRect overlapping{50, 19, 120, 40};
  const TRect touching{100, 0, 200, 20};  // right edges are exclusive
  struct Case {
    TBarCodeResult held, reading;
    std::vector<TBarCodeResult> want;
  };
  const auto r = Reading;
  for (const Case& c : std::vector<Case>{
           // longer of two equally verified readings wins
           {r(bcCode39, "AB", false, a),
            r(bcCode39, "ABC", false, overlapping),
            {r(bcCode39, "ABC", false, overlapping)}},
           {r(bcCode39, "ABC", true, a),
            r(bcCode39, "AB", true, overlapping),
            {r(bcCode39, "ABC", true, a)}},
           {r(bcCode39, "ABC", false, a),
            r(bcCode39, "XYZ", false, overlapping),
            {r(bcCode39, "ABC", false, a)}},
           // verified replaces unverified even when shorter, never the reverse
           {r(bcCode39, "ABCD", false, a),
            r(bcCode39, "AB", true, overlapping),
            {r(bcCode39, "AB", true, overlapping)}},
           {r(bcCode39, "AB", true, a),
            r(bcCode39, "ABCD", false, overlapping),
            {r(bcCode39, "AB", true, a)}},
           // other symbology or no overlap: a code of its own
           {r(bcCode39, "AB", false, a),
            r(bcCodaBar, "A1B", false, a),
            {r(bcCode39, "AB", false, a), r(bcCodaBar, "A1B", false, a)}},
           {r(bcCode39, "AB", false, a),
            r(bcCode39, "ABC", false, touching),
            {r(bcCode39, "AB", false, a), r(bcCode39, "ABC", false, touching)}},
       }) {
    std::array<TBarCodeResult, 4> store{};
    store[0] = c.held;
    int32_t count = 1;
    barcode::MergeReading(store, count, c.reading);
    ASSERT_EQ(count, static_cast<int32_t>(c.want.size())) << c.reading.Text;
    for (int32_t i = 0; i < count; ++i) EXPECT_EQ(store[i], c.want[i]) << c.reading.Text;
  }
}

TEST(MergeReading, OneReadingCanImproveSeveralHeldCodes) {
  std::array<TBarCodeResult, 4> store{};
  store[0] = Reading(bcMSI, "12", false, {0, 0, 50, 10});
  store[1] = Reading(bcMSI, "34", false, {40, 0, 90, 10});
  int32_t count = 2;
  const TBarCodeResult wide = Reading(bcMSI, "12345", false, {0, 0, 90, 10});
  barcode::MergeReading(store, count, wide);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(store[0], wide);
  EXPECT_EQ(store[1], wide);
}

TEST(MergeReading, AFullStoreDropsNewCodes) {
  std::array<TBarCodeResult, 2> store{};
  int32_t count = 0;
  for (int32_t i = 0; i < 3; ++i) {
    barcode::MergeReading(store, count, Reading(bcMSI, "1", false, {i * 10, 0, i * 10 + 5, 5}));
  }
  EXPECT_EQ(count, 2);
  EXPECT_EQ(store[1].Rect.Left, 10);
}

}  // namespace

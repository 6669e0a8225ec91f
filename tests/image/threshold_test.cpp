#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "ascii_raster.h"
#include "image/dibops.h"
#include "image/dibunit.h"
#include "platform/exceptions.h"

namespace {

THistogram Hist(const std::map<int32_t, int64_t>& counts) {
  THistogram h{};
  for (const auto& [level, n] : counts) h[level] = n;
  return h;
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

TEST(Histogram, BilevelCountsOnesAndTheRest) {
  auto dib = AsciiRaster({"#.#.#.#.#.",  // black is bit 0 in the standard table
                          "##########"});
  // A block from outside may leave garbage in the spare bits of a row.
  dib->Row(0)[1] |= 0x3F;
  THistogram h;
  dib->Histogram(h);
  EXPECT_EQ(h[1], 5);
  EXPECT_EQ(h[0], 15);
  EXPECT_EQ(h[2], 0);
}

TEST(Histogram, GreyTrueColourAndPalettedGrey) {
  auto grey = GreyRaster({{0, 7, 7, 255}});
  THistogram h;
  grey->Histogram(h);
  EXPECT_EQ(h[0], 1);
  EXPECT_EQ(h[7], 2);
  EXPECT_EQ(h[255], 1);

  // Not a grey ramp: the blue component of the table entry is counted.
  grey->SetPaletteEntry(7, 0x00FF0040);  // red 255, blue 0x40
  grey->Histogram(h);
  EXPECT_EQ(h[7], 0);
  EXPECT_EQ(h[0x40], 2);

  TDIB rgb;
  rgb.NewImage(3, 1, df24Bit, 0, 0);
  rgb.SetPixel(0, 0, 0x0000FF);  // red 255: luminance 76.5, truncated
  rgb.SetPixel(1, 0, 0xFFFFFF);
  rgb.SetPixel(2, 0, 0x010101);  // 0.3 + 0.59 + 0.11 sums to just under 1 in doubles
  rgb.Histogram(h);
  EXPECT_EQ(h[76], 1);
  EXPECT_EQ(h[255], 1);
  EXPECT_EQ(h[0], 1);
}

TEST(Histogram, OtherFormatsAreRefused) {
  for (int32_t format : {int32_t{df4Bit}, int32_t{df15Bit}, int32_t{df16Bit}}) {
    TDIB dib;
    dib.NewImage(2, 2, format, 0, 0);
    THistogram h;
    ExpectMessage([&] { dib.Histogram(h); }, "This operation requires 8 bit per pixel bitmap !");
  }
}

TEST(OtsuThreshold, Table) {
  struct Case {
    std::map<int32_t, int64_t> counts;
    int32_t expected;
  };
  const std::vector<Case> cases = {
      {{}, 127},                  // empty
      {{{42, 1000}}, 127},        // one level
      {{{10, 5}, {200, 5}}, 10},  // every cut between is as good: the first wins
      {{{10, 5}, {200, 50}}, 10},
      {{{20, 10}, {30, 10}, {220, 30}, {230, 30}}, 30},
      {{{0, 1}, {1, 1}, {2, 1}, {3, 1}}, 1},              // splits the ramp in half
      {{{100, 3000000000LL}, {160, 1000000000LL}}, 100},  // totals beyond 32 bits
  };
  for (const Case& c : cases) EXPECT_EQ(OtsuThreshold(Hist(c.counts)), c.expected);
}

TEST(OtherThresholds, Table) {
  EXPECT_EQ(MeanThreshold(Hist({})), -1);
  EXPECT_EQ(MeanThreshold(Hist({{10, 1}, {21, 1}})), 16);  // 15.5 -> 16
  EXPECT_EQ(MeanThreshold(Hist({{10, 1}, {19, 1}})), 14);  // 14.5 -> 14

  EXPECT_EQ(IterativeThreshold(Hist({})), 127);
  // Mean 65; classes 0..65 and 66..255 have means 20 and 200: midpoint 110,
  // which leaves the classes as they are.
  EXPECT_EQ(IterativeThreshold(Hist({{20, 3}, {200, 1}})), 110);
  EXPECT_EQ(IterativeThreshold(Hist({{50, 1}})), 50);

  EXPECT_EQ(MeanSigmaThreshold(Hist({}), 0), 0);
  EXPECT_EQ(MeanSigmaThreshold(Hist({{0, 1}, {2, 1}}), 0), 1);
  EXPECT_EQ(MeanSigmaThreshold(Hist({{0, 1}, {2, 1}}), 1), 2);
  EXPECT_EQ(MeanSigmaThreshold(Hist({{0, 1}, {2, 1}}), 0.5), 1);
  EXPECT_EQ(MeanSigmaThreshold(Hist({{10, 1}, {20, 3}}), 0), 17);  // 17.5 cut
}

TEST(ApplyThreshold, BytesAboveTheThresholdTakeTheSecondValue) {
  auto dib = GreyRaster({{0, 127, 128, 129, 255}});
  dib->ApplyThreshold(128, false, 10, 200);
  EXPECT_EQ(dib->Format(), df8Bit);
  for (auto [x, v] :
       std::vector<std::pair<int32_t, int32_t>>{{0, 10}, {1, 10}, {2, 10}, {3, 200}, {4, 200}})
    EXPECT_EQ(dib->GetPixel(x, 0), v) << x;
  EXPECT_TRUE(dib->IsGreyRamp());

  auto bilevel = GreyRaster({{0, 127, 128, 129, 255}});
  bilevel->ApplyThreshold(128, true, 0, 255);
  EXPECT_EQ(bilevel->Format(), df1Bit);
  EXPECT_EQ(AsciiOf(*bilevel), (Picture{"###.."}));
}

TEST(ApplyThreshold, ConvertsTrueColourFirstAndRefusesOtherFormats) {
  TDIB rgb;
  rgb.NewImage(2, 1, df24Bit, 0, 0);
  rgb.SetPixel(0, 0, 0x0000FF);  // grey 76
  rgb.SetPixel(1, 0, 0x00FF00);  // grey 150
  rgb.ApplyThreshold(100, true, 0, 255);
  EXPECT_EQ(AsciiOf(rgb), (Picture{"#."}));

  for (int32_t format : {int32_t{df1Bit}, int32_t{df4Bit}, int32_t{df16Bit}}) {
    TDIB dib;
    dib.NewImage(2, 2, format, 0, 0);
    ExpectMessage([&] { dib.ApplyThreshold(1, false, 0, 255); },
                  "This operation requires 8 bit per pixel bitmap !");
  }
}

TEST(AutoThreshold, ChoosesThenBinarises) {
  struct Case {
    TThresholdMethod method;
    std::uint8_t expected;
  };
  // Grey 20 ink on 220 paper, 2 x 2 blocks: half of them straddle an edge.
  const std::vector<std::vector<int32_t>> picture = {{20, 20, 220, 220, 220, 220},
                                                     {20, 20, 220, 220, 220, 220},
                                                     {20, 220, 220, 220, 20, 220},
                                                     {220, 220, 220, 220, 20, 220}};
  // Histogram: 7 x 20, 17 x 220, mean 161.7. The two straddling blocks have
  // mid-range 120.
  for (const Case& c :
       {Case{tmOtsu, 20}, Case{tmMean, 162}, Case{tmIterative, 120}, Case{tmQuad, 120},
        Case{tmMeanSigma, 161}, Case{static_cast<TThresholdMethod>(9), 127}}) {
    SCOPED_TRACE(static_cast<int>(c.method));
    auto dib = GreyRaster(picture);
    EXPECT_EQ(dib->AutoThreshold(c.method, true, 0, 255), c.expected);
    EXPECT_EQ(AsciiOf(*dib), (Picture{"##....", "##....", "#...#.", "....#."}));
  }
}

TEST(AutoThreshold, TakesTheHistogramBeforeConvertingTrueColour) {
  TDIB rgb;
  rgb.NewImage(4, 1, df24Bit, 0, 0);
  for (int32_t x = 0; x < 4; ++x) rgb.SetPixel(x, 0, x < 2 ? 0x0000FF : 0xFFFFFF);
  // Red 255 is counted at 76 (luminance 76.5, truncated); its stored grey,
  // Round(76.5) = 76, falls in the dark class.
  EXPECT_EQ(rgb.AutoThreshold(tmOtsu, false, 0, 255), 76);
  EXPECT_EQ(rgb.Format(), df8Bit);
  EXPECT_EQ(rgb.GetPixel(0, 0), 0);
  EXPECT_EQ(rgb.GetPixel(3, 0), 255);
}

TEST(QuadThreshold, FlatOrTinyRastersGive127) {
  EXPECT_EQ(GreyRaster({{5, 5}, {5, 5}})->QuadThreshold(), 127);
  EXPECT_EQ(GreyRaster({{0, 255, 0}})->QuadThreshold(), 127);  // no whole 2 x 2 block
  TDIB empty;
  EXPECT_EQ(empty.QuadThreshold(), 127);
}

// Labelling, spot removal, hole filling and non-text marking on small rasters.
#include <gtest/gtest.h>

#include "classifier/primitives.h"
#include "ocr/components.h"
#include "ocr_test_util.h"

namespace {

using ocrtest::Art;
using ocrtest::AttachWorkingRaster;
using ocrtest::Box;
using ocrtest::Boxes;
using ocrtest::BoxOf;
using ocrtest::Canvas;
using ocrtest::InkAt;

TEST(EngineLabelling, RecordsFollowTheSeedsInRasterOrderWithTheirBoxes) {
  TOmnifontOCR engine;
  AttachWorkingRaster(engine, Art{
                                  "......##",
                                  ".##...##",
                                  ".#......",
                                  "...#....",
                                  "....#...",
                              });
  LabelComponents(engine);
  // The right-hand blob starts on the top row, so it comes first; the
  // diagonal pair is one 8-connected component.
  EXPECT_EQ(Boxes(engine), (std::vector<Box>{{6, 0, 7, 1}, {1, 1, 2, 2}, {3, 3, 4, 4}}));
  ASSERT_EQ(engine.Characters.size(), 3u);
  const TCharRecord& second = *engine.Characters[1];
  EXPECT_EQ(second.SeedX, 1);
  EXPECT_EQ(second.SeedY, 1);
  EXPECT_EQ(second.Serial, 2);
  EXPECT_EQ(second.Ch, NoChar);
  EXPECT_EQ(second.Raster, engine.Image.get());
  EXPECT_EQ(engine.ComponentCount, 3);
  EXPECT_EQ(engine.WidthSum, 2 + 2 + 2);
  EXPECT_EQ(engine.HeightSum, 2 + 2 + 2);
  // Every pixel of a component carries the fill mark.
  EXPECT_EQ(engine.Image->Row(4)[4] & 7, 7);
}

TEST(EngineLabelling, ABoxOfTwentyThousandPixelsStartsAsNonText) {
  for (const auto& [height, expected] :
       std::vector<std::pair<int32_t, char16_t>>{{200, NonTextMark}, {199, NoChar}}) {
    TOmnifontOCR engine;
    Canvas c(102, 202);
    c.Fill(1, 1, 100, height);  // 100 wide
    AttachWorkingRaster(engine, c.art);
    LabelComponents(engine);
    ASSERT_EQ(engine.Characters.size(), 1u);
    EXPECT_EQ(engine.Characters[0]->Ch, expected) << "height " << height;
  }
}

TEST(EngineLabelling, MarkerBitsAreClearedFirstSoGreyLevelsRoundDown) {
  TOmnifontOCR engine;
  AttachWorkingRaster(engine, Art{"...", ".#.", "..."});
  // A pixel just below the threshold whose stale marker bits would lift it to
  // paper is ink again once the bits are cleared.
  engine.Image->Row(1)[1] = 127;  // 120 after clearing: ink below 128
  engine.Image->Row(0)[0] = 255;
  LabelComponents(engine);
  ASSERT_EQ(engine.Characters.size(), 1u);
  EXPECT_EQ(engine.Image->Row(1)[1], 127);  // 120 with the fill mark
  EXPECT_EQ(engine.Image->Row(0)[0], 248);  // paper keeps its rounded value
}

// Specks of 1, 2, 3 and 4 ink pixels, one glyph of 30.
Canvas SpeckField(int32_t ones, int32_t twos, int32_t threes, int32_t fours) {
  Canvas c(80, 20);
  int32_t x = 1;
  auto speck = [&](int32_t n) {
    c.Fill(x, 1, x + n - 1, 1);
    x += n + 2;
  };
  for (int32_t i = 0; i < ones; ++i) speck(1);
  for (int32_t i = 0; i < twos; ++i) speck(2);
  for (int32_t i = 0; i < threes; ++i) speck(3);
  for (int32_t i = 0; i < fours; ++i) speck(4);
  c.Fill(1, 5, 5, 10);  // 30 pixels
  return c;
}

std::vector<int32_t> InkCounts(const TOmnifontOCR& engine) {
  std::vector<int32_t> out;
  for (const auto& r : engine.Characters) out.push_back(r->InkCount);
  return out;
}

TEST(EngineSpotRemoval, SmartRemovesBandsWhileTheirCountsKeepFalling) {
  // Band counts 4, 3, 1 fall; the band of fours (5) rises, so the fours stay.
  TOmnifontOCR engine;
  AttachWorkingRaster(engine, SpeckField(4, 3, 1, 5).art);
  LabelComponents(engine);
  engine.SpotRemoval = 1;
  engine.MaxSpotSize = 15;
  RemoveSpots(engine);
  EXPECT_EQ(InkCounts(engine), (std::vector<int32_t>{4, 4, 4, 4, 4, 30}));
  EXPECT_EQ(engine.ComponentCount, 6);
  EXPECT_EQ(engine.WidthSum, 5 * 4 + 5);
  EXPECT_EQ(engine.HeightSum, 5 * 1 + 6);
}

TEST(EngineSpotRemoval, SmartStopsOnceTheLevelPassesTheMaximum) {
  // The counts keep falling (4, 3, 1), but with a maximum of 2 the search
  // ends after deleting the band (1, 2]: the three stays.
  TOmnifontOCR engine;
  AttachWorkingRaster(engine, SpeckField(4, 3, 1, 0).art);
  LabelComponents(engine);
  engine.SpotRemoval = 1;
  engine.MaxSpotSize = 2;
  RemoveSpots(engine);
  EXPECT_EQ(InkCounts(engine), (std::vector<int32_t>{3, 30}));
}

TEST(EngineSpotRemoval, ZeroMaximumDeletesOnlyInklessRecords) {
  for (uint8_t mode : {uint8_t{1}, uint8_t{2}}) {
    TOmnifontOCR engine;
    AttachWorkingRaster(engine, SpeckField(2, 1, 0, 0).art);
    LabelComponents(engine);
    // A record whose ink was erased by an earlier step.
    engine.Characters.push_back(ocrtest::MakeRecord(60, 15, 62, 17));
    engine.ComponentCount += 1;
    engine.SpotRemoval = mode;
    engine.MaxSpotSize = 0;
    RemoveSpots(engine);
    EXPECT_EQ(InkCounts(engine), (std::vector<int32_t>{1, 1, 2, 30})) << int{mode};
  }
}

TEST(EngineSpotRemoval, AutomaticSizeIsAHundredthOfTheMeanBoxPlusOne) {
  // Ten components of mean size 12 x 20: 2.4 rounds to 2, so M = 3.
  TOmnifontOCR engine;
  AttachWorkingRaster(engine, SpeckField(0, 0, 1, 1).art);
  LabelComponents(engine);
  engine.ComponentCount = 10;
  engine.WidthSum = 120;
  engine.HeightSum = 200;
  RemoveSpots(engine);  // always, automatic size
  EXPECT_EQ(InkCounts(engine), (std::vector<int32_t>{4, 30}));
}

TEST(EngineSpotRemoval, DeletingASpeckErasesItsWholeBox) {
  // The diagonal speck's box reaches over the corner of the glyph, so the
  // speck counts five ink pixels and takes that corner with it.
  TOmnifontOCR engine;
  AttachWorkingRaster(engine, Art{
                                  "#..#####",
                                  ".#...###",
                                  "..#..###",
                                  "...#.###",
                                  ".....###",
                                  ".....###",
                              });
  LabelComponents(engine);
  ASSERT_EQ(Boxes(engine), (std::vector<Box>{{0, 0, 3, 3}, {3, 0, 7, 5}}));
  engine.MaxSpotSize = 5;
  RemoveSpots(engine);
  ASSERT_EQ(Boxes(engine), (std::vector<Box>{{3, 0, 7, 5}}));
  // Counted before the speck went: the speck's last pixel lies in the glyph's box.
  EXPECT_EQ(engine.Characters[0]->InkCount, 21);
  EXPECT_FALSE(InkAt(engine, 2, 2));
  EXPECT_EQ(engine.Image->Row(0)[3], kErasedValue);
  EXPECT_TRUE(InkAt(engine, 4, 0));
}

TEST(EngineSpotRemoval, OnePixelHolesAreFilledOnlyInLargeGlyphs) {
  for (const auto& [width, filled] :
       std::vector<std::pair<int32_t, bool>>{{18, true}, {17, false}}) {
    TOmnifontOCR engine;
    Canvas c(22, 36);
    c.Fill(2, 2, 2 + width - 1, 33).Clear(5, 10);  // 32 high
    AttachWorkingRaster(engine, c.art);
    LabelComponents(engine);
    engine.MaxSpotSize = 0;
    RemoveSpots(engine);
    ASSERT_EQ(engine.Characters.size(), 1u);
    EXPECT_EQ(InkAt(engine, 5, 10), filled) << "width " << width;
    EXPECT_EQ(engine.Characters[0]->InkCount, width * 32 - (filled ? 0 : 1));
  }
}

// Forty small glyphs of 4 x 6 on one row and `giants` glyphs of 40 x 20 on another.
Canvas GiantsAmongText(int32_t giants) {
  Canvas c(260, 40);
  for (int32_t i = 0; i < 40; ++i) c.Fill(1 + 6 * i, 30, 4 + 6 * i, 35);
  for (int32_t i = 0; i < giants; ++i) c.Fill(1 + 45 * i, 2, 40 + 45 * i, 21);
  return c;
}

TEST(EngineNonText, FourOversizedCompanionsAreMarkedFiveStayText) {
  for (const auto& [giants, expected] :
       std::vector<std::pair<int32_t, char16_t>>{{4, NonTextMark}, {5, NoChar}}) {
    TOmnifontOCR engine;
    AttachWorkingRaster(engine, GiantsAmongText(giants).art);
    LabelComponents(engine);
    MarkNonText(engine);
    int32_t giantsSeen = 0;
    for (const auto& r : engine.Characters) {
      if (r->Right - r->Left + 1 == 40) {
        EXPECT_EQ(r->Ch, expected) << giants << " giants";
        ++giantsSeen;
      } else {
        EXPECT_EQ(r->Ch, NoChar);
      }
    }
    EXPECT_EQ(giantsSeen, giants);
  }
}

TEST(EngineNonText, SizeStatisticsLeaveOutMarkedAndTinyRecords) {
  TOmnifontOCR engine;
  AttachWorkingRaster(engine, GiantsAmongText(4).art);
  LabelComponents(engine);
  MarkNonText(engine);
  // Only the forty small glyphs are left in the estimate.
  EXPECT_EQ(engine.ComponentCount, 40);
  EXPECT_EQ(engine.AvgCharWidth, 4);
  EXPECT_EQ(engine.AvgCharHeight, 6);
}

TEST(EngineNonText, SizeStatisticsSkipPicturesFlatRecordsAndDots) {
  TOmnifontOCR engine;
  AttachWorkingRaster(engine, Art{"....", "...."});
  engine.AvgCharWidth = 10;
  engine.AvgCharHeight = 16;
  auto add = [&](int32_t right, int32_t bottom, char16_t ch = NoChar) {
    engine.Characters.push_back(ocrtest::MakeRecord(0, 0, right, bottom));
    engine.Characters.back()->Ch = ch;
  };
  add(9, 2);                 // 3 high: flatter than a quarter of 16
  add(2, 4);                 // 3 x 5: a dot
  add(50, 70);               // wider and taller than four characters
  add(11, 29, NonTextMark);  // not text
  add(11, 29);
  add(7, 11);
  RecomputeSizeStatistics(engine);
  EXPECT_EQ(engine.ComponentCount, 2);
  EXPECT_EQ(engine.WidthSum, 12 + 8);
  EXPECT_EQ(engine.AvgCharWidth, (12 + 8) / 2);
  EXPECT_EQ(engine.AvgCharHeight, (30 + 12) / 2);
}

}  // namespace

// Whole runs of the engine: input formats, failures, the result list and its text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "ocr/omnifontocr.h"
#include "ocr_test_util.h"
#include "platform/exceptions.h"

namespace {

using ocrtest::Art;
using ocrtest::Box;
using ocrtest::Boxes;
using ocrtest::Canvas;
using ocrtest::MakePackedDib;

// Only the stages under test: no splitting or corrections that could change the boxes.
void PlainEngine(TOmnifontOCR& engine) {
  engine.SplitTouching = 0;
  engine.SimilarityCorrection = false;
  engine.ContextCorrection = false;
}

std::string MessageOf(TOmnifontOCR& engine, const Art& art, int32_t area, int32_t bits = 8) {
  auto block = MakePackedDib(art, bits);
  try {
    engine.Recognize(block.get(), area);
  } catch (const platform::Exception& e) {
    return e.what();
  }
  return "";
}

const Art kBlank = {"......", "......", "......", "......"};

// Five capitals of 8 x 20 on one line.
Art CapitalsLine() {
  Canvas c(70, 40);
  for (int32_t i = 0; i < 5; ++i) c.Fill(2 + 12 * i, 10, 9 + 12 * i, 29);
  return c.art;
}

TEST(EngineRecognize, AnImageWithoutInkHasNoCharacters) {
  TOmnifontOCR engine;
  const std::size_t blocks = platform::LiveBlockCount();
  EXPECT_EQ(MessageOf(engine, kBlank, 1), "no characters found");
  EXPECT_TRUE(engine.Characters.empty());
  EXPECT_EQ(engine.Image, nullptr);
  EXPECT_EQ(platform::LiveBlockCount(), blocks);  // the copy went with the raster
}

TEST(EngineRecognize, ACharacterAreaIsTheWholeRasterUntilSpotRemovalDeletesIt) {
  TOmnifontOCR engine;
  PlainEngine(engine);
  engine.SpotRemoval = 0;
  ASSERT_EQ(MessageOf(engine, kBlank, 0), "");
  // The recognition loop then trims the blank box as far as it goes: to its
  // last two rows and columns.
  ASSERT_EQ(Boxes(engine), (std::vector<Box>{{4, 2, 5, 3}}));
  EXPECT_EQ(engine.Characters[0]->SeedX, 0);
  EXPECT_EQ(engine.Characters[0]->SeedY, 0);
  EXPECT_EQ(engine.Characters[0]->Serial, 1);
  engine.SpotRemoval = 2;
  ASSERT_EQ(MessageOf(engine, kBlank, 0), "");
  EXPECT_TRUE(engine.Characters.empty());
}

TEST(EngineRecognize, ACharacterAreaIsReadHoweverLargeItIs) {
  // The size limit that marks a labelled component as not text does not apply
  // to the single record of a character area: the recogniser trims that one to
  // its ink first. Only ink that stays too large after trimming is not read.
  const auto& glyphs = ocrtest::LoadGlyphArt("digit_glyphs.txt");
  const auto four = std::find_if(glyphs.begin(), glyphs.end(), [](const auto& g) {
    return g.name == "g_liberationsans_14pt_digits_0034";
  });
  ASSERT_NE(four, glyphs.end());
  struct Case {
    int32_t side;
    bool frame;  // a one-pixel frame instead of the glyph
    const char* text;
  };
  for (const Case& c : {Case{60, false, "4"}, Case{141, false, "4"}, Case{142, false, "4"},
                        Case{150, false, "4"}, Case{160, true, "~"}}) {
    Canvas area(c.side, c.side);
    if (c.frame) {
      const int32_t last = c.side - 1;
      area.Fill(0, 0, last, 0)
          .Fill(0, last, last, last)
          .Fill(0, 0, 0, last)
          .Fill(last, 0, last, last);
    } else {
      area.Paste(four->art, (c.side - 30) / 2, (c.side - 40) / 2);
    }
    TOmnifontOCR engine;
    auto block = MakePackedDib(area.art, 8);
    engine.RecognizeCharacter(block.get());
    ASSERT_EQ(engine.Characters.size(), 1u) << c.side;
    std::string text;
    engine.GetText(text);
    EXPECT_EQ(text, c.text) << c.side;
  }
}

TEST(EngineRecognize, ARasterWithoutPixelsHasNoCharactersInAnyArea) {
  // As a single character it would be a record with an empty box.
  for (int32_t area : {0, 1}) {
    TOmnifontOCR engine;
    engine.SpotRemoval = 0;
    EXPECT_EQ(MessageOf(engine, Art{"", "", ""}, area), "no characters found") << area;
    EXPECT_TRUE(engine.Characters.empty());
  }
}

TEST(EngineRecognize, AFormatWithoutGreyConversionIsRefused) {
  TOmnifontOCR engine;
  EXPECT_EQ(MessageOf(engine, CapitalsLine(), 1, 16), "Image must be 8 bit !");
  EXPECT_EQ(engine.Image, nullptr);
}

TEST(EngineRecognize, EveryConvertibleFormatGivesTheSameBoxes) {
  TOmnifontOCR reference;
  PlainEngine(reference);
  ASSERT_EQ(MessageOf(reference, CapitalsLine(), 1, 8), "");
  ASSERT_EQ(reference.Characters.size(), 5u);
  EXPECT_FALSE(reference.SourceBilevel);
  for (int32_t bits : {1, 4, 24}) {
    TOmnifontOCR engine;
    PlainEngine(engine);
    ASSERT_EQ(MessageOf(engine, CapitalsLine(), 1, bits), "") << bits;
    EXPECT_EQ(Boxes(engine), Boxes(reference)) << bits;
    EXPECT_EQ(engine.SourceBilevel, bits == 1);
  }
}

TEST(EngineRecognize, ARunFindsTheLineHeightsAndLeavesTheCallersBlockAlone) {
  TOmnifontOCR engine;
  PlainEngine(engine);
  auto block = MakePackedDib(CapitalsLine(), 8);
  std::vector<std::uint8_t> before;
  {
    platform::BlockLock lock(block.get());
    before.assign(lock.data(), lock.data() + lock.size());
  }
  engine.RecognizeWord(block.get());
  ASSERT_EQ(engine.Characters.size(), 5u);
  for (const auto& r : engine.Characters) {
    EXPECT_EQ(r->Line, 1);
    EXPECT_EQ(r->LineTop, 10);
    EXPECT_EQ(r->LineMean, 15);
    EXPECT_EQ(r->LineBase, 29);
    EXPECT_EQ(r->LineBottom, 34);
    EXPECT_EQ(r->Raster, nullptr);  // the working raster is gone
  }
  EXPECT_EQ(engine.Characters[0]->Left, 2);
  EXPECT_EQ(engine.Characters[4]->Left, 50);
  // Pure black on white: Otsu splits at 0, which gives way to the fixed level.
  EXPECT_EQ(engine.Threshold, 160);
  platform::BlockLock lock(block.get());
  EXPECT_EQ(std::vector<std::uint8_t>(lock.data(), lock.data() + lock.size()), before);
}

TEST(EngineRecognize, ASecondRunKeepsOnlyItsOwnRecords) {
  TOmnifontOCR engine;
  PlainEngine(engine);
  ASSERT_EQ(MessageOf(engine, CapitalsLine(), 1), "");
  ASSERT_EQ(engine.Characters.size(), 5u);
  Canvas one(20, 30);
  one.Fill(5, 5, 12, 24);
  ASSERT_EQ(MessageOf(engine, one.art, 1), "");
  EXPECT_EQ(Boxes(engine), (std::vector<Box>{{5, 5, 12, 24}}));
  // A failing run starts from scratch as well.
  EXPECT_EQ(MessageOf(engine, kBlank, 1), "no characters found");
  EXPECT_TRUE(engine.Characters.empty());
}

TEST(EngineRecognize, ABlockTheRasterRejectsIsFreedAndReported) {
  TOmnifontOCR engine;
  auto block = MakePackedDib(CapitalsLine(), 8);
  {
    platform::BlockLock lock(block.get());
    lock.data()[14] = 32;  // a bit count outside the layout
  }
  const std::size_t blocks = platform::LiveBlockCount();
  EXPECT_THROW(engine.RecognizeWord(block.get()), platform::Exception);
  EXPECT_EQ(platform::LiveBlockCount(), blocks);
  EXPECT_THROW(engine.RecognizeWord(nullptr), platform::Exception);
}

TEST(EngineRecognize, ANotchBelowTheRasterIsNotPainted) {
  // A fuzzed 55 x 45 grey block on which the classifier moves a record's top
  // while the notch retry reads the crop taken before: the crop's bottom row
  // then lies below the raster.
  std::ifstream file(std::string(VEREVIZU_TEST_DATA) + "/ocr_notch_below_raster.dib",
                     std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 3584u);
  platform::BlockOwner block(bytes.size());
  {
    platform::BlockLock lock(block.get());
    std::memcpy(lock.data(), bytes.data(), bytes.size());
  }
  TOmnifontOCR engine;
  engine.SpotRemoval = 1;
  engine.SplitTouching = 2;
  engine.RecognizeLine(block.get());
  EXPECT_FALSE(engine.Characters.empty());
}

TEST(EngineText, GetTextMarksUnreadAndBreaksAndUsesTheCodePage) {
  TOmnifontOCR engine;
  for (char16_t ch : {u'A', NoChar, u'\r', u'\n', u' ', NonTextMark, u'\u00E9', u'\u20AC'}) {
    engine.Characters.push_back(ocrtest::MakeRecord(0, 0, 1, 1));
    engine.Characters.back()->Ch = ch;
  }
  std::string text = "stale";
  engine.GetText(text);
  EXPECT_EQ(text, "A~\r\n\r\n ?\xE9\x80");
}

}  // namespace

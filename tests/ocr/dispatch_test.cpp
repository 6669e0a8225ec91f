#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ascii_raster.h"
#include "classifier/classifier.h"
#include "ocr/omnifontocr.h"
#include "platform/exceptions.h"

using testing_raster::kThreshold;

namespace {

// The candidate list as "A90 B80" for readable comparisons.
std::string Listed(const TCharRecord& r) {
  std::string s;
  for (int32_t i = 0; i < r.CandCount; ++i) {
    if (!s.empty()) s += ' ';
    const char16_t c = r.Cands[i];
    s += c < 128 ? std::string(1, static_cast<char>(c)) : "U+" + std::to_string(int(c));
    s += std::to_string(r.Confs[i]);
  }
  return s;
}

// Only the candidates the dispatcher proposes itself, so that what the
// recognisers add to a glyph does not matter.
std::string Punctuation(const TCharRecord& r) {
  static const std::u16string kMarks = u"-_=:;.,'\"~^";
  TCharRecord only;
  only.CandCount = 0;
  for (int32_t i = 0; i < r.CandCount; ++i) {
    if (kMarks.find(r.Cands[i]) == std::u16string::npos) continue;
    only.Cands[only.CandCount] = r.Cands[i];
    only.Confs[only.CandCount++] = r.Confs[i];
  }
  return Listed(only);
}

void Propose(const TOmnifontOCR& engine, TCharRecord& r, const std::u16string& chars,
             std::initializer_list<int32_t> confs) {
  auto c = confs.begin();
  for (const char16_t ch : chars) SetAC(engine, r, ch, *c++);
}

class SetACTest : public ::testing::Test {
 protected:
  TOmnifontOCR engine;
  TCharRecord r;
};

TEST_F(SetACTest, RaisesAListedCharacterAndNeverLowersIt) {
  Propose(engine, r, u"ABC", {90, 80, 70});
  SetAC(engine, r, u'B', 95);
  EXPECT_EQ(Listed(r), "B95 A90 C70");
  EXPECT_EQ(r.Ch, u'B');
  SetAC(engine, r, u'C', 60);
  SetAC(engine, r, u'A', 90);
  EXPECT_EQ(Listed(r), "B95 A90 C70");
  // Raised but not to the top: Ch stays.
  SetAC(engine, r, u'C', 92);
  EXPECT_EQ(Listed(r), "B95 C92 A90");
  EXPECT_EQ(r.Ch, u'B');
}

TEST_F(SetACTest, EqualConfidencesKeepArrivalOrder) {
  Propose(engine, r, u"AX", {90, 90});
  EXPECT_EQ(Listed(r), "A90 X90");
  EXPECT_EQ(r.Ch, u'A');
}

TEST_F(SetACTest, KeepsAtMostNineEntries) {
  Propose(engine, r, u"ABCDEFGHIJ", {99, 98, 97, 96, 95, 94, 93, 92, 91, 90});
  EXPECT_EQ(Listed(r), "A99 B98 C97 D96 E95 F94 G93 H92 I91");
  EXPECT_EQ(r.Cands[9], u'\0') << "the tenth slot is never filled";
  SetAC(engine, r, u'K', 91);  // equal to the lowest: dropped
  SetAC(engine, r, u'L', 10);
  EXPECT_EQ(Listed(r), "A99 B98 C97 D96 E95 F94 G93 H92 I91");
  SetAC(engine, r, u'M', 100);  // the lowest falls off
  EXPECT_EQ(Listed(r), "M100 A99 B98 C97 D96 E95 F94 G93 H92");
  EXPECT_EQ(r.Ch, u'M');
  // Raising a listed entry of a full list loses nothing.
  SetAC(engine, r, u'H', 98);
  EXPECT_EQ(Listed(r), "M100 A99 B98 H98 C97 D96 E95 F94 G93");
}

TEST_F(SetACTest, RefusesCharactersOutsideAllowedCharsBeforeComposing) {
  engine.AllowedChars = u"0123456789";
  SetAC(engine, r, u'O', 100);
  EXPECT_EQ(r.CandCount, 0);
  EXPECT_EQ(r.Ch, NoChar);
  SetAC(engine, r, u'0', 80);
  EXPECT_EQ(Listed(r), "080");
  // The test is on the proposed base, not on the composed result.
  engine.AllowedChars = u"a";
  r = TCharRecord{};
  r.Accent = accAcute;
  SetAC(engine, r, u'a', 90);
  EXPECT_EQ(r.CandCount, 1);
  EXPECT_EQ(r.Cands[0], u'\u00E1');
  EXPECT_EQ(r.Ch, u'\u00E1');
}

TEST_F(SetACTest, RaisesOnACorruptListOrANullCharacter) {
  struct Case {
    int32_t count;
    char16_t ch;
    const char* message;
  } const cases[] = {
      {11, u'A', "Something wrong in setac()!"},
      {-1, u'A', "Something wrong in setac()!"},
      {0, NoChar, "SetAC called with bad parameters"},
  };
  for (const auto& c : cases) {
    r.CandCount = c.count;
    try {
      SetAC(engine, r, c.ch, 50);
      ADD_FAILURE() << "no exception for count " << c.count;
    } catch (const platform::Exception& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  // A count of 10 is tolerated and stays within the arrays.
  r.CandCount = 10;
  SetAC(engine, r, u'Z', 50);
  EXPECT_EQ(r.CandCount, 10);
}

TEST(ComposeAccent, ComposesListedPairsAndLeavesOthers) {
  struct Case {
    char16_t ch, accent, expected;
  } const cases[] = {
      {u'a', accAcute, u'\u00E1'},
      {u'G', accAcute, u'\u01F4'},
      {u'0', accAcute, u'\u00D3'},
      {u'0', accCaron, u'\u01D1'},
      {u'0', accTilde, u'\u00D5'},
      {u'0', accGrave, u'\u00D2'},
      {u'0', accDiaeresis, u'\u00D6'},
      {u'0', accCircumflex, u'\u00D4'},
      {u'0', accBreve, u'0'},
      {u'0', accMacron, u'0'},
      {u'0', accDotAbove, u'0'},
      {u'o', accBreve, u'\u014F'},
      {u'o', accCaron, u'\u01D2'},
      {u'N', accGrave, u'\u01F8'},
      {u'Y', accDiaeresis, u'\u0178'},
      {u'y', accMacron, u'\u0233'},
      {u'I', accDotAbove, u'\u0130'},
      {u',', accDotAbove, u';'},
      {u'.', accDotAbove, u':'},
      {u'u', accRingAbove, u'\u016F'},
      {u'e', accRingAbove, u'e'},
      {u'j', accCircumflex, u'\u0135'},
      {u'g', accBreve, u'\u011F'},
      {u'n', accTilde, u'\u00F1'},
      {u'a', 0, u'a'},
      {u'a', u' ', u'a'},
      {NoChar, accAcute, NoChar},
      {NonTextMark, accAcute, NonTextMark},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(int(ComposeAccent(c.ch, c.accent)), int(c.expected))
        << "base U+" << std::hex << int(c.ch) << " accent U+" << int(c.accent);
  }
}

TEST(RecognisersToRun, NumericOnlyRunsOnlyTheDigits) {
  TOmnifontOCR engine;
  engine.NumericOnly = true;
  EXPECT_EQ(RecognisersToRun(engine), std::vector<TRecogniser>{RecogniseDigits});
  engine.NumericOnly = false;
  const std::vector<TRecogniser> expected = {
      RecogniseA, RecogniseB,      RecogniseC,        RecogniseD,      RecogniseE, RecogniseF,
      RecogniseG, RecogniseH,      RecogniseIJ,       RecogniseK,      RecogniseL, RecogniseM,
      RecogniseN, RecogniseO,      RecogniseP,        RecogniseQ,      RecogniseR, RecogniseS,
      RecogniseT, RecogniseU,      RecogniseV,        RecogniseX,      RecogniseY, RecogniseZ,
      RecogniseW, RecogniseDigits, RecogniseBrackets, RecogniseSymbols};
  EXPECT_EQ(RecognisersToRun(engine), expected);
}

TEST(RunRecognisers, AFaultEndsOnlyTheRecogniserThatRaisedIt) {
  TOmnifontOCR engine;
  TCharRecord r;
  TGlyphContext context;
  context.Glyph = &r;
  const std::vector<TRecogniser> list = {
      [](TOmnifontOCR& e, TGlyphContext& c) { SetAC(e, *c.Glyph, u'A', 50); },
      [](TOmnifontOCR&, TGlyphContext&) { throw platform::Exception("error..."); },
      [](TOmnifontOCR& e, TGlyphContext& c) { SetAC(e, *c.Glyph, NoChar, 50); },
      [](TOmnifontOCR& e, TGlyphContext& c) { SetAC(e, *c.Glyph, u'B', 60); },
  };
  RunRecognisers(engine, context, list);
  EXPECT_EQ(Listed(r), "B60 A50");
}

// A 16 x 56 page of paper on a text line with top 10, mean line 20, baseline
// 40 and bottom 50; glyphs are painted as ink rectangles.
class ClassifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page = std::make_unique<TDIB>();
    page->NewImage(16, 56, df8Bit, 96, 96);
    page->Fill(248);
    engine.NumericOnly = false;
  }
  void Paint(int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
    for (int32_t y = y0; y <= y1; ++y) {
      for (int32_t x = x0; x <= x1; ++x) page->Row(y)[x] = 0;
    }
  }
  void Box(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    glyph.Left = left;
    glyph.Top = top;
    glyph.Right = right;
    glyph.Bottom = bottom;
    glyph.LineTop = 10;
    glyph.LineMean = 20;
    glyph.LineBase = 40;
    glyph.LineBottom = 50;
    glyph.Raster = page.get();
  }
  char16_t Classify() {
    const auto crop = page->Crop(glyph.Left, glyph.Top, glyph.Right, glyph.Bottom);
    return ClassifyGlyph(engine, glyph, *crop, kThreshold);
  }

  TOmnifontOCR engine;
  std::unique_ptr<TDIB> page;
  TCharRecord glyph;
};

TEST_F(ClassifyTest, AThinBarAboveTheBaselineIsADashAndEndsClassification) {
  Paint(2, 13, 28, 29);
  Box(2, 28, 13, 29);
  EXPECT_EQ(Classify(), u'-');
  EXPECT_EQ(Listed(glyph), "-100");
}

TEST_F(ClassifyTest, TheDashIsReturnedEvenWhenAllowedCharsRefusesIt) {
  engine.AllowedChars = u"0123456789";
  Paint(2, 13, 28, 29);
  Box(2, 28, 13, 29);
  EXPECT_EQ(Classify(), u'-');
  EXPECT_EQ(glyph.CandCount, 0);
  EXPECT_EQ(glyph.Ch, NoChar);
}

TEST_F(ClassifyTest, AThickerBarIsADashWithoutEndingClassification) {
  Paint(2, 13, 27, 30);  // 3H >= W: x99
  Box(2, 27, 13, 30);
  EXPECT_EQ(Classify(), u'-');
  EXPECT_EQ(Punctuation(glyph), "-99");
}

TEST_F(ClassifyTest, ABarOnTheBaselineIsAnUnderscore) {
  Paint(2, 13, 39, 40);
  Box(2, 39, 13, 40);
  EXPECT_EQ(Classify(), u'_');
  EXPECT_EQ(Punctuation(glyph), "_100");
}

TEST_F(ClassifyTest, ABarUnderAMarkIsProposedAsEquals) {
  Paint(2, 13, 28, 29);
  Box(2, 28, 13, 29);
  glyph.MarksAbove = 1;
  Classify();
  EXPECT_EQ(Punctuation(glyph), "=97");
}

TEST_F(ClassifyTest, TwoBarsAreAnEqualsSign) {
  Paint(2, 13, 24, 25);
  Paint(2, 13, 29, 30);
  Box(2, 24, 13, 30);
  EXPECT_EQ(Classify(), u'=');
  EXPECT_EQ(Listed(glyph), "=100");
}

TEST_F(ClassifyTest, ARoundDotOnTheBaselineIsAFullStop) {
  Paint(2, 5, 37, 40);
  Box(2, 37, 5, 40);
  Classify();
  EXPECT_EQ(Punctuation(glyph), ".99 ,96");
  EXPECT_EQ(glyph.Ch, u'.');
}

TEST_F(ClassifyTest, HighStrokesAreAnApostropheOrAQuotationMark) {
  Paint(5, 6, 10, 15);
  Box(5, 10, 6, 15);
  Classify();
  EXPECT_EQ(Punctuation(glyph), "'100");

  glyph = TCharRecord{};
  page->Fill(248);
  Paint(2, 3, 10, 15);
  Paint(6, 7, 10, 15);
  Box(2, 10, 7, 15);
  Classify();
  EXPECT_EQ(Punctuation(glyph), "\"100");
}

TEST_F(ClassifyTest, AColonGainsFullConfidenceOnceItsUpperDotIsAMark) {
  Paint(6, 8, 21, 23);
  Paint(6, 8, 37, 39);
  Box(6, 21, 8, 39);
  // First pass: no mark known yet; the accent probe then finds the upper dot.
  Classify();
  EXPECT_EQ(Punctuation(glyph), ":96 ;96");
  EXPECT_EQ(glyph.MarksAbove, 1);
  EXPECT_EQ(glyph.Accent, accDotAbove);
  EXPECT_EQ(glyph.Top, 24) << "the box now starts below the mark";
  // Second pass on the same record: the colon is certain and ends the rules.
  EXPECT_EQ(Classify(), u':');
  EXPECT_EQ(Punctuation(glyph), ":100 ;96");
}

TEST_F(ClassifyTest, ADetachedSpeckInTheDescenderZoneIsTrimmedOff) {
  Paint(6, 9, 20, 40);  // body from the mean line to the baseline
  Paint(6, 6, 45, 46);  // a speck below, off the middle column
  Box(6, 20, 9, 46);
  Classify();
  EXPECT_EQ(glyph.Bottom, 41) << "the new bottom is the blank row below the body";

  // A descender through the middle column is kept.
  glyph = TCharRecord{};
  Paint(7, 7, 41, 46);
  Box(6, 20, 9, 46);
  Classify();
  EXPECT_EQ(glyph.Bottom, 46);
}

TEST_F(ClassifyTest, AHighWaveIsATildeAndAHighPeakACircumflex) {
  const struct {
    const char* name;
    std::vector<std::string> art;
    const char* expected;
  } cases[] = {
      {"tilde", {"...##..#", "..#..##.", "#..##..."}, "~99 \"96"},
      {"circumflex", {"...##...", "..#..#..", ".#....#."}, "^99 \"96"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    glyph = TCharRecord{};
    page->Fill(248);
    for (size_t y = 0; y < c.art.size(); ++y) {
      for (size_t x = 0; x < c.art[y].size(); ++x) {
        if (c.art[y][x] == '#')
          Paint(4 + int32_t(x), 4 + int32_t(x), 12 + int32_t(y), 12 + int32_t(y));
      }
    }
    Box(4, 12, 11, 14);
    Classify();
    EXPECT_EQ(Punctuation(glyph), c.expected);
  }
}

TEST_F(ClassifyTest, ATailedDotBelowTheBaselineIsACommaOrUnderAMarkASemicolon) {
  const std::vector<std::string> comma = {"###", "###", "###", "..#", ".#.", "#.."};
  for (const int32_t marks : {0, 1}) {
    SCOPED_TRACE(marks);
    glyph = TCharRecord{};
    page->Fill(248);
    for (size_t y = 0; y < comma.size(); ++y) {
      for (size_t x = 0; x < comma[y].size(); ++x) {
        if (comma[y][x] == '#')
          Paint(4 + int32_t(x), 4 + int32_t(x), 37 + int32_t(y), 37 + int32_t(y));
      }
    }
    Box(4, 37, 6, 42);
    glyph.MarksAbove = marks;
    Classify();
    EXPECT_EQ(Punctuation(glyph), marks == 0 ? ",100" : ";100 ,99");
  }
}

}  // namespace

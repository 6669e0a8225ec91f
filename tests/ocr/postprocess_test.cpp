#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ascii_raster.h"
#include "classifier/classifier.h"
#include "ocr/postprocess.h"
#include "ocr_test_util.h"
#include "sheet_glyphs.h"

namespace {

// A record read as `cands` (best first, confidences falling from 99), its Ch
// the first candidate (or NoChar), standing on line 1.
TCharRecord* Add(TOmnifontOCR& engine, std::u16string cands, int32_t left, int32_t right,
                 int32_t top = 10, int32_t bottom = 20) {
  auto r = std::make_unique<TCharRecord>();
  r->Left = left;
  r->Right = right;
  r->Top = top;
  r->Bottom = bottom;
  r->Line = 1;
  r->LineTop = 10;
  r->LineMean = 13;
  r->LineBase = 20;
  r->LineBottom = 23;
  r->Raster = engine.Image.get();
  int32_t conf = 99;
  for (char16_t c : cands) SetAC(engine, *r, c, conf--);
  engine.Characters.push_back(std::move(r));
  return engine.Characters.back().get();
}

// Sheet glyphs of one font side by side on one baseline, `gap` columns of
// paper between them.
ocrtest::Art GlyphLine(const std::vector<const sheet_glyphs::TSheetGlyph*>& glyphs, int32_t gap) {
  constexpr int32_t kBase = 40, kHeight = 60, kMargin = 10;
  int32_t width = 2 * kMargin - gap;
  for (const auto* g : glyphs) width += g->right - g->left + 1 + gap;
  ocrtest::Art art(kHeight, std::string(width, '.'));
  int32_t x0 = kMargin;
  for (const auto* g : glyphs) {
    for (int32_t y = g->top; y <= g->bottom; ++y) {
      for (int32_t x = g->left; x <= g->right; ++x) {
        if (g->art[y][x] == '#') art[kBase - (g->lineBase - y)][x0 + x - g->left] = '#';
      }
    }
    x0 += g->right - g->left + 1 + gap;
  }
  return art;
}

std::u16string Text(const TOmnifontOCR& engine) {
  std::u16string s;
  for (const auto& r : engine.Characters) s += r->Ch == NoChar ? u'~' : r->Ch;
  return s;
}

}  // namespace

TEST(ContextCorrection, LookAlikesSettledByNeighbours) {
  struct Case {
    std::u16string readings[3];  // candidates of three neighbours
    std::u16string expected;
  };
  const Case cases[] = {
      {{u"1", u"l1", u"2"}, u"112"},    // "l" between digits is "1"
      {{u"4", u"O0", u"2"}, u"402"},    // "O" between digits is "0"
      {{u"a", u"0O", u"b"}, u"aOb"},    // "0" between letters is "O"
      {{u"4", u"SsS5", u"2"}, u"452"},  // "S" beside digits is "5"
      {{u"4", u"B8", u"2"}, u"482"},
      {{u"1", u"l", u"2"}, u"1l2"},  // only a candidate can be chosen
  };
  for (const Case& c : cases) {
    TOmnifontOCR engine;
    engine.AvgCharWidth = 8;
    for (int i = 0; i < 3; ++i) Add(engine, c.readings[i], 10 + 12 * i, 18 + 12 * i);
    ContextCorrection(engine);
    EXPECT_EQ(Text(engine), c.expected);
  }
}

// The recogniser reads a lone stroke as "l" before "1" and a round capital as
// "O" before "0"; between digits the neighbours decide.
TEST(ContextCorrection, LetterBetweenDigitsBecomesADigitThroughTheEngine) {
  std::vector<sheet_glyphs::TSheetGlyph> glyphs =
      sheet_glyphs::ReadSheetGlyphs(std::string(VEREVIZU_TEST_DATA) + "/glyphs/letters_a_l.txt");
  const auto more =
      sheet_glyphs::ReadSheetGlyphs(std::string(VEREVIZU_TEST_DATA) + "/glyphs/letters_m_z.txt");
  glyphs.insert(glyphs.end(), more.begin(), more.end());
  auto glyph = [&](char16_t ch) {
    for (const auto& g : glyphs) {
      if (g.font == "LiberationSans_10pt" && g.ch == ch) return &g;
    }
    throw std::runtime_error("no such sheet glyph");
  };
  struct Case {
    std::u16string drawn;
    std::string uncorrected, corrected;
  };
  for (const Case& c : {Case{u"2l5", "2l5", "215"}, Case{u"2O5", "2O5", "205"}}) {
    const ocrtest::Art art =
        GlyphLine({glyph(c.drawn[0]), glyph(c.drawn[1]), glyph(c.drawn[2])}, 4);
    for (bool context : {false, true}) {
      TOmnifontOCR engine;
      engine.NumericOnly = false;
      engine.ContextCorrection = context;
      auto block = ocrtest::MakePackedDib(art, 8);
      engine.RecognizeLine(block.get());
      std::string text;
      engine.GetText(text);
      EXPECT_EQ(text, context ? c.corrected : c.uncorrected);
    }
  }
}

TEST(ContextCorrection, SentenceStartSpacesAndQuotes) {
  {
    TOmnifontOCR engine;
    engine.AvgCharWidth = 8;
    Add(engine, u".", 0, 2);
    Add(engine, u" ", 4, 10);
    Add(engine, u"1I", 12, 14);
    Add(engine, u"t", 16, 20);
    ContextCorrection(engine);
    EXPECT_EQ(Text(engine), u". It");
  }
  {
    // A narrow space before a comma goes; two apostrophes side by side join.
    TOmnifontOCR engine;
    engine.AvgCharWidth = 8;
    Add(engine, u"a", 0, 6);
    Add(engine, u" ", 8, 14);
    Add(engine, u",", 16, 18);
    Add(engine, u"'", 22, 23);
    Add(engine, u"'", 25, 26);
    Add(engine, u"b", 30, 36);
    ContextCorrection(engine);
    EXPECT_EQ(Text(engine), u"a,\"b");
  }
  {
    // A capital further from the small letter before it than from the one
    // after it starts a new word.
    TOmnifontOCR engine;
    engine.AvgCharWidth = 8;
    Add(engine, u"a", 0, 6);
    Add(engine, u"D", 16, 22);
    Add(engine, u"c", 24, 30);
    ContextCorrection(engine);
    EXPECT_EQ(Text(engine), u"a Dc");
    EXPECT_EQ(engine.Characters[1]->Left, 8);
    EXPECT_EQ(engine.Characters[1]->Right, 14);
  }
}

TEST(InsertSeparators, SpacesBetweenWordsAndBreaksBetweenLines) {
  auto build = [](TOmnifontOCR& engine) {
    engine.AvgCharWidth = 8;
    engine.CharGap = 2;
    engine.LineTable.Count = 3;
    engine.LineTable.Top[1] = 10, engine.LineTable.Bottom[1] = 23, engine.LineTable.MinX[1] = 0;
    engine.LineTable.Top[2] = 30, engine.LineTable.Bottom[2] = 43, engine.LineTable.MinX[2] = 0;
    // Line 1: "ab cd", line 2: "ef" and, on line 3, "gh".
    for (int32_t left : {0, 10, 30, 40}) Add(engine, u"x", left, left + 7);
    for (int32_t left : {0, 10}) {
      TCharRecord* r = Add(engine, u"y", left, left + 7, 30, 40);
      r->Line = 2;
    }
    for (int32_t left : {0, 10}) {
      TCharRecord* r = Add(engine, u"z", left, left + 7, 50, 60);
      r->Line = 3;
    }
  };
  TOmnifontOCR line;
  build(line);
  InsertSeparators(line, 2);
  EXPECT_EQ(Text(line), u"xx xxyyzz") << "a text-line area never gets a line break";

  TOmnifontOCR paragraph;
  build(paragraph);
  InsertSeparators(paragraph, 3);
  EXPECT_EQ(Text(paragraph), u"xx xx\ryy\rzz");
  const TCharRecord& space = *paragraph.Characters[2];
  EXPECT_EQ(space.Serial, -1);
  EXPECT_EQ(space.CandCount, 1);
  EXPECT_EQ(space.Left, 17 + 6) << "after the previous character by the line's gap";
}

TEST(SimilarityCorrection, UnreadGlyphTakesTheReadingOfItsTwin) {
  TOmnifontOCR engine;
  engine.Image = testing_raster::MakeRaster({
      "..........................",
      "..###.......###.......#...",
      ".#...#.....#...#......#...",
      ".#####.....#####......#...",
      ".#.........#..........#...",
      ".#...#.....#...#......#...",
      "..###.......###.......#...",
      "..........................",
  });
  engine.Threshold = testing_raster::kThreshold;
  TCharRecord* e = Add(engine, u"e", 1, 5, 1, 6);
  e->Confs[0] = 98;
  TCharRecord* unread = Add(engine, u"", 11, 15, 1, 6);
  TCharRecord* bar = Add(engine, u"", 21, 23, 1, 6);  // a different shape stays unread
  SimilarityCorrection(engine);
  EXPECT_EQ(unread->Ch, u'e');
  EXPECT_EQ(unread->Confs[0], 98);
  EXPECT_EQ(bar->Ch, NoChar);
  EXPECT_EQ(GlyphDistance(engine, *e, *unread), 0);
}

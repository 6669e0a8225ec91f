#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ocr/omnifontocr.h"
#include "ocr/touching.h"
#include "ocr_test_util.h"
#include "sheet_glyphs.h"

namespace {

using sheet_glyphs::TSheetGlyph;

const TSheetGlyph& Glyph(const std::vector<TSheetGlyph>& all, const std::string& font,
                         char16_t ch) {
  for (const TSheetGlyph& g : all) {
    if (g.font == font && g.ch == ch) return g;
  }
  throw std::runtime_error("no such sheet glyph");
}

// Two sheet glyphs on one baseline, the second starting in the first one's
// last column so that their ink touches.
ocrtest::Art TouchingPair(const TSheetGlyph& a, const TSheetGlyph& b) {
  constexpr int32_t kBase = 40, kHeight = 60, kMargin = 10;
  const int32_t wa = a.right - a.left + 1, wb = b.right - b.left + 1;
  ocrtest::Art art(kHeight, std::string(kMargin + wa + wb + kMargin, '.'));
  auto put = [&](const TSheetGlyph& g, int32_t x0) {
    for (int32_t y = g.top; y <= g.bottom; ++y) {
      for (int32_t x = g.left; x <= g.right; ++x) {
        if (g.art[y][x] == '#') art[kBase - (g.lineBase - y)][x0 + x - g.left] = '#';
      }
    }
  };
  put(a, kMargin);
  put(b, kMargin + wa - 1);
  return art;
}

std::string Read(const ocrtest::Art& art, uint8_t split, TOmnifontOCR& engine) {
  engine.NumericOnly = false;
  engine.SplitTouching = split;
  auto block = ocrtest::MakePackedDib(art, 8);
  engine.RecognizeWord(block.get());
  std::string text;
  engine.GetText(text);
  return text;
}

}  // namespace

TEST(TouchingSplit, TwoTouchingLettersAreCutApart) {
  std::vector<TSheetGlyph> glyphs =
      sheet_glyphs::ReadSheetGlyphs(std::string(VEREVIZU_TEST_DATA) + "/glyphs/letters_a_l.txt");
  const ocrtest::Art ab = TouchingPair(Glyph(glyphs, "LiberationSans_10pt", u'a'),
                                       Glyph(glyphs, "LiberationSans_10pt", u'b'));
  TOmnifontOCR whole;
  EXPECT_EQ(Read(ab, 0, whole), "~") << "one component that no recogniser reads";

  TOmnifontOCR split;
  EXPECT_EQ(Read(ab, 1, split), "ab");
  ASSERT_EQ(split.Characters.size(), 2u);
  const TCharRecord& a = *split.Characters[0];
  const TCharRecord& b = *split.Characters[1];
  EXPECT_LT(a.Right, b.Left);
  EXPECT_EQ(b.Serial, split.ComponentCount - 1) << "the new piece gets a fresh serial";
  EXPECT_GT(b.Confs[0], 90);
}

// A bracket, a parenthesis or an asterisk touching a letter reads well as the
// first piece of a cut, but punctuation is what any slice of a wider glyph can
// imitate: such a piece never starts a segmentation, and these pairs stay
// unread rather than come out as ")a".
TEST(TouchingSplit, PunctuationPiecesAreNeverCuts) {
  std::vector<TSheetGlyph> glyphs =
      sheet_glyphs::ReadSheetGlyphs(std::string(VEREVIZU_TEST_DATA) + "/glyphs/letters_a_l.txt");
  const std::vector<TSheetGlyph> symbols =
      sheet_glyphs::ReadSheetGlyphs(std::string(VEREVIZU_TEST_DATA) + "/glyphs/symbols.txt");
  glyphs.insert(glyphs.end(), symbols.begin(), symbols.end());
  for (const std::u16string pair : {u")a", u"*b", u"}d"}) {
    const ocrtest::Art art = TouchingPair(Glyph(glyphs, "LiberationSans_10pt", pair[0]),
                                          Glyph(glyphs, "LiberationSans_10pt", pair[1]));
    TOmnifontOCR engine;
    EXPECT_EQ(Read(art, 1, engine), "~")
        << static_cast<char>(pair[0]) << static_cast<char>(pair[1]);
  }
}

// A box must be wider than six pixels to be tried. A stroke five pixels wide
// that the loop left unread (as a stand-in for any glyph) is read by the
// splitter as one piece when its box is seven pixels wide, and left alone
// when it is six.
TEST(TouchingSplit, BoxesSixPixelsWideAreNeverTried) {
  for (const int32_t left : {10, 11}) {
    ocrtest::Canvas canvas(30, 40);
    canvas.Fill(11, 8, 15, 31);
    TOmnifontOCR engine;
    engine.NumericOnly = false;
    ocrtest::AttachWorkingRaster(engine, canvas.art);
    auto record = ocrtest::MakeRecord(left, 8, 16, 31);  // one column of paper on the right
    record->SeedX = 11;
    record->Line = 1;
    record->LineTop = 8;
    record->LineMean = 16;
    record->LineBase = 31;
    record->LineBottom = 38;
    record->Raster = engine.Image.get();
    engine.Characters.push_back(std::move(record));
    SplitTouchingChars(engine);
    ASSERT_EQ(engine.Characters.size(), 1u);
    const TCharRecord& r = *engine.Characters[0];
    if (left == 11) {
      EXPECT_EQ(r.Ch, NoChar);
      EXPECT_EQ(r.Left, 11);
    } else {
      EXPECT_EQ(r.Ch, u'l');
      EXPECT_EQ(r.Left, 11) << "the piece's box, trimmed to the ink";
      EXPECT_EQ(r.Right, 16) << "the last piece reaches the right edge";
    }
  }
}

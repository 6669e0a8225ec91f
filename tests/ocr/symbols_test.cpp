// The bracket and symbol recognisers on glyphs cut from character sheets of
// two fonts (with the line heights of their sheet), on look-alikes their
// preconditions keep apart, and on drawn glyphs at the edges of their rules.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "sheet_glyphs.h"

namespace {

using sheet_glyphs::DrawnGlyph;
using sheet_glyphs::TGlyphUnderTest;
using sheet_glyphs::TSheetGlyph;

// The euro sign of the sheets is read as code 0x80, its place in the 8-bit
// code page.
constexpr char16_t kEuroShape = 0x80;

std::string Utf8(char16_t ch) {
  return platform::WideToUtf8(std::u16string(1, ch));
}

// What the classifier should read for a sheet character.
char16_t Reading(char16_t sheetChar) {
  return sheetChar == u'\u20AC' ? kEuroShape : sheetChar;
}

const std::vector<TSheetGlyph>& SheetGlyphs() {
  static const std::vector<TSheetGlyph> glyphs =
      sheet_glyphs::ReadSheetGlyphs(std::string(VEREVIZU_TEST_DATA) + "/glyphs/symbols.txt");
  return glyphs;
}

const TSheetGlyph& SheetGlyph(const std::string& font, char16_t ch) {
  for (const TSheetGlyph& g : SheetGlyphs())
    if (g.font == font && g.ch == ch) return g;
  throw std::runtime_error("no sheet glyph " + Utf8(ch) + " in " + font);
}

bool IsBracket(char16_t ch) {
  return std::u16string_view(u"<>()/\\[]{}").find(ch) != std::u16string_view::npos;
}

// The recogniser that handles a sheet character.
void RunOwnRecogniser(char16_t ch, TOmnifontOCR& engine, TGlyphContext& context) {
  if (IsBracket(ch)) {
    RecogniseBrackets(engine, context);
  } else {
    RecogniseSymbols(engine, context);
  }
}

constexpr const char* kSans = "LiberationSans_10pt";
constexpr const char* kSerif = "LiberationSerif_10pt";
constexpr const char* kDejaVu = "DejaVuSans_10pt";

struct TReadCase {
  const char* font;
  const char16_t* chars;
};

// Each character's recogniser puts it first from two fonts.
TEST(BracketsAndSymbols, EachIsReadFromTwoFonts) {
  const TReadCase cases[] = {
      {kSans, u"<>()/\\[]{}+$&?!*@\u00A7#%\u20AC\u00DF"},
      {kSerif, u"<>()/\\[]{}+$&?!*@#%\u20AC\u00DF"},
      {kDejaVu, u"\u00A7"},
  };
  for (const TReadCase& c : cases) {
    for (const char16_t* ch = c.chars; *ch != 0; ++ch) {
      TOmnifontOCR engine;
      TGlyphUnderTest glyph(engine, SheetGlyph(c.font, *ch));
      RunOwnRecogniser(*ch, engine, glyph.context());
      EXPECT_EQ(glyph.record().Ch, Reading(*ch)) << c.font << " " << Utf8(*ch);
      EXPECT_GE(glyph.conf(Reading(*ch)), 88) << c.font << " " << Utf8(*ch);
    }
  }
}

// Letters and digits drawn like a bracket or a symbol: the slash's straight
// sides and corner-to-corner stroke, the parenthesis' height, the dot of "!"
// and "?" keep them apart. Each pair is the glyph and the character it must
// not get.
TEST(BracketsAndSymbols, LookAlikesAreNotProposed) {
  const std::u16string pairs[] = {u"l/", u"l\\", u"1/", u"I/", u"l!", u"1!", u"I!",
                                  u"l?", u"C(",  u"C<", u"/l", u"/1", u"(C", u"E\u00DF"};
  for (const char* font : {kSans, kSerif}) {
    for (const std::u16string& pair : pairs) {
      TOmnifontOCR engine;
      TGlyphUnderTest glyph(engine, SheetGlyph(font, pair[0]));
      RecogniseBrackets(engine, glyph.context());
      RecogniseSymbols(engine, glyph.context());
      EXPECT_EQ(glyph.conf(pair[1]), 0) << font << " " << Utf8(pair[0]) << " as " << Utf8(pair[1]);
    }
  }
}

// The hook of "?" or the stem of "!" alone in the box, its dot a separate
// component below it.
TSheetGlyph WithoutDot(TSheetGlyph g) {
  int32_t y = g.top;
  while (g.art[y].find('#', g.left) <= static_cast<size_t>(g.right)) ++y;
  g.bottom = y - 1;
  return g;
}

// The same glyph with its dot erased from the art.
TSheetGlyph DotErased(TSheetGlyph g) {
  const TSheetGlyph hook = WithoutDot(g);
  for (size_t y = hook.bottom + 1; y < g.art.size(); ++y) g.art[y].assign(g.art[y].size(), '.');
  g.bottom = hook.bottom;
  return g;
}

TSheetGlyph WithoutLineBottom(TSheetGlyph g) {
  g.lineBottom = 0;
  return g;
}

// A dot under the box is found down to the line's bottom; without a line
// bottom the dot must lie inside the box, and with one it must be there.
TEST(BracketsAndSymbols, DotBelowTheBoxIsFoundThroughTheLineBottom) {
  struct TCase {
    const char* what;
    TSheetGlyph (*make)(TSheetGlyph);
    bool proposed;
  };
  const TCase cases[] = {
      {"dot in the box", [](TSheetGlyph g) { return g; }, true},
      {"dot in the box, no line bottom", WithoutLineBottom, true},
      {"dot under the box", WithoutDot, true},
      {"dot under the box, no line bottom",
       [](TSheetGlyph g) { return WithoutLineBottom(WithoutDot(g)); }, false},
      {"no dot", DotErased, false},
  };
  for (const char* font : {kSans, kSerif}) {
    for (char16_t ch : {u'?', u'!'}) {
      for (const TCase& c : cases) {
        TOmnifontOCR engine;
        TGlyphUnderTest glyph(engine, c.make(SheetGlyph(font, ch)));
        RecogniseSymbols(engine, glyph.context());
        EXPECT_EQ(glyph.conf(ch) >= 90, c.proposed) << font << " " << Utf8(ch) << ": " << c.what;
      }
    }
  }
}

// An "!" whose dot lies inside its box looks no further down: ink of
// another glyph under the box, crossing two runs, does not refuse it.
TEST(BracketsAndSymbols, ExclamationWithItsDotIgnoresInkBelow) {
  for (const char* font : {kSans, kSerif}) {
    TSheetGlyph g = SheetGlyph(font, u'!');
    ASSERT_LT(g.bottom + 2, static_cast<int32_t>(g.art.size())) << font;
    std::string& row = g.art[g.bottom + 2];
    row[g.left] = row[g.left + 1] = row[g.right] = '#';
    TOmnifontOCR engine;
    TGlyphUnderTest glyph(engine, g);
    RecogniseSymbols(engine, glyph.context());
    EXPECT_GE(glyph.conf(u'!'), 90) << font;
  }
}

// The hole counts the dispatcher found decide: "$" needs exactly two, "#" one
// or two, the euro shape none; "{" allows at most one, "}" any number.
TEST(BracketsAndSymbols, HoleCountsOfTheContext) {
  struct TCase {
    const char* font;
    char16_t ch;
    int32_t holes;
    bool proposed;
  };
  const TCase cases[] = {
      {kSans, u'$', 2, true},      {kSans, u'$', 1, false},      {kSans, u'$', 3, false},
      {kSerif, u'$', 2, true},     {kSerif, u'$', 1, false},     {kSans, u'#', 1, true},
      {kSans, u'#', 2, true},      {kSans, u'#', 0, false},      {kSans, u'#', 3, false},
      {kSans, u'\u20AC', 0, true}, {kSans, u'\u20AC', 1, false}, {kSerif, u'\u20AC', 1, false},
      {kSans, u'{', 1, true},      {kSans, u'{', 2, false},      {kSans, u'}', 2, true},
      {kSans, u'}', 5, true},
  };
  for (const TCase& c : cases) {
    TOmnifontOCR engine;
    TGlyphUnderTest glyph(engine, SheetGlyph(c.font, c.ch));
    glyph.context().Holes.Count = c.holes;
    RunOwnRecogniser(c.ch, engine, glyph.context());
    EXPECT_EQ(glyph.conf(Reading(c.ch)) > 0, c.proposed)
        << c.font << " " << Utf8(c.ch) << " with " << c.holes << " holes";
  }
}

// Flags and hole counts of the context decide the sharp s: only a tall glyph,
// and one with holes only when it reaches into the descender zone.
TEST(BracketsAndSymbols, SharpSNeedsATallGlyphAndADescenderForHoles) {
  struct TCase {
    bool tall, descender;
    int32_t holes;
    bool proposed;
  };
  const TCase cases[] = {
      {true, false, 0, true}, {false, false, 0, false}, {true, false, 1, false},
      {true, true, 1, true},  {true, true, 0, true},
  };
  for (const char* font : {kSans, kSerif}) {
    for (const TCase& c : cases) {
      TOmnifontOCR engine;
      TGlyphUnderTest glyph(engine, SheetGlyph(font, u'\u00DF'));
      glyph.context().IsTall = c.tall;
      glyph.context().HasDescender = c.descender;
      glyph.context().Holes.Count = c.holes;
      RecogniseSymbols(engine, glyph.context());
      EXPECT_EQ(glyph.conf(u'\u00DF') > 0, c.proposed)
          << font << " tall " << c.tall << " descender " << c.descender << " holes " << c.holes;
    }
  }
}

// A chevron wider than half the engine's average character width gets 98
// whatever its own width (the value replaces the penalties for narrow
// glyphs); only narrower ones keep their own confidence. Bent arms cost x95
// each after that. A chevron wider than tall gets 98 from its own rule.
TEST(BracketsAndSymbols, ChevronConfidenceFollowsTheAverageWidth) {
  // clang-format off
  const TSheetGlyph narrow = DrawnGlyph({
      "........", ".....##.", "....##..", "...##...", "..##....", ".##.....", "..##....",
      "...##...", "....##..", ".....##.", "........"});
  // clang-format on
  struct TCase {
    const char* what;
    TSheetGlyph glyph;
    int32_t avgCharWidth;
    int32_t conf;
  };
  const TCase cases[] = {
      {kSerif, SheetGlyph(kSerif, u'<'), 5, 98},
      {kSerif, SheetGlyph(kSerif, u'<'), 1000, 100},
      {kSans, SheetGlyph(kSans, u'<'), 5, 88},
      {kSans, SheetGlyph(kSans, u'<'), 1000, 90},
      {kDejaVu, SheetGlyph(kDejaVu, u'<'), 5, 98},
      {kDejaVu, SheetGlyph(kDejaVu, u'<'), 1000, 98},
      {"6 wide", narrow, 5, 98},
      {"6 wide", narrow, 1000, 99},
  };
  for (const TCase& c : cases) {
    TOmnifontOCR engine;
    engine.AvgCharWidth = c.avgCharWidth;
    TGlyphUnderTest glyph(engine, c.glyph);
    RecogniseBrackets(engine, glyph.context());
    EXPECT_EQ(glyph.conf(u'<'), c.conf) << c.what << ", average width " << c.avgCharWidth;
  }
}

// A slash three pixels thick, W x H, drawn with a margin; the middle pixel
// of the stroke is paper in each of the split rows.
std::vector<std::string> DrawnSlash(int32_t W, int32_t H, const std::vector<int32_t>& splitRows) {
  constexpr int32_t kMargin = 2;
  std::vector<std::string> art(H + 2 * kMargin, std::string(W + 2 * kMargin, '.'));
  for (int32_t y = 0; y < H; ++y) {
    const int32_t left = (H - 1 - y) * (W - 3) / (H - 1);
    art[kMargin + y].replace(kMargin + left, 3, "###");
  }
  for (int32_t y : splitRows) {
    std::string& row = art[kMargin + y];
    row[row.find('#') + 1] = '.';
  }
  return art;
}

// Chevrons, parentheses and slashes are single strokes: a tall glyph may have
// two rows that cross two runs, a glyph under 16 rows none.
TEST(BracketsAndSymbols, SlashAllowsTwoSplitRowsOnlyFromSixteenRowsUp) {
  struct TCase {
    int32_t H;
    std::vector<int32_t> splitRows;
    bool proposed;
  };
  const TCase cases[] = {
      {15, {}, true},  {15, {5}, false},    {16, {}, true},
      {16, {5}, true}, {16, {3, 11}, true}, {16, {3, 7, 11}, false},
  };
  for (const TCase& c : cases) {
    TOmnifontOCR engine;
    TGlyphUnderTest glyph(engine, DrawnGlyph(DrawnSlash(9, c.H, c.splitRows)));
    RecogniseBrackets(engine, glyph.context());
    EXPECT_EQ(glyph.conf(u'/') >= 90, c.proposed)
        << "H " << c.H << ", " << c.splitRows.size() << " split rows";
  }
}

// The lower walk of the parenthesis starts on row H - H/12: below a glyph
// under 12 rows, where the gap reads 0, so its bottom rows must touch the
// edge.
TEST(BracketsAndSymbols, SmallParenthesisWalkStartsBelowTheBox) {
  // clang-format off
  const struct {
    const char* what;
    std::vector<std::string> art;
    bool proposed;
  } cases[] = {
      {"10 rows, round ends", {
           "........", "..##....", "...##...", "....##..", "....##..", "....##..", "....##..",
           "....##..", "....##..", "...##...", "..##....", "........"}, false},
      {"10 rows, bottom at the edge", {
           "........", "..##....", "...##...", "....##..", "....##..", "....##..", "....##..",
           "....##..", "....##..", "....##..", "....##..", "........"}, true},
      {"12 rows, round ends", {
           "........", "..##....", "...##...", "....##..", "....##..", "....##..", "....##..",
           "....##..", "....##..", "....##..", "....##..", "...##...", "..##....", "........"}, true},
  };
  // clang-format on
  for (const auto& c : cases) {
    TOmnifontOCR engine;
    TGlyphUnderTest glyph(engine, DrawnGlyph(c.art));
    RecogniseBrackets(engine, glyph.context());
    EXPECT_EQ(glyph.conf(u')') == 98, c.proposed) << c.what;
  }
}

// Square brackets are told apart by which side the arms reach: a stem in the
// middle with equal arms on both sides is neither.
TEST(BracketsAndSymbols, SquareBracketNeedsArmsOnOneSide) {
  // clang-format off
  const struct {
    const char* what;
    std::vector<std::string> art;
    char16_t ch;
  } cases[] = {
      {"arms right", {
           ".........", ".#######.", ".#######.", ".###.....", ".###.....", ".###.....", ".###.....",
           ".###.....", ".###.....", ".###.....", ".###.....", ".###.....", ".###.....",
           ".#######.", ".#######.", "........."}, u'['},
      {"arms left", {
           ".........", ".#######.", ".#######.", ".....###.", ".....###.", ".....###.", ".....###.",
           ".....###.", ".....###.", ".....###.", ".....###.", ".....###.", ".....###.",
           ".#######.", ".#######.", "........."}, u']'},
      {"arms both sides", {
           ".........", ".#######.", ".#######.", "....#....", "....#....", "....#....", "....#....",
           "....#....", "....#....", "....#....", "....#....", "....#....", "....#....",
           ".#######.", ".#######.", "........."}, NoChar},
  };
  // clang-format on
  for (const auto& c : cases) {
    TOmnifontOCR engine;
    TGlyphUnderTest glyph(engine, DrawnGlyph(c.art));
    RecogniseBrackets(engine, glyph.context());
    EXPECT_EQ(glyph.conf(u'[') > 0, c.ch == u'[') << c.what;
    EXPECT_EQ(glyph.conf(u']') > 0, c.ch == u']') << c.what;
  }
}

// The looped "&" must show a top gap that grows somewhere walking left from
// the right edge; the walk starts on the edge column, whose neighbour outside
// the box reads no gap. A monospaced "&" whose tail rises at the right passes
// on that first step.
TEST(BracketsAndSymbols, AmpersandTopGapWalkStartsAtTheEdge) {
  TOmnifontOCR engine;
  TGlyphUnderTest glyph(engine, SheetGlyph("LiberationMono_10pt", u'&'));
  RecogniseSymbols(engine, glyph.context());
  EXPECT_GE(glyph.conf(u'&'), 90);
}

}  // namespace

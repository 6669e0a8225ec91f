// The letter recognisers M to Z on glyphs cut from character sheets of two
// fonts (with the line heights of their sheet), on near misses, and on small
// hand-drawn glyphs at the edges of their rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "sheet_glyphs.h"

namespace {

using sheet_glyphs::DrawnGlyph;
using sheet_glyphs::TGlyphUnderTest;
using sheet_glyphs::TSheetGlyph;

std::string Utf8(char16_t ch) {
  return platform::WideToUtf8(std::u16string(1, ch));
}

const std::vector<TSheetGlyph>& SheetGlyphs() {
  static const std::vector<TSheetGlyph> glyphs =
      sheet_glyphs::ReadSheetGlyphs(std::string(VEREVIZU_TEST_DATA) + "/glyphs/letters_m_z.txt");
  return glyphs;
}

const TSheetGlyph* FindSheetGlyph(const std::string& font, char16_t ch) {
  for (const TSheetGlyph& g : SheetGlyphs())
    if (g.font == font && g.ch == ch) return &g;
  return nullptr;
}

const TSheetGlyph& SheetGlyph(const std::string& font, char16_t ch) {
  const TSheetGlyph* g = FindSheetGlyph(font, ch);
  if (g == nullptr) throw std::runtime_error("no sheet glyph " + Utf8(ch) + " in " + font);
  return *g;
}

// The recogniser that handles a letter (both cases).
TRecogniser RecogniserOf(char16_t ch) {
  static const TRecogniser kMToZ[] = {RecogniseM, RecogniseN, RecogniseO, RecogniseP, RecogniseQ,
                                      RecogniseR, RecogniseS, RecogniseT, RecogniseU, RecogniseV,
                                      RecogniseW, RecogniseX, RecogniseY, RecogniseZ};
  const char16_t capital = ch >= u'a' ? ch - 32 : ch;
  if (capital < u'M' || capital > u'Z')
    throw std::invalid_argument("no recogniser for " + Utf8(ch));
  return kMToZ[capital - u'M'];
}

struct TReadCase {
  const char* font;
  const char16_t* letters;
};

// Each letter's own recogniser reads it from two fonts, with the case that
// fits its line first.
TEST(LettersMZ, EachRecogniserReadsItsLettersFromTwoFonts) {
  const TReadCase cases[] = {
      {"LiberationSans_10pt", u"MNOPQRSTUVWXYZmnopqrstuvwxyz"},
      {"DejaVuSansMono-Bold_cap3.1mm", u"MNOPQRSTUVWXYZ"},
      {"DejaVuSans_10pt", u"mnopqrstuvwxyz"},
  };
  for (const TReadCase& c : cases) {
    for (const char16_t* ch = c.letters; *ch != 0; ++ch) {
      TOmnifontOCR engine;
      TGlyphUnderTest glyph(engine, SheetGlyph(c.font, *ch));
      const TRecogniser recognise = RecogniserOf(*ch);
      recognise(engine, glyph.context());
      EXPECT_EQ(glyph.record().Ch, *ch) << c.font << " " << Utf8(*ch);
      EXPECT_GE(glyph.conf(*ch), 90) << c.font << " " << Utf8(*ch);
    }
  }
}

// Glyphs of other letters and digits that the preconditions and the first
// checks of a recogniser keep out: none of them gets that recogniser's letter
// with 90 percent or more. Each pair is the glyph and the letter.
TEST(LettersMZ, NearMissesAreNotProposedWithHighConfidence) {
  const std::u16string pairs[] = {
      u"hn", u"un", u"mn", u"HN", u"MN", u"HM", u"NM", u"WM", u"nm", u"DO", u"Do", u"CO",
      u"GO", u"GQ", u"OQ", u"dq", u"bp", u"bP", u"RP", u"BR", u"PR", u"KR", u"hr", u"5S",
      u"5s", u"ZS", u"7T", u"tT", u"kt", u"nu", u"UV", u"AV", u"yv", u"wv", u"KX", u"kx",
      u"YX", u"VY", u"XY", u"vy", u"7Z", u"2Z", u"2z", u"SZ", u"NW", u"MW", u"vw", u"Aw"};
  const char* fonts[] = {"LiberationSans_10pt", "DejaVuSansMono-Bold_cap3.1mm", "DejaVuSans_10pt"};
  int32_t tried = 0;
  for (const char* font : fonts) {
    for (const std::u16string& pair : pairs) {
      const TSheetGlyph* g = FindSheetGlyph(font, pair[0]);
      if (g == nullptr) continue;
      ++tried;
      TOmnifontOCR engine;
      TGlyphUnderTest glyph(engine, *g);
      RecogniserOf(pair[1])(engine, glyph.context());
      EXPECT_LT(glyph.conf(pair[1]), 90) << font << " " << Utf8(pair[0]) << " as " << Utf8(pair[1]);
    }
  }
  EXPECT_GT(tried, 90);
}

struct TDrawnCase {
  const char* what;
  std::vector<std::string> art;
  TRecogniser recognise;
  char16_t letter;
  int32_t conf;  // expected confidence of the letter, 0 for none
};

// Small glyphs at the edges of their rules: the "O" width limit 1.5 H >= W
// compared exactly, and the narrow "Z" (two runs in column 1 at four pixels
// wide; x99 up to five pixels wide and x98 more above nine pixels high).
TEST(LettersMZ, DrawnGlyphsAtTheEdgesOfTheirRules) {
  // clang-format off
  const TDrawnCase cases[] = {
      {"ring 9 wide, 6 high", {
           "...........",
           "..#######..",
           ".##.....##.",
           ".#.......#.",
           ".#.......#.",
           ".##.....##.",
           "..#######..",
           "..........."},
       RecogniseO, u'O', 100},
      {"ring 10 wide, 6 high", {
           "............",
           "..########..",
           ".##......##.",
           ".#........#.",
           ".#........#.",
           ".##......##.",
           "..########..",
           "............"},
       RecogniseO, u'O', 0},
      {"Z 4 wide", {
           "......",
           ".####.",
           "...#..",
           "..#...",
           ".####.",
           "......"},
       RecogniseZ, u'Z', 99},
      {"Z 5 wide, 10 high", {
           ".......",
           ".#####.",
           ".....#.",
           "....#..",
           "....#..",
           "...#...",
           "...#...",
           "..#....",
           "..#....",
           ".#.....",
           ".#####.",
           "......."},
       RecogniseZ, u'Z', 97},
  };
  // clang-format on
  for (const TDrawnCase& c : cases) {
    TOmnifontOCR engine;
    TGlyphUnderTest glyph(engine, DrawnGlyph(c.art));
    c.recognise(engine, glyph.context());
    EXPECT_EQ(glyph.conf(c.letter), c.conf) << c.what;
  }
}

// The hole counts of the context on both sides of the rules that read them,
// with the raster's own holes unchanged: a second hole ends the "q" test on
// glyphs 16 or more pixels wide but costs x98 below; an "R" whose context
// lost its hole costs x90 while the raster still shows the bowl closed, and a
// second hole ends it; a "P" may count fewer holes than its raster, never
// more.
TEST(LettersMZ, HoleCountsAtTheEdgesOfTheirRules) {
  // clang-format off
  const TSheetGlyph narrowQ = DrawnGlyph({
      "..........",
      "..####.#..",
      ".#....##..",
      ".#.....#..",
      ".#.....#..",
      ".#.....#..",
      ".#....##..",
      "..####.#..",
      ".......#..",
      ".......#..",
      ".......#..",
      ".......#..",
      ".........."});
  // clang-format on
  struct THoleCase {
    const char* what;
    const TSheetGlyph& glyph;
    char16_t letter;
    int32_t holes;  // the context's hole count
    int32_t conf;   // expected confidence of the letter, 0 for none
  };
  const THoleCase cases[] = {
      {"narrow q, one hole", narrowQ, u'q', 1, 100},
      {"narrow q, two holes", narrowQ, u'q', 2, 98},
      {"wide q, one hole", SheetGlyph("LiberationSans_10pt", u'q'), u'q', 1, 100},
      {"wide q, two holes", SheetGlyph("LiberationSans_10pt", u'q'), u'q', 2, 0},
      {"R, one hole", SheetGlyph("LiberationSans_10pt", u'R'), u'R', 1, 100},
      {"R, no hole", SheetGlyph("LiberationSans_10pt", u'R'), u'R', 0, 90},
      {"R, two holes", SheetGlyph("LiberationSans_10pt", u'R'), u'R', 2, 0},
      {"P, one hole", SheetGlyph("LiberationSans_10pt", u'P'), u'P', 1, 100},
      {"P, no hole", SheetGlyph("LiberationSans_10pt", u'P'), u'P', 0, 100},
      {"P, two holes", SheetGlyph("LiberationSans_10pt", u'P'), u'P', 2, 0},
  };
  TOmnifontOCR engine;
  for (const THoleCase& c : cases) {
    TGlyphUnderTest glyph(engine, c.glyph);
    glyph.context().IsTall = c.letter != u'q';
    glyph.context().HasDescender = c.letter == u'q';
    THoleList& holes = glyph.context().Holes;
    ASSERT_EQ(holes.Count, 1) << c.what;
    holes.Items[1] = holes.Items[0];
    holes.Count = c.holes;
    RecogniserOf(c.letter)(engine, glyph.context());
    EXPECT_EQ(glyph.conf(c.letter), c.conf) << c.what;
  }
}

// The flags of the glyph's line position as the confidences see them: an
// "m" that is both tall and descending starts at 85 instead of 100, and
// "P" with neither or both flags gets both cases at 95 percent of its
// confidence, otherwise the case the flags favour first.
TEST(LettersMZ, LineFlagsSetTheConfidenceAndTheCaseOrder) {
  TOmnifontOCR engine;
  {
    TGlyphUnderTest plain(engine, SheetGlyph("LiberationSans_10pt", u'm'));
    RecogniseM(engine, plain.context());
    ASSERT_EQ(plain.conf(u'm'), 100);
    TGlyphUnderTest both(engine, SheetGlyph("LiberationSans_10pt", u'm'));
    both.context().IsTall = true;
    both.context().HasDescender = true;
    RecogniseM(engine, both.context());
    EXPECT_EQ(both.conf(u'm'), 85);
  }
  struct TFlags {
    bool tall, descends;
    char16_t first;
    int32_t capital, small;  // percent of the test's confidence
  };
  const TFlags flags[] = {{true, false, u'P', 100, 98},
                          {false, true, u'p', 98, 100},
                          {true, true, u'P', 95, 95},
                          {false, false, u'P', 95, 95}};
  for (const TFlags& f : flags) {
    TGlyphUnderTest glyph(engine, SheetGlyph("DejaVuSansMono-Bold_cap3.1mm", u'P'));
    glyph.context().IsTall = f.tall;
    glyph.context().HasDescender = f.descends;
    RecogniseP(engine, glyph.context());
    EXPECT_EQ(glyph.record().Ch, f.first) << f.tall << f.descends;
    EXPECT_EQ(glyph.conf(u'P'), f.capital) << f.tall << f.descends;
    EXPECT_EQ(glyph.conf(u'p'), f.small) << f.tall << f.descends;
  }
}

struct TLineCase {
  const char* what;
  char16_t glyph;
  int32_t lineTop, lineMean, lineBase;
  int32_t conf;  // expected confidence of the glyph's letter, 0 for none
};

// The rules that read the glyph's line, each on both sides of its edge (the
// line flags of the context stay as the sheet set them): the "t" that may
// stand at most two pixels below the x-height plus one and loses base
// confidence at the x-height plus one, the "Q" whose baseline reaches its
// bottom, the "r" whose line is at most twice its height, and the "n" whose
// top lies above the middle of the line top and the mean line.
TEST(LettersMZ, LineHeightsAtTheEdgesOfTheirRules) {
  const TLineCase cases[] = {
      {"t, x-height plus one below its height", u't', 2, 9, 35, 100},
      {"t, x-height plus one equal to its height", u't', 2, 9, 36, 96},
      {"t, as low as it may stand", u't', 2, 9, 38, 96},
      {"t, too low", u't', 2, 9, 39, 0},
      {"Q, baseline above its bottom", u'Q', 4, 10, 39, 100},
      {"Q, baseline at its bottom", u'Q', 4, 10, 40, 98},
      {"r, line twice its height", u'r', -20, 4, 26, 100},
      {"r, line taller than that", u'r', -21, 4, 26, 0},
      {"n, top at the middle", u'n', 4, 4, 26, 100},
      {"n, top above the middle", u'n', 5, 4, 26, 96},
  };
  TOmnifontOCR engine;
  for (const TLineCase& c : cases) {
    TGlyphUnderTest glyph(engine, SheetGlyph("LiberationSans_10pt", c.glyph));
    glyph.record().LineTop = c.lineTop;
    glyph.record().LineMean = c.lineMean;
    glyph.record().LineBase = c.lineBase;
    RecogniserOf(c.glyph)(engine, glyph.context());
    EXPECT_EQ(glyph.conf(c.glyph), c.conf) << c.what;
  }
}

// Letters whose cases share one shape are always proposed in both cases, the
// one that does not fit the line position with two percent less.
TEST(LettersMZ, SameShapeLettersComeInBothCases) {
  TOmnifontOCR engine;
  for (const char16_t* ch = u"OSUVWZosuvwz"; *ch != 0; ++ch) {
    const bool capital = *ch < u'a';
    const char16_t other = capital ? *ch + 32 : *ch - 32;
    TGlyphUnderTest glyph(engine, SheetGlyph("LiberationSans_10pt", *ch));
    ASSERT_EQ(glyph.context().IsTall, capital) << Utf8(*ch);
    const TRecogniser recognise = RecogniserOf(*ch);
    recognise(engine, glyph.context());
    EXPECT_EQ(glyph.conf(other), glyph.conf(*ch) * 98 / 100) << Utf8(*ch);
  }
}

// Every recogniser on glyphs whose raster ends at the box: the probes that
// reach past the box (the runs beyond the right edge of "X", the arm line of
// "Y", the rows below the box of "M" and "r") read paper there and stay
// inside the raster.
TEST(LettersMZ, ProbesAtTheRasterEdgeReadPaper) {
  TOmnifontOCR engine;
  for (const TSheetGlyph& g : SheetGlyphs()) {
    TSheetGlyph tight = g;
    tight.art.clear();
    for (int32_t y = g.top; y <= g.bottom; ++y)
      tight.art.push_back(g.art[y].substr(g.left, g.right - g.left + 1));
    tight.left = tight.top = 0;
    tight.right = g.right - g.left;
    tight.bottom = g.bottom - g.top;
    tight.lineTop -= g.top;
    tight.lineMean -= g.top;
    tight.lineBase -= g.top;
    tight.lineBottom -= g.top;
    TGlyphUnderTest glyph(engine, tight);
    for (char16_t ch = u'M'; ch <= u'Z'; ++ch) RecogniserOf(ch)(engine, glyph.context());
    if (g.ch >= u'M' && g.ch <= u'Z') {
      EXPECT_EQ(glyph.record().Ch, g.ch) << g.font << " " << Utf8(g.ch);
    }
  }
}

}  // namespace

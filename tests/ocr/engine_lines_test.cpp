// Line finding, line assignment, two-line splitting, reading order and
// spacing statistics.
#include <gtest/gtest.h>

#include "ocr/components.h"
#include "ocr/lines.h"
#include "ocr_test_util.h"
#include "platform/exceptions.h"

namespace {

using ocrtest::AttachWorkingRaster;
using ocrtest::Canvas;

struct Heights {
  int32_t Top, Mean, Base, Bottom;
  bool operator==(const Heights&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Heights& h) {
  return os << "{" << h.Top << ", " << h.Mean << ", " << h.Base << ", " << h.Bottom << "}";
}

Heights LineHeights(const TOmnifontOCR& engine, int32_t i) {
  const TLineTable& t = engine.LineTable;
  return {t.Top[i], t.Mean[i], t.Base[i], t.Bottom[i]};
}

Heights RecordHeights(const TCharRecord& r) {
  return {r.LineTop, r.LineMean, r.LineBase, r.LineBottom};
}

// Components, specks and size estimate, as the stages before line finding leave them.
void Prepare(TOmnifontOCR& engine, const Canvas& c) {
  AttachWorkingRaster(engine, c.art);
  LabelComponents(engine);
  MarkNonText(engine);
}

// `count` blocks of 8 x `height` pixels every 12 columns from x = 2.
void Blocks(Canvas& c, int32_t count, int32_t top, int32_t height) {
  for (int32_t i = 0; i < count; ++i) c.Fill(2 + 12 * i, top, 9 + 12 * i, top + height - 1);
}

TEST(EngineLines, CapitalsPlaceTheMeanLineAndTheBottomByProportion) {
  // No ascender or descender zone: the mean line goes a quarter of the way
  // from top to base, the bottom a quarter of the line height below the base.
  TOmnifontOCR engine;
  Canvas c(70, 50);
  Blocks(c, 5, 10, 20);
  Prepare(engine, c);
  FindLines(engine);
  ASSERT_EQ(engine.LineTable.Count, 2);
  EXPECT_EQ(LineHeights(engine, 0), (Heights{0, 0, 0, 0}));
  EXPECT_EQ(engine.LineTable.MinX[0], 70);
  EXPECT_EQ(LineHeights(engine, 1), (Heights{10, 10 + 19 / 4 + 1, 29, 29 + 19 / 4 + 1}));
  EXPECT_EQ(engine.LineTable.MinX[1], 2);
  EXPECT_EQ(engine.LineTable.MaxX[1], 57);
  AssignLines(engine);
  for (const auto& r : engine.Characters) {
    EXPECT_EQ(r->Line, 1);
    EXPECT_EQ(RecordHeights(*r), (Heights{10, 15, 29, 34}));
  }
}

TEST(EngineLines, IDotsGiveTheTopOfALineOfSmallLetters) {
  TOmnifontOCR engine;
  Canvas c(60, 45);
  Blocks(c, 4, 20, 12);
  c.Fill(5, 15, 6, 16).Fill(29, 15, 30, 16);  // dots over the first and third letters
  Prepare(engine, c);
  FindLines(engine);
  ASSERT_EQ(engine.LineTable.Count, 2);
  // The base stays at the letters' bottom; the bottom is a quarter of the
  // line height (top to bottom of the letters) below it.
  EXPECT_EQ(LineHeights(engine, 1), (Heights{15, 20, 31, 31 + (31 - 15) / 4 + 1}));
  AssignLines(engine);
  for (const auto& r : engine.Characters) EXPECT_EQ(r->Line, 1);
}

TEST(EngineLines, ADotGivesTheTopOnlyWhenItLiesBelowThePreviousLine) {
  // A line of capitals (bottom 32) and, to its right and lower, small letters
  // with dots. A dot reaching up to the previous line's bottom is not taken.
  struct Case {
    int32_t dotTop;
    Heights second;
  };
  for (const Case& c : {Case{31, {40, 43, 51, 54}}, Case{34, {34, 40, 51, 56}}}) {
    TOmnifontOCR engine;
    Canvas canvas(130, 60);
    Blocks(canvas, 5, 10, 20);
    for (int32_t i = 0; i < 4; ++i) canvas.Fill(70 + 12 * i, 40, 77 + 12 * i, 51);
    canvas.Fill(73, c.dotTop, 74, c.dotTop + 1).Fill(97, c.dotTop, 98, c.dotTop + 1);
    Prepare(engine, canvas);
    FindLines(engine);
    ASSERT_EQ(engine.LineTable.Count, 3) << c.dotTop;
    EXPECT_EQ(LineHeights(engine, 1), (Heights{10, 13, 29, 32})) << c.dotTop;
    EXPECT_EQ(LineHeights(engine, 2), c.second) << c.dotTop;
  }
}

TEST(EngineLines, ALoneTallGlyphMakesNoLineAndTheScanMovesOn) {
  // The tall glyph is a body record but too tall for its own line: the scan
  // skips past it and finds the line of ordinary glyphs below.
  TOmnifontOCR engine;
  Canvas c(140, 100);
  c.Fill(130, 0, 131, 62);
  Blocks(c, 10, 70, 20);
  Prepare(engine, c);
  FindLines(engine);
  ASSERT_EQ(engine.LineTable.Count, 2);
  EXPECT_EQ(engine.LineTable.Top[1], 70);
  EXPECT_EQ(engine.LineTable.Base[1], 89);
}

TEST(EngineLines, NoBodyRecordsNoLines) {
  TOmnifontOCR engine;
  Canvas c(30, 30);
  c.Fill(2, 2, 4, 4).Fill(10, 2, 12, 3);
  Prepare(engine, c);
  FindLines(engine);
  EXPECT_EQ(engine.LineTable.Count, 1);
  AssignLines(engine);
  for (const auto& r : engine.Characters) EXPECT_EQ(r->Line, 0);
}

TEST(EngineLines, ReadingOrderIsByLineThenLeftWithLinelessRecordsFirst) {
  TOmnifontOCR engine;
  Canvas c(80, 80);
  c.Fill(30, 10, 37, 29).Fill(2, 11, 9, 29);  // line 1: the right glyph starts higher
  c.Fill(20, 39, 27, 59).Fill(2, 40, 9, 59);  // line 2 likewise
  c.Fill(70, 75, 70, 75);                     // a speck outside every line
  Prepare(engine, c);
  FindLines(engine);
  AssignLines(engine);
  SortReadingOrder(engine);
  std::vector<std::pair<int32_t, int32_t>> order;
  for (const auto& r : engine.Characters) order.emplace_back(r->Line, r->Left);
  EXPECT_EQ(order,
            (std::vector<std::pair<int32_t, int32_t>>{{0, 70}, {1, 2}, {1, 30}, {2, 2}, {2, 20}}));
}

TEST(EngineLines, AMarkRisingAboveItsLinesTopGoesToTheLineAboveWhenThatOneSpansIt) {
  // Line 1 spans columns 2..117, line 2 (top 50) only 2..45; a short mark
  // right of line 2, rows markTop..markTop + 10, is no body and no mark for
  // the line's top. Its line's extent takes it only when its top is at most
  // one row above the line's top; otherwise the line above, whose extent
  // covers it and whose bottom lies within twice the character height,
  // takes it, and the reading order puts it among that line's glyphs.
  struct Case {
    int32_t markTop;
    int32_t line;
  };
  for (const Case& c : {Case{49, 2}, Case{48, 1}}) {
    TOmnifontOCR engine;
    Canvas canvas(130, 80);
    Blocks(canvas, 10, 10, 20);
    Blocks(canvas, 4, 50, 20);
    canvas.Fill(60, c.markTop, 61, c.markTop + 10);
    Prepare(engine, canvas);
    FindLines(engine);
    ASSERT_EQ(engine.LineTable.Count, 3);
    ASSERT_EQ(engine.LineTable.Top[2], 50);
    AssignLines(engine);
    SortReadingOrder(engine);
    std::vector<int32_t> lefts;
    int32_t markLine = -1;
    for (const auto& r : engine.Characters) {
      if (r->Left == 60) markLine = r->Line;
      if (r->Line == 1) lefts.push_back(r->Left);
    }
    EXPECT_EQ(markLine, c.line) << "mark top " << c.markTop;
    EXPECT_EQ(engine.LineTable.MaxX[2], c.line == 2 ? 61 : 45) << "mark top " << c.markTop;
    if (c.line == 1) {
      EXPECT_EQ(lefts, (std::vector<int32_t>{2, 14, 26, 38, 50, 60, 62, 74, 86, 98, 110}));
    }
  }
}

TEST(EngineLines, AComponentSpanningTwoLinesIsCutAtTheUpperLinesBottom) {
  TOmnifontOCR engine;
  Canvas c(125, 90);
  Blocks(c, 10, 10, 20);
  Blocks(c, 10, 60, 20);
  c.Fill(47, 10, 48, 79);  // between the fourth and fifth glyphs of both lines
  Prepare(engine, c);
  FindLines(engine);
  ASSERT_EQ(engine.LineTable.Count, 3);
  ASSERT_EQ(LineHeights(engine, 1), (Heights{10, 15, 29, 34}));
  ASSERT_EQ(LineHeights(engine, 2), (Heights{60, 65, 79, 84}));
  AssignLines(engine);
  const std::size_t before = engine.Characters.size();
  TCharRecord* tall = nullptr;
  for (const auto& r : engine.Characters) {
    if (r->Left == 47) tall = r.get();
  }
  ASSERT_NE(tall, nullptr);
  ASSERT_EQ(tall->Line, 1);
  const int32_t count = engine.ComponentCount;
  SplitTwoLineComponents(engine);
  ASSERT_EQ(engine.Characters.size(), before + 1);
  const TCharRecord& upper = *engine.Characters.back();
  EXPECT_EQ(upper.Top, 10);
  EXPECT_EQ(upper.Bottom, 34);
  EXPECT_EQ(upper.Line, 1);
  EXPECT_EQ(RecordHeights(upper), (Heights{10, 15, 29, 34}));
  EXPECT_EQ(upper.Serial, count);
  EXPECT_EQ(tall->Top, 35);
  EXPECT_EQ(tall->Bottom, 79);
  EXPECT_EQ(tall->Line, 2);
  EXPECT_EQ(RecordHeights(*tall), (Heights{60, 65, 79, 84}));
  EXPECT_EQ(engine.ComponentCount, count + 1);
}

TEST(EngineLines, TwoLineSplitNeverLeavesAnEmptyPiece) {
  // With a tiny character height the size test admits a box that ends just
  // above its line's bottom; cutting it there would turn the box inside out.
  TOmnifontOCR engine;
  AttachWorkingRaster(engine, Canvas(40, 40).art);
  engine.AvgCharHeight = 1;
  engine.LineTable.Count = 3;
  auto p = ocrtest::MakeRecord(5, 10, 6, 13);  // 4 rows, line bottom 14
  p->Line = 1;
  p->LineTop = 10;
  p->LineMean = 11;
  p->LineBase = 13;
  p->LineBottom = 14;
  auto q = ocrtest::MakeRecord(8, 20, 9, 24);
  q->Line = 2;
  TCharRecord* pp = p.get();
  engine.Characters.push_back(std::move(p));
  engine.Characters.push_back(std::move(q));
  SplitTwoLineComponents(engine);
  EXPECT_EQ(engine.Characters.size(), 2u);
  EXPECT_EQ(pp->Top, 10);
  EXPECT_EQ(pp->Bottom, 13);
  EXPECT_EQ(pp->Line, 1);
}

// 2047 real lines fill the table; the 2047th raises.
TEST(EngineLines, TheLineTableHoldsAtMost2046RealLines) {
  for (const auto& [lines, raises] :
       std::vector<std::pair<int32_t, bool>>{{2046, false}, {2047, true}}) {
    TOmnifontOCR engine;
    Canvas c(4, lines * 8 + 2);
    for (int32_t i = 0; i < lines; ++i) c.Fill(1, 8 * i, 2, 8 * i + 5);
    Prepare(engine, c);
    if (raises) {
      try {
        FindLines(engine);
        ADD_FAILURE() << "no exception";
      } catch (const platform::Exception& e) {
        EXPECT_STREQ(e.what(), "lines>MAXlines");
      }
    } else {
      FindLines(engine);
      EXPECT_EQ(engine.LineTable.Count, 2047);
      EXPECT_EQ(engine.LineTable.Top[2046], 8 * 2045);
    }
  }
}

struct SpacingCase {
  const char* name;
  std::vector<int32_t> xs;  // one-pixel-wide records at these columns, in order
  bool fixedPitch;
  int32_t charPitch;
  int32_t gapEstimate;
};

TEST(EngineSpacing, PitchAndGapStatistics) {
  const std::vector<SpacingCase> cases = {
      // Steps 20 throughout: fixed. Gaps of 11 are too wide for the gap sum
      // (2g >= 3 x 5), so the gap estimate keeps its previous value 9.
      {"fixed", {0, 10, 20, 30, 40, 50}, true, 10, 9},
      // Doubled-centre steps 10, 10, 12, 20, 30: the entry at 70 % (20) is
      // 100 % above the one at 20 % (10); pitch = entry at 40 % (12) / 2.
      // Gaps 6, 6 and 7 are summed: (121 + 19 / 2 + 1) / 19 + 1 = 7.92.
      {"proportional", {0, 5, 10, 16, 26, 41}, false, 6, 8},
      // Steps of 4 and 150 are ignored, so only the steps of 6 count; gaps
      // 3, 3, 4, 4, 4 give (66 + 18 / 2 + 1) / 18 + 1 = 5.22.
      {"ignored steps", {0, 2, 4, 79, 82, 85, 88}, true, 3, 5},
  };
  for (const SpacingCase& c : cases) {
    TOmnifontOCR engine;
    engine.GapEstimate = 9;
    for (int32_t x : c.xs) engine.Characters.push_back(ocrtest::MakeRecord(x, 0, x, 9));
    MeasureSpacing(engine);
    EXPECT_EQ(engine.FixedPitch, c.fixedPitch) << c.name;
    EXPECT_EQ(engine.CharPitch, c.charPitch) << c.name;
    EXPECT_EQ(engine.GapEstimate, c.gapEstimate) << c.name;
  }
}

TEST(EngineSpacing, StatisticsWithoutSamplesKeepThePreviousRunsValues) {
  TOmnifontOCR engine;
  engine.FixedPitch = true;
  engine.CharPitch = 7;
  engine.GapEstimate = 3;
  engine.Characters.push_back(ocrtest::MakeRecord(10, 0, 20, 9));
  MeasureSpacing(engine);
  EXPECT_TRUE(engine.FixedPitch);
  EXPECT_EQ(engine.CharPitch, 7);
  EXPECT_EQ(engine.GapEstimate, 3);
}

}  // namespace

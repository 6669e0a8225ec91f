// Cutting glyphs joined along an edge and merging the pieces of broken ones.
#include <gtest/gtest.h>

#include "classifier/primitives.h"
#include "ocr/components.h"
#include "ocr/repair.h"
#include "ocr_test_util.h"

namespace {

using ocrtest::AttachWorkingRaster;
using ocrtest::Box;
using ocrtest::Boxes;
using ocrtest::Canvas;
using ocrtest::InkAt;
using ocrtest::MakeRecord;

// Two one-stem glyphs, stems at columns 3-4 and 13-14 over rows 1..24, joined
// by a bar along row `barRow` from column 1 to `barRight`, `barRows` thick
// (growing inwards).
Canvas JoinedPair(int32_t barRow, int32_t barRows, int32_t barRight = 17) {
  Canvas c(19, 26);
  c.Fill(3, 1, 4, 24).Fill(13, 1, 14, 24);
  if (barRow == 1) {
    c.Fill(1, 1, barRight, barRows);
  } else {
    c.Fill(1, 25 - barRows, barRight, 24);
  }
  return c;
}

void LabelAndCut(TOmnifontOCR& engine, const Canvas& c) {
  AttachWorkingRaster(engine, c.art);
  LabelComponents(engine);
  ASSERT_EQ(engine.Characters.size(), 1u);
  CutJoinedCharacters(engine);
}

TEST(EngineCutting, GlyphsJoinedAlongTheTopAreCutInTheFirstGap) {
  TOmnifontOCR engine;
  LabelAndCut(engine, JoinedPair(1, 1));
  // The cut column 9 (the middle of the gap 5..12) belongs to neither piece.
  EXPECT_EQ(Boxes(engine), (std::vector<Box>{{10, 1, 17, 24}, {1, 1, 8, 24}}));
  EXPECT_EQ(engine.Characters[1]->Serial, 1);  // the component count when it was made
  EXPECT_EQ(engine.ComponentCount, 2);
  // The bar is painted paper for (24 + 4) / 8 rows down from the top.
  EXPECT_FALSE(InkAt(engine, 9, 1));
  EXPECT_EQ(engine.Image->Row(1)[9], 0 | 7 | 192);
  EXPECT_TRUE(InkAt(engine, 8, 1));
}

TEST(EngineCutting, GlyphsJoinedAlongTheBottomGiveTheCutColumnToTheRightPiece) {
  TOmnifontOCR engine;
  LabelAndCut(engine, JoinedPair(24, 1));
  EXPECT_EQ(Boxes(engine), (std::vector<Box>{{9, 1, 17, 24}, {1, 1, 8, 24}}));
  EXPECT_FALSE(InkAt(engine, 9, 24));
  EXPECT_FALSE(InkAt(engine, 9, 22));
  EXPECT_TRUE(InkAt(engine, 10, 24));
}

TEST(EngineCutting, ThickBarsAreNeverCut) {
  // Three rows of a 24-row glyph are not less than an eighth of its height.
  for (int32_t row : {1, 24}) {
    TOmnifontOCR engine;
    LabelAndCut(engine, JoinedPair(row, 3));
    EXPECT_EQ(engine.Characters.size(), 1u) << "bar at row " << row;
    EXPECT_TRUE(InkAt(engine, 9, row)) << "bar at row " << row;
  }
}

TEST(EngineCutting, ABarOfFivePixelsIsNeverCut) {
  // Two one-pixel stems under the bar, the right one with a foot that widens
  // the box. A six-pixel bar is cut in the gap; a five-pixel one ends where
  // the second stroke ends, so it holds nothing to cut.
  struct Case {
    int32_t barRight;
    std::vector<Box> boxes;
  };
  for (const Case& c : {Case{6, {{5, 1, 10, 24}, {1, 1, 3, 24}}}, Case{5, {{1, 1, 10, 24}}}}) {
    TOmnifontOCR engine;
    Canvas canvas(12, 26);
    canvas.Fill(1, 1, c.barRight, 1).Fill(2, 1, 2, 24).Fill(5, 1, 5, 24).Fill(5, 23, 10, 24);
    LabelAndCut(engine, canvas);
    EXPECT_EQ(Boxes(engine), c.boxes) << "bar to " << c.barRight;
    EXPECT_EQ(InkAt(engine, 4, 1), c.barRight == 5) << "bar to " << c.barRight;
  }
}

TEST(EngineCutting, ACutMeetingInkLowerDownIsPaintedButNotSplit) {
  TOmnifontOCR engine;
  Canvas c = JoinedPair(1, 1);
  c.Fill(3, 20, 14, 20);  // a crossbar under the cut column
  LabelAndCut(engine, c);
  EXPECT_EQ(Boxes(engine), (std::vector<Box>{{1, 1, 17, 24}}));
  EXPECT_FALSE(InkAt(engine, 9, 1));
  EXPECT_TRUE(InkAt(engine, 9, 20));
}

TEST(EngineCutting, ABarEndingAtTheRasterEdgeIsProbedWithoutReadingOutside) {
  // The bar runs into the last column of the raster, so the row under it is
  // sampled up to one column past the edge.
  TOmnifontOCR engine;
  Canvas c(18, 26);
  c.Fill(3, 1, 4, 24).Fill(13, 1, 14, 24).Fill(1, 1, 17, 1);
  LabelAndCut(engine, c);
  EXPECT_EQ(Boxes(engine), (std::vector<Box>{{10, 1, 17, 24}, {1, 1, 8, 24}}));
}

// Records built by hand on one line: top 0, mean 4, base 13, bottom 17.
TCharRecord& AddOnLine(TOmnifontOCR& engine, int32_t left, int32_t top, int32_t right,
                       int32_t bottom) {
  auto r = MakeRecord(left, top, right, bottom);
  r->Line = 1;
  r->LineTop = 0;
  r->LineMean = 4;
  r->LineBase = 13;
  r->LineBottom = 17;
  engine.Characters.push_back(std::move(r));
  engine.ComponentCount += 1;
  return *engine.Characters.back();
}

TEST(EngineMerging, AnIDotIsMergedAcrossASmallGapOnly) {
  // The stem spans 9 rows, so the dot above it merges across a gap of up to
  // 2 x 9 + 4 rows; a stem whose box overlaps the dot's rows is left alone.
  struct Case {
    int32_t stemTop;
    bool merged;
  };
  for (const Case& c :
       {Case{4, true}, Case{2, true}, Case{23, true}, Case{24, false}, Case{1, false}}) {
    TOmnifontOCR engine;
    Canvas canvas(20, 40);
    canvas.Fill(10, 0, 11, 1).Fill(10, c.stemTop, 11, c.stemTop + 9);
    AttachWorkingRaster(engine, canvas.art);
    AddOnLine(engine, 10, 0, 11, 1);
    AddOnLine(engine, 10, c.stemTop, 11, c.stemTop + 9);
    MergeBrokenCharacters(engine);
    if (c.merged) {
      EXPECT_EQ(Boxes(engine), (std::vector<Box>{{10, 0, 11, c.stemTop + 9}})) << c.stemTop;
      EXPECT_EQ(engine.ComponentCount, 1);
    } else {
      EXPECT_EQ(engine.Characters.size(), 2u) << c.stemTop;
    }
  }
}

TEST(EngineMerging, TheDotsOfAColonMergeAcrossTwiceTheLowerDotsHeightOnly) {
  // A dot of rows 11..13 on the baseline and a dot above it. Whichever dot
  // the walk meets first, the gap is measured against the lower dot's height:
  // at most 2 x 2 + 4 rows from the upper dot's bottom to the lower dot's top.
  // An upper dot reaching below the mean line (row 4) is no mark above the
  // small letters, so only the lower dot, taken as a flat piece in the lower
  // body, can take it in.
  struct Case {
    int32_t upperTop;
    bool lowerFirst;
    bool merged;
  };
  for (const Case& c : {Case{3, true, true}, Case{3, false, true}, Case{1, true, true},
                        Case{1, false, true}, Case{0, true, false}, Case{0, false, false}}) {
    TOmnifontOCR engine;
    Canvas canvas(20, 20);
    canvas.Fill(10, 11, 12, 13).Fill(10, c.upperTop, 12, c.upperTop + 2);
    AttachWorkingRaster(engine, canvas.art);
    const Box lower{10, 11, 12, 13};
    const Box upper{10, c.upperTop, 12, c.upperTop + 2};
    for (const Box& b :
         c.lowerFirst ? std::vector<Box>{lower, upper} : std::vector<Box>{upper, lower}) {
      AddOnLine(engine, b.Left, b.Top, b.Right, b.Bottom);
    }
    MergeBrokenCharacters(engine);
    const std::string where = "upper top " + std::to_string(c.upperTop) +
                              (c.lowerFirst ? ", lower first" : ", upper first");
    if (c.merged) {
      EXPECT_EQ(Boxes(engine), (std::vector<Box>{{10, c.upperTop, 12, 13}})) << where;
    } else {
      EXPECT_EQ(engine.Characters.size(), 2u) << where;
    }
  }
}

TEST(EngineMerging, PiecesOnOtherLinesOrNotTextAreNotMerged) {
  for (int variant = 0; variant < 2; ++variant) {
    TOmnifontOCR engine;
    Canvas canvas(20, 40);
    canvas.Fill(10, 0, 11, 1).Fill(10, 4, 11, 13);
    AttachWorkingRaster(engine, canvas.art);
    AddOnLine(engine, 10, 0, 11, 1);
    TCharRecord& stem = AddOnLine(engine, 10, 4, 11, 13);
    if (variant == 0) stem.Line = 2;
    if (variant == 1) stem.Ch = NonTextMark;
    MergeBrokenCharacters(engine);
    EXPECT_EQ(engine.Characters.size(), 2u) << variant;
  }
}

TEST(EngineMerging, APieceTouchingItsLeftNeighbourAtTheCornerIsBridged) {
  TOmnifontOCR engine;
  Canvas canvas(12, 14);
  canvas.Fill(0, 0, 1, 10).Fill(2, 9, 4, 9);  // the left neighbour, ink at (4, 9)
  canvas.Fill(5, 2, 9, 8);                    // the piece, bottom-left corner (5, 8)
  AttachWorkingRaster(engine, canvas.art);
  AddOnLine(engine, 0, 0, 4, 10);
  AddOnLine(engine, 5, 2, 9, 8);
  ASSERT_FALSE(InkAt(engine, 5, 9));
  MergeBrokenCharacters(engine);
  // The survivor is the piece, grown over its neighbour.
  EXPECT_EQ(Boxes(engine), (std::vector<Box>{{0, 0, 9, 10}}));
  EXPECT_TRUE(InkAt(engine, 5, 9));
  EXPECT_EQ(engine.Image->Row(9)[5], 248 & 63);
}

TEST(EngineMerging, ACornerBridgeBelowTheLastRowIsNotPainted) {
  TOmnifontOCR engine;
  Canvas canvas(12, 9);
  canvas.Fill(0, 0, 1, 8).Fill(2, 8, 4, 8);
  canvas.Fill(5, 2, 9, 8);  // ends on the raster's last row
  AttachWorkingRaster(engine, canvas.art);
  AddOnLine(engine, 0, 0, 4, 8);
  AddOnLine(engine, 5, 2, 9, 8);
  MergeBrokenCharacters(engine);
  EXPECT_EQ(Boxes(engine), (std::vector<Box>{{0, 0, 9, 8}}));
}

// A small letter whose left stem broke off: a top bar from `left`, a right
// stem, and the broken stem piece.
struct StemCase {
  int32_t left;          // p's left column
  Box piece;             // the broken-off piece
  Box merged;            // the survivor's box
  int32_t bridgeColumn;  // where the bridge is painted, -1 when outside
};

TEST(EngineMerging, AStemBrokenOffAtTheLeftIsBridgedAndMerged) {
  const std::vector<StemCase> cases = {
      {3, {1, 14, 2, 25}, {1, 10, 10, 25}, 2},
      // At the raster's left edge the bridge column lies outside and is not
      // painted; the piece inside p's box still merges.
      {0, {0, 22, 0, 25}, {0, 10, 7, 25}, -1},
  };
  for (const StemCase& c : cases) {
    TOmnifontOCR engine;
    Canvas canvas(16, 30);
    const int32_t right = c.left + 7;
    canvas.Fill(c.left, 10, right, 12).Fill(right - 2, 10, right, 25);
    canvas.Fill(c.piece.Left, c.piece.Top, c.piece.Right, c.piece.Bottom);
    AttachWorkingRaster(engine, canvas.art);
    auto line = [](TCharRecord& r) {
      r.LineTop = 4;
      r.LineMean = 10;
      r.LineBase = 25;
      r.LineBottom = 30;
    };
    line(AddOnLine(engine, c.left, 10, right, 25));
    line(AddOnLine(engine, c.piece.Left, c.piece.Top, c.piece.Right, c.piece.Bottom));
    MergeBrokenCharacters(engine);
    EXPECT_EQ(Boxes(engine), (std::vector<Box>{c.merged})) << "left " << c.left;
    if (c.bridgeColumn >= 0) {
      EXPECT_TRUE(InkAt(engine, c.bridgeColumn, 10));
      EXPECT_TRUE(InkAt(engine, c.bridgeColumn, 11));
    }
    // Nothing was painted elsewhere (a write one column left of column 0
    // would land on the previous row's last pixel).
    EXPECT_FALSE(InkAt(engine, 15, 11));
    EXPECT_FALSE(InkAt(engine, 15, 12));
  }
}

}  // namespace

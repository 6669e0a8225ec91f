// The glyph features on glyphs drawn as text: what the grid keeps of a
// glyph's shape and proportions, and the measures beside it.
#include <gtest/gtest.h>

#include <string>

#include "../image/ascii_raster.h"
#include "glyphmodel/glyphfeatures.h"

namespace {

constexpr std::uint8_t kThreshold = 128;

TGlyphFeatures FeaturesOf(const Picture& art) {
  const auto raster = AsciiRaster(art, df8Bit);
  return GlyphFeatures(*raster, kThreshold, TRect{0, 0, raster->Width() - 1, raster->Height() - 1});
}

float Cell(const TGlyphFeatures& f, int32_t column, int32_t row) {
  return f[static_cast<std::size_t>(row * kGlyphGrid + column)];
}

// A rows x columns block of ink, or of a pattern of ink.
Picture Block(int32_t rows, int32_t columns, bool checkered = false) {
  Picture art;
  for (int32_t y = 0; y < rows; ++y) {
    std::string row;
    for (int32_t x = 0; x < columns; ++x) row += !checkered || (x + y) % 2 == 0 ? '#' : '.';
    art.push_back(row);
  }
  return art;
}

}  // namespace

TEST(GlyphFeatures, ANarrowGlyphKeepsItsProportionsInTheMiddleOfTheGrid) {
  // A 4 x 32 stroke in a box with paper around it: the ink box spans the
  // grid's height and 2 of its 16 columns, in the middle.
  Picture art(36, std::string(12, '.'));
  for (int32_t y = 2; y < 34; ++y) art[y].replace(4, 4, "####");
  const TGlyphFeatures f = FeaturesOf(art);
  for (int32_t row = 0; row < kGlyphGrid; ++row) {
    for (int32_t column = 0; column < kGlyphGrid; ++column) {
      const bool stroke = column == 7 || column == 8;
      EXPECT_FLOAT_EQ(Cell(f, column, row), stroke ? 1.0f : 0.0f) << column << "," << row;
    }
  }
  EXPECT_FLOAT_EQ(f[kGridFeatures], 4.0f / 32.0f);  // width over height
  EXPECT_FLOAT_EQ(f[kGridFeatures + 3], 1.0f);      // all of the ink box is ink
}

TEST(GlyphFeatures, CellsHoldTheShareOfTheirAreaThatIsInk) {
  // Two pixels a cell each way: a solid block covers every cell whole, a
  // checkered one every cell by half, where sampling one pixel per cell
  // would read all ink or all paper.
  const TGlyphFeatures solid = FeaturesOf(Block(32, 32));
  for (std::size_t i = 0; i < kGridFeatures; ++i) EXPECT_FLOAT_EQ(solid[i], 1.0f) << i;
  const TGlyphFeatures f = FeaturesOf(Block(32, 32, true));
  for (std::size_t i = 0; i < kGridFeatures; ++i) EXPECT_FLOAT_EQ(f[i], 0.5f) << i;
  EXPECT_FLOAT_EQ(f[kGridFeatures + 3], 0.5f);
  // A glyph smaller than the grid is spread over it.
  const TGlyphFeatures small = FeaturesOf(Block(8, 8));
  for (std::size_t i = 0; i < kGridFeatures; ++i) EXPECT_FLOAT_EQ(small[i], 1.0f) << i;
}

TEST(GlyphFeatures, HolesAreEnclosedPaperOfSomeSize) {
  struct Case {
    const char* name;
    Picture art;
    float oneOrMore, twoOrMore;
  };
  const Case cases[] = {
      {"bar", Block(12, 4), 0, 0},
      {"ring", {"######", "#....#", "#....#", "#....#", "######"}, 1, 0},
      {"eight", {"#####", "#...#", "#####", "#...#", "#####"}, 1, 1},
      // A paper notch open to the border encloses nothing.
      {"open", {"######", "#....#", "#.....", "#....#", "######"}, 0, 0},
      // One paper pixel in a 12 x 12 box is a speck, not a hole.
      {"speck",
       {"############", "############", "############", "############", "############",
        "#####.######", "############", "############", "############", "############",
        "############", "############"},
       0,
       0},
  };
  for (const Case& c : cases) {
    const TGlyphFeatures f = FeaturesOf(c.art);
    EXPECT_EQ(f[kGridFeatures + 1], c.oneOrMore) << c.name;
    EXPECT_EQ(f[kGridFeatures + 2], c.twoOrMore) << c.name;
  }
}

TEST(GlyphFeatures, OnlyTheInkInsideTheBoxCountsAndABoxWithoutInkHasNone) {
  const auto raster = AsciiRaster({"##....", "##....", "......"}, df8Bit);
  // The box reaches past the raster: clipped.
  const TGlyphFeatures inside = GlyphFeatures(*raster, kThreshold, TRect{-3, -3, 1, 1});
  EXPECT_FLOAT_EQ(inside[kGridFeatures], 1.0f);
  // Boxes that hold no ink: beside the ink, wholly outside the raster, or
  // turned inside out.
  for (const TRect& box : {TRect{2, 0, 9, 9}, TRect{-9, -9, -5, -5}, TRect{-9, 0, -5, 2},
                           TRect{7, 4, 20, 20}, TRect{1, 1, 0, 0}}) {
    const TGlyphFeatures none = GlyphFeatures(*raster, kThreshold, box);
    for (const float v : none) EXPECT_EQ(v, 0.0f) << box.Left << "," << box.Top;
  }
}

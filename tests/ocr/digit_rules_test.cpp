// Single rules of the digit recogniser on small hand-drawn glyphs: the rounded
// fractions its tests are measured in, and the walk that finds the mouth of a
// "2" between its diagonal and its base.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ascii_raster.h"
#include "classifier/classifier.h"
#include "classifier/primitives.h"
#include "classifier/probes.h"
#include "ocr/omnifontocr.h"

using testing_raster::kThreshold;
using testing_raster::MakeRaster;

namespace {

using Art = std::vector<std::string>;

// The confidence the digit recogniser gives `digit` for a glyph standing tall
// on its line, or 0 when it does not propose it.
int32_t DigitConfidence(const Art& art, char16_t digit) {
  TOmnifontOCR engine;
  const auto crop = MakeRaster(art);
  TCharRecord record;
  record.Right = crop->Width() - 1;
  record.Bottom = crop->Height() - 1;
  record.LineBase = crop->Height() - 1;
  record.LineBottom = crop->Height() + crop->Height() / 4;
  record.Raster = crop.get();
  TGlyphContext context;
  context.Glyph = &record;
  context.Crop = crop.get();
  context.Threshold = kThreshold;
  context.IsTall = true;
  FindHoles(engine, *crop, 0, crop->Width() - 1, 0, crop->Height() - 1, kThreshold, &context.Holes);
  RecogniseDigits(engine, context);
  for (int32_t i = 0; i < record.CandCount; ++i) {
    if (record.Cands[i] == digit) return record.Confs[i];
  }
  return 0;
}

TEST(DigitRules, RoundedFractionsTakeHalvesToTheEvenNeighbour) {
  struct TCase {
    int32_t size, k, expected;
  };
  static constexpr TCase kCases[] = {
      {6, 4, 2},    // 1.5
      {10, 4, 2},   // 2.5
      {14, 4, 4},   // 3.5
      {11, 4, 3},   // 2.75
      {16, 32, 0},  // 0.5
      {48, 32, 2},  // 1.5
      {12, 8, 2},   // 1.5
      {18, 5, 4},   // 3.6
  };
  for (const TCase& c : kCases) {
    const auto wide = MakeRaster(Art(1, std::string(c.size, '.')));
    const auto tall = MakeRaster(Art(c.size, std::string(1, '.')));
    const Probes across(*wide, 0, 0, c.size, 1, kThreshold);
    const Probes down(*tall, 0, 0, 1, c.size, kThreshold);
    EXPECT_EQ(across.rW(c.k), c.expected) << c.size << "/" << c.k;
    EXPECT_EQ(down.rH(c.k), c.expected) << c.size << "/" << c.k;
  }
}

// A "2" whose mouth is found by climbing from the base at three quarters of
// the width and walking right under the diagonal. Row 12 holds `blocker`
// right of the diagonal, rows 10 and 11 hold `above` there.
Art TwoWithSpeck(const std::string& above, const std::string& blocker) {
  return {
      "...######...",  //
      "..##....##..",  //
      ".##......##.",  //
      ".#........##",  //
      "..........##",  //
      "..........##",  //
      "..........##",  //
      "..........##",  //
      ".........##.",  //
      "........##..",  //
      ".......##" + above, "......##." + above, ".....##.." + blocker,
      "....##......",  //
      "..##........",  //
      "##..........",  //
      "############",  //
      "############",  //
  };
}

TEST(DigitRules, TheMouthOfATwoMayOpenOnlyOnTheSecondWalkRight) {
  struct TCase {
    const char* what;
    std::string above, blocker;
    int32_t expected;
  };
  const TCase cases[] = {
      {"open mouth", "...", "...", 100},
      // The first walk meets ink in the last column: that reaches the edge.
      {"speck in the last column", "...", "..#", 100},
      // Blocked under the diagonal: one column back, up to the diagonal
      // (still in the lower half) and right again, clear this time.
      {"speck under the diagonal", "...", ".#.", 100},
      // Blocked on the second walk as well.
      {"bar under the diagonal", ".#.", ".#.", 0},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(DigitConfidence(TwoWithSpeck(c.above, c.blocker), u'2'), c.expected) << c.what;
  }
}

}  // namespace

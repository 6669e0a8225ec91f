// Single rules of the digit recogniser on small hand-drawn glyphs: the rounded
// fractions its tests are measured in, the walk that finds the mouth of a "2"
// between its diagonal and its base, and the dispatcher's judgement of how
// tall a glyph stands on its line, which the "2" pays for when short.
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

// The "2" of TwoWithSpeck classified in numeric mode, standing in a working
// raster at the given top row, on a line with the given heights. Returns the
// confidence of "2".
int32_t TwoOnLine(int32_t top, int32_t lineTop, int32_t lineMean, int32_t lineBase,
                  int32_t lineBottom) {
  constexpr int32_t kLeft = 3;
  const Art glyph = TwoWithSpeck("...", "...");
  const int32_t w = static_cast<int32_t>(glyph[0].size()), h = static_cast<int32_t>(glyph.size());
  Art page(lineBottom + 4, std::string(w + 2 * kLeft, '.'));
  for (int32_t y = 0; y < h; ++y) page[top + y].replace(kLeft, w, glyph[y]);
  const auto raster = MakeRaster(page);
  const auto crop = MakeRaster(glyph);
  TOmnifontOCR engine;
  engine.NumericOnly = true;
  TCharRecord record;
  record.Left = kLeft;
  record.Right = kLeft + w - 1;
  record.Top = top;
  record.Bottom = top + h - 1;
  record.LineTop = lineTop;
  record.LineMean = lineMean;
  record.LineBase = lineBase;
  record.LineBottom = lineBottom;
  record.Raster = raster.get();
  ClassifyGlyph(engine, record, *crop, kThreshold);
  for (int32_t i = 0; i < record.CandCount; ++i) {
    if (record.Cands[i] == u'2') return record.Confs[i];
  }
  return 0;
}

TEST(DigitRules, AGlyphOverhangingTheBaselineIsTallWhenMovingItUpMakesItTall) {
  // The glyph is 18 rows high; a short "2" on a line with a bottom costs x80.
  struct TCase {
    const char* what;
    int32_t top, lineTop, lineMean;
    int32_t expected;
  };
  static constexpr TCase kCases[] = {
      // Standing on the baseline 30: its top 13 reaches the middle of 8 and 18.
      {"on the baseline", 13, 8, 18, 100},
      // One row lower its top misses that middle, but moved up by the row it
      // hangs below the baseline it reaches it again: 2 * (14 - 1) <= 8 + 18.
      {"one row below the baseline", 14, 8, 18, 100},
      // With the top line one row lower, moving up no longer helps: 26 > 7 + 18.
      {"one row below, short by a row", 14, 7, 18, 80},
  };
  for (const TCase& c : kCases) {
    EXPECT_EQ(TwoOnLine(c.top, c.lineTop, c.lineMean, 30, 36), c.expected) << c.what;
  }
}

}  // namespace

// The digit recogniser: runs the shape test of every digit in a fixed order
// and proposes each digit whose test holds. The tests live in digits_1_5.cpp
// (5, 1, 2, 3, 4) and digits_6_0.cpp (6, 7, 8, 9 and the two zeros); the
// helpers they share are here.
#include <array>

#include "classifier/classifier.h"
#include "classifier/digits_internal.h"

TDigitTests::TDigitTests(const TGlyphContext& context)
    : Probes(*context.Crop, 0, 0, context.Crop->Width(), context.Crop->Height(), context.Threshold),
      context_(context) {}

bool TDigitTests::onlyTopLeftLoop() const {
  return holeCount() < 1 || (hole(0).Right < W / 2 && hole(0).Bottom < H / 2);
}

bool TDigitTests::ringOutlineSingle() const {
  const int32_t x0 = W / 3, x1 = W - 1 - W / 3;
  const int32_t y0 = H / 3, y1 = H - 1 - H / 3;
  return (runs(x0, 0, x1, 0) == 1 || runs(x0, 1, x1, 1) == 1) &&
         (runs(x0, H - 1, x1, H - 1) == 1 || runs(x0, H - 2, x1, H - 2) == 1) &&
         (runs(0, y0, 0, y1) == 1 || runs(1, y0, 1, y1) == 1) &&
         (runs(W - 1, y0, W - 1, y1) == 1 || runs(W - 2, y0, W - 2, y1) == 1);
}

bool TDigitTests::openRightCorners() const {
  const int32_t cw = W / 32, ch = H / 32;
  const bool topRight = ink(W - 1 - cw, W - 1, 0, ch);
  const bool bottomRight = ink(W - 1 - cw, W - 1, H - 1 - ch, H - 1);
  const bool topLeft = ink(0, cw, 0, ch);
  const bool bottomLeft = ink(0, cw, H - 1 - ch, H - 1);
  return !topRight && !bottomRight && (topLeft || bottomLeft);
}

int32_t TDigitTests::widestGap(TEdge edge, int32_t from, int32_t to, int32_t step, bool lastWins,
                               int32_t& row) const {
  int32_t widest = -1;
  for (int32_t y = from; step > 0 ? y <= to : y >= to; y += step) {
    const int32_t g = edge == TEdge::Left ? gL(y) : gR(y);
    if (g > widest || (lastWins && g == widest)) {
      widest = g;
      row = y;
    }
  }
  return widest;
}

void RecogniseDigits(TOmnifontOCR& engine, TGlyphContext& context) {
  if (context.Crop == nullptr || context.Glyph == nullptr) return;
  const TDigitTests tests(context);
  struct TDigitTest {
    char16_t digit;
    TDigitVerdict (TDigitTests::*test)() const;
  };
  // The order is part of the result: SetAC keeps the first of equal confidences.
  static constexpr std::array<TDigitTest, 11> kTests = {{
      {u'5', &TDigitTests::Digit5},
      {u'1', &TDigitTests::Digit1},
      {u'2', &TDigitTests::Digit2},
      {u'3', &TDigitTests::Digit3},
      {u'4', &TDigitTests::Digit4},
      {u'6', &TDigitTests::Digit6},
      {u'7', &TDigitTests::Digit7},
      {u'8', &TDigitTests::Digit8},
      {u'9', &TDigitTests::Digit9},
      {u'0', &TDigitTests::Digit0Ring},
      {u'0', &TDigitTests::Digit0Divided},
  }};
  for (const TDigitTest& t : kTests) {
    if (const TDigitVerdict conf = (tests.*t.test)()) SetAC(engine, *context.Glyph, t.digit, *conf);
  }
}

// Recognisers for the letters O, P, Q and R.
//
//   "O"/"o"  one test: a ring with an empty middle and a bulging left side
//   "P"/"p"  one test: a straight stem with a bowl closed at the top right
//   "Q", "q" a ring with a tail to the lower right; a bowl with a descending stem
//   "r", "R" a stem with an arm at the top; a stem, a bowl and a leg
//
// Both tests of Q and of R always run.
#include <algorithm>
#include <cstdlib>

#include "classifier/letter_rules.h"

namespace {

// ---------------------------------------------------------------- "O"

// A ring: ink on every side of the centre, an empty middle third, one
// crossing along the edges of the box.
bool IsRingO(const TLetterView& v) {
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!r.ink(0, W / 2, H / 2, H / 2) || !r.ink(W - 1 - W / 2, W - 1, H / 2, H / 2) ||
      !r.ink(W / 2, W / 2, H - 1 - H / 2, H - 1) || !r.ink(W / 2, W / 2, 0, H / 2))
    return false;
  if (r.ink(W / 2, W / 2, H / 3, H - 1 - H / 3)) return false;
  if (r.runs(W / 2, 0, W / 2, H - 1) != 2) return false;
  const auto rowOnce = [&](int32_t y) { return r.runs(W / 3, y, W - 1 - W / 3, y) == 1; };
  const auto columnOnce = [&](int32_t x) { return r.runs(x, H / 3, x, H - 1 - H / 3) == 1; };
  if (!rowOnce(0) && !rowOnce(1)) return false;
  if (!rowOnce(H - 1) && !rowOnce(H - 2)) return false;
  if (!columnOnce(0) && !columnOnce(1)) return false;
  if (!columnOnce(W - 1) && !columnOnce(W - 2)) return false;
  return v.holes.Count == 1;
}

// Rounded shoulders: the top-left corner is cut, and the right side closes in
// steadily towards the bottom.
bool HasRoundShouldersO(const Probes& c, int32_t W, int32_t H) {
  if (c.gap(0, 2, dirRight, W - 1) >= c.gap(0, 0, dirRight, W - 1)) return false;
  int32_t previous = c.gap(W - 1, H - 1 - H / 3, dirLeft, W - 1);
  for (int32_t y = H - H / 3; y <= H - 1; ++y) {
    const int32_t current = c.gap(W - 1, y, dirLeft, W - 1);
    if (current < previous) return false;
    previous = current;
  }
  return true;
}

// The left side bulges, and the rows near the top and the bottom do not end
// far short of the right edge while starting at the left one.
bool HasBalancedSidesO(const Probes& c, int32_t W, int32_t H) {
  if (2 * c.gL(H / 2) + W / 8 >= c.gL(H / 16) + c.gL(H - 1 - H / 16)) return false;
  if (c.gR(H / 16 + 1) >= c.gL(H / 16 + 1) + W / 4) return false;
  if (c.gR(H / 16) > W / 8 && c.gL(H / 16) < W / 16) return false;
  return c.gR(H - 1 - H / 16) <= W / 8 || c.gL(H - 1 - H / 16) >= W / 16;
}

// Square left corners with rounded right ones belong to a "D".
bool HasSquareLeftCornersOnly(const TLetterView& v) {
  const int32_t W = v.W, H = v.H;
  const Probes& r = v.raster;
  const bool roundRight = r.blank(W - 1 - W / 32, W - 1, 0, H / 32) &&
                          r.blank(W - 1 - W / 32, W - 1, H - 1 - H / 32, H - 1);
  const bool squareLeft =
      v.crop.ink(0, W / 32, 0, H / 32) || r.ink(0, W / 32, H - 1 - H / 32, H - 1);
  return roundRight && squareLeft;
}

void TestO(const TLetterView& v) {
  const int32_t W = v.W, H = v.H;
  // 1.5 H >= W, exactly.
  if (W <= 2 || H <= 3 || 3 * H < 2 * W || v.holes.Count > 2) return;
  if (!IsRingO(v)) return;
  if (!HasRoundShouldersO(v.crop, W, H)) return;
  if (!HasBalancedSidesO(v.crop, W, H)) return;
  if (HasSquareLeftCornersOnly(v)) return;
  const int32_t conf = v.ctx.HasDescender ? 99 : 100;
  ProposeByLinePosition(v, u'O', u'o', conf);
}

// ---------------------------------------------------------------- "P"

// The bowl: ink on the left at mid and lower height and across the top right,
// an open lower right, and a column through the bowl crossing two strokes.
bool HasBowlP(const Probes& c, int32_t W, int32_t H) {
  if (!c.ink(0, W / 2, 3 * H / 4, 3 * H / 4) || !c.ink(0, W / 2, H / 2, H / 2) ||
      !c.ink(W / 4, W - 1, H / 4, H / 4))
    return false;
  const int32_t u = c.gR(3 * H / 4);
  if (u < W / 4) return false;
  const int32_t y3 = H - 1 - 3 * H / 16;
  const auto twice = [&](int32_t x) { return c.runs(x, 0, x, y3) == 2; };
  if (!twice(W - 1 - 3 * u / 4) && !twice(W - 1 - u / 2) && !twice(W / 2) && !twice(W / 2 + 1))
    return false;
  if (c.nRow(7 * H / 8) != 1 && c.nRow(7 * H / 8 - 1) != 1) return false;
  if (c.nRow(H / 4) != 2 && c.nRow(H / 4 - 1) != 3 && c.nRow(H / 4 + 1) != 2) return false;
  int32_t l = c.gL(H / 2);
  if (l > 0) l = l - 1;
  return c.runs(l, H / 4, W - 1, H / 4) == 2 || c.runs(l, H / 4 + 1, W - 1, H / 4 + 1) == 2;
}

// No row's left edge lies right of the stem's right edge, extended as a
// straight line through rows 3H/8 and 7H/8. Yields where the stem starts on
// row 3H/8.
std::optional<int32_t> StraightStemP(const Probes& c, int32_t W, int32_t H) {
  const int32_t a = c.gL(3 * H / 8);
  const int32_t b = a + c.inkRun(a, 3 * H / 8, dirRight);
  const int32_t d = c.gL(7 * H / 8) + c.firstRun(7 * H / 8);
  for (int32_t y = H / 8; y < 7 * H / 8; ++y)
    if (c.gL(y) > W / 16 + b + (d - b) * (8 * y - 3 * H) / (4 * H)) return std::nullopt;
  return a;
}

// Below the bowl the right side opens past the middle and stays empty at the
// right to the bottom.
bool HasOpenLowerRightP(const Probes& c, int32_t W, int32_t H) {
  int32_t m = 0;
  int32_t y = H / 3;
  for (; y < 7 * H / 8; ++y) {
    m = std::max(m, c.gR(y));
    if (m > W / 2) break;
  }
  if (m < W / 2 || m >= W) return false;
  return !c.ink(3 * W / 4, W - 1, y, H - 1);
}

void TestP(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 2 || H <= 3 || 2 * H < W || v.holes.Count > 2) return;
  if (!HasBowlP(c, W, H)) return;
  const auto stemStart = StraightStemP(c, W, H);
  if (!stemStart) return;
  if (!HasOpenLowerRightP(c, W, H)) return;

  const int32_t k = v.holesIn(0, W - 1, 0, H - 1 - H / 5);
  const int32_t n = v.holes.Count;
  int32_t conf = *stemStart < W / 2 ? 100 : 90;
  if (k == 0 && n == 0) conf = Times(conf, 90);
  if (k > 1 || n > 1 || k < n) return;
  // The bowl too deep: below the right stroke on row Hc/4 the paper reaches
  // past half the height.
  const int32_t rowQ = v.Hc / 4;
  const int32_t rr = c.gap(v.Wc - 1, rowQ, dirLeft, W);
  const int32_t s = c.inkRun(v.Wc - 1 - rr, rowQ, dirLeft, W);
  if (c.gap(v.Wc - 1 - rr - s, rowQ, dirDown, 3 * H / 4) > H / 2) conf = Times(conf, 80);
  ProposeByLineFlags(v, u'P', u'p', conf);
}

// ---------------------------------------------------------------- "Q"

bool PassesPreconditionsCapitalQ(const TLetterView& v) {
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  if (W <= 2 || H <= 4 || v.holes.Count > 2) return false;
  return r.ink(0, W / 3, H / 3, H / 3) && r.ink(W - 1 - W / 3, W - 1, H / 3, H / 3) &&
         r.ink(W / 2, W / 2, H - 1 - H / 3, H - 1) && r.ink(W / 2, W / 2, 0, H / 4);
}

// A ring like the "O", allowed a second hole only inside the lower half
// (where the tail crosses the ring).
bool IsRingQ(const TLetterView& v) {
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  if (r.ink(W / 2, W / 2, H / 3, H - 1 - H / 2) || r.inkAt(W - 1, 0)) return false;
  if (r.runs(W / 2, 0, W / 2, H - 1) <= 1) return false;
  const auto topOnce = [&](int32_t y) { return r.runs(W / 5, y, W - 1 - W / 5, y) == 1; };
  const auto sideOnce = [&](int32_t x) { return r.runs(x, H / 3, x, H - 1 - H / 3) == 1; };
  if (!topOnce(0) && !topOnce(1)) return false;
  if (!sideOnce(0) && !sideOnce(1)) return false;
  if (!r.ink(W - 1, W - 1, H - 1 - H / 8, H - 1) && !sideOnce(W - 1) && !sideOnce(W - 2))
    return false;
  if (v.holes.Count == 1) return true;
  return v.holes.Count == 2 && v.holesIn(0, W - 1, H / 2, H - 1) == 1;
}

// The tail from the bottom right corner: paper leftwards to ink within half
// the width, then the tail's ink. A tail reaching past the middle costs.
std::optional<int32_t> TailWalkQ(const TLetterView& v, int32_t conf) {
  const int32_t W = v.W, H = v.H;
  int32_t x = W - 1, y = H - 1;
  v.raster.walk(x, y, 0, W - 1, 0, H - 1, dirLeft, dirStop);
  if (x < W - 1 - W / 2) return std::nullopt;
  v.raster.walk(x, y, 0, W - 1, 0, H - 1, dirStop, dirLeft);
  if (x < W - 1 - W / 2) conf = Times(conf, v.ctx.HasDescender ? 98 : 90);
  return conf;
}

// A round top and right side: no step out at the top left, a full top, and a
// right edge that bends away from the top.
bool HasRoundTopQ(const Probes& c, int32_t W, int32_t H) {
  if (c.gL(2) > c.gL(0)) return false;
  if (c.gL(H / 8 + 2) + c.gR(H / 8 + 2) > 5 * W / 8) return false;
  const int32_t e = c.gap(W - 1, 3 * H / 8, dirLeft, H);
  if (e > W / 4) return false;
  if (c.gT(W - 2 - e) >= c.gT(W - 1 - e)) return false;
  if (c.gR(H / 2) >= c.gR(H - 2) && c.gB(W / 2) >= c.gB(1) && c.gL(H - 2) > W / 2 &&
      c.gL(0) > W / 2)
    return false;
  return c.gR(H / 3) <= W / 4;
}

// The tail sticks out to the right below the middle: how far the right gap,
// after reaching its widest, closes in again (the scan stops once that
// exceeds W/16).
int32_t TailReachQ(const Probes& c, int32_t W, int32_t H) {
  int32_t widest = 0;
  int32_t d = 0;
  for (int32_t y = H / 2; y < H; ++y) {
    const int32_t g = c.gR(y);
    widest = std::max(widest, g);
    d = std::max(d, widest - g);
    if (d > W / 16) break;
  }
  return d;
}

void TestCapitalQ(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!PassesPreconditionsCapitalQ(v)) return;
  if (!IsRingQ(v)) return;
  const auto walked = TailWalkQ(v, 100);
  if (!walked) return;
  int32_t conf = *walked;
  if (!HasRoundTopQ(c, W, H)) return;

  // A gap under the middle with ink at its height on the left: an open bottom.
  const int32_t b = c.gB(W / 2);
  if (b > 1 && b > H / 8 && c.ink(0, W / 2, H - 1 - b / 2, H - 1 - b / 2)) {
    if (b > 4) return;
    conf = Times(conf, 95);
  }
  const int32_t tail = TailReachQ(c, W, H);
  if (tail == 0) return;
  if (tail <= W / 16) conf = Times(conf, 98);
  if (v.glyph.LineBase >= v.glyph.Bottom) conf = Times(conf, 98);
  if (!v.ctx.IsTall) conf = Times(conf, 96);
  v.propose(u'Q', conf);
}

// ---------------------------------------------------------------- "q"

// The row where the stem of a "q" stands furthest from the left edge, below
// the bowl: yields the row, or nothing when no such gap opens.
std::optional<int32_t> StemRowQ(const TLetterView& v) {
  const int32_t W = v.W, H = v.H;
  int32_t largest = 0;
  int32_t yq = H / 3;
  for (int32_t y = H / 3; y <= H - 1 - H / 8; ++y) {
    const int32_t g = v.raster.gL(y);
    if (g > largest) {
      largest = g;
      yq = y;
    }
  }
  if (largest < W / 2 || largest >= W) return std::nullopt;
  return yq;
}

void TestSmallQ(const TLetterView& v) {
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  if (W <= 2 || H <= 3 || v.holes.Count > 2) return;
  int32_t conf = 100;
  const auto stemRow = StemRowQ(v);
  if (!stemRow) return;
  const int32_t yq = *stemRow;
  if (r.gap(0, yq, dirUp) < 2) {
    conf = Times(conf, 97);
    if (v.ctx.IsTall || !v.ctx.HasDescender) return;
  }
  if (!r.ink(W - 1 - W / 3, W - 1, H / 3, H / 3) || !r.ink(0, W / 3, H / 3, H / 3)) return;
  if (r.ink(0, W / 4, H - 1 - H / 5, H - 1 - H / 9)) return;
  if (r.runs(W / 2, 0, W / 2, yq) != 2) return;
  // Narrow glyphs may lose or gain a hole to the raster; wide ones may not.
  if (v.holes.Count != 1) {
    if (W >= 16) return;
    conf = Times(conf, 98);
  }
  if (v.holesIn(0, W - 1, 0, yq) != 1) {
    if (W >= 16) return;
    conf = Times(conf, 98);
  }
  if (v.crop.gL(H - 1 - H / 4) > 5 * W / 8 && v.crop.ink(W / 4, W / 4, H - 1 - H / 4, H - 1))
    return;
  if (!v.ctx.HasDescender) conf = Times(conf, 90);
  if (v.ctx.IsTall) conf = Times(conf, 90);
  v.propose(u'q', conf);
}

// ---------------------------------------------------------------- "r"

// From the middle down to near the bottom the "r" is one stem in the left
// half of the box.
bool HasLeftStemR(const Probes& c, int32_t W, int32_t H) {
  return AllIn(H / 2, H - (H + 20) / 32, [&](int32_t y) {
    if (y < H - H / 4 && c.nRow(y) != 1) return false;
    const int32_t l = c.gL(y), rr = c.gR(y);
    return l <= 3 * W / 8 && rr >= l && (l + W - 1 - rr) / 2 < W / 2;
  });
}

bool HasArmR(const Probes& c, int32_t W, int32_t H) {
  if (!AllIn(W / 2, W, [&](int32_t x) { return c.ink(x, x, 0, H / 4); })) return false;
  if (c.gR(H - 1 - H / 4) > 5 * W / 8 && c.ink(W - 1 - W / 8, W - 1, H - 1 - H / 4, H - 1))
    return false;
  return c.gL(5 * H / 8) > W / 8 || c.gR(5 * H / 8) < 5 * H / 8 || c.gB(W / 2) > H / 8;
}

void TestSmallR(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  const TCharRecord& g = v.glyph;
  if (H <= 4 || W <= 2 || v.holes.Count > 1 || g.LineBase - g.LineTop > 2 * H) return;
  const int32_t armReach = W <= 4 ? W / 8 + 1 : W / 8 + 2;
  if (c.gR(H / 2) <= armReach) return;
  if (!HasLeftStemR(c, W, H)) return;
  if (!HasArmR(c, W, H)) return;

  int32_t conf = 100;
  if (W / 8 + c.gR(3 * H / 8) < c.gL(3 * H / 8)) {
    if (c.gL(H / 8) < W / 8) return;
    conf = 98;
  }
  if (c.gL(H / 4) > 3 * W / 8 && c.ink(0, W / 8, 0, H / 4)) return;
  if (v.holes.Count != 0) return;
  if (c.nRow(H / 2) != 1 && c.nRow(H / 2 + 1) != 1) return;
  // Two legs at the foot.
  if (AnyIn(3 * H / 4, H - 1,
            [&](int32_t y) { return c.nRow(y) == 2 && c.nRow(y + 1 + H / 32) == 2; }))
    return;
  if (g.MarksAbove >= 1) conf = Times(conf, 98);
  if (v.ctx.IsTall) conf = Times(conf, 96);
  if (v.ctx.HasDescender) conf = Times(conf, 97);
  v.propose(u'r', conf);
}

// ---------------------------------------------------------------- "R"

// The frame of an "R" in the raster: two legs near the bottom, the stem on
// the left all the way, the bowl's top bar, and a gap between stem and leg.
bool HasFrameR(const TLetterView& v) {
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  if (r.runs(0, H - 1 - H / 8, W - 1, H - 1 - H / 8) < 2) return false;
  if (H > 15 && v.crop.gT(W / 2) > H / 8 && v.crop.gap(W / 2, H / 16, dirRight) < W / 2)
    return false;
  const auto allIn = [](int32_t from, int32_t to, auto pred) { return AllIn(from, to + 1, pred); };
  const auto anyIn = [](int32_t from, int32_t to, auto pred) { return AnyIn(from, to + 1, pred); };
  if (!allIn(H / 8, H - 1 - H / 8, [&](int32_t y) { return r.ink(0, W / 2, y, y); })) return false;
  if (!allIn(3 * W / 8, W - 1 - W / 4, [&](int32_t x) { return r.ink(x, x, 0, H / 4); }))
    return false;
  if (allIn(W / 4, W - 1 - W / 4, [&](int32_t x) { return r.ink(x, x, H - 1 - H / 4, H - 1); }))
    return false;
  if (!anyIn(W / 3, W - 1 - W / 8, [&](int32_t x) { return r.runs(x, 0, x, H - 1) == 2; }))
    return false;
  return anyIn(0, 3 * H / 8, [&](int32_t y) { return r.nRow(y) == 2; });
}

// The middle third never narrows to a single crossing: the bowl is open.
bool HasOpenMiddleR(const TLetterView& v) {
  return !AnyIn(v.H / 3, v.H - v.H / 3, [&](int32_t y) { return v.raster.nRow(y) == 1; });
}

bool HasLegR(const TLetterView& v) {
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!AnyIn(H - 1 - H / 4, H, [&](int32_t y) { return r.nRow(y) == 2; })) return false;
  return r.ink(W - 1 - W / 3, W - 1, 0, H / 4);
}

// The right edge: the bowl's shoulder, a waist, and a leg reaching further
// right than the waist; the stem is straight.
bool HasRightProfileR(const Probes& c, int32_t W, int32_t H) {
  const int32_t d = c.gR(H / 4);
  if (d > W / 2) return false;
  int32_t e = c.gR(H / 2);
  if (d >= e) return false;
  e = std::max(e, c.gR(5 * H / 8));
  if (c.gR(H - 1 - H / 8) >= std::max(e, c.gR(3 * H / 4))) return false;
  if (std::abs(c.gL(H / 4) + c.gL(H - 1 - H / 4) - 2 * c.gL(H / 2)) > W / 16 + 1) return false;
  return !(H > 15 && c.gR(H / 2) >= c.gR(H - 1) && c.gR(3 * H / 16) >= W / 8 + c.gR(H / 16));
}

void TestCapitalR(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 2 || H <= 3 || 2 * H < W || v.holes.Count > 2) return;
  if (!HasFrameR(v)) return;
  const bool open = HasOpenMiddleR(v);
  if (!HasLegR(v)) return;
  if (!HasRightProfileR(c, W, H)) return;

  int32_t conf = open ? 95 : 100;
  if (H > 7 && c.gR(H - H / 8 - 2) < c.gR(H - 2)) {
    conf = open ? 93 : 98;
    if (c.gR(H - 1 - H / 4) == 0 && c.gR(H - H / 8 - 2) > 0) return;
  }
  if (v.holes.Count != 1) {
    if (v.holes.Count == 2) return;
    if (v.holesIn(0, W - 1, 0, H - 1 - H / 3) == 0) conf = Times(conf, 90);
  }
  if (v.holes.Count == 0) conf = Times(conf, 90);
  if (!v.ctx.IsTall) conf = Times(conf, 98);
  if (v.ctx.HasDescender) conf = Times(conf, 98);
  v.propose(u'R', conf);
}

}  // namespace

void RecogniseO(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestO(v);
}

void RecogniseP(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestP(v);
}

void RecogniseQ(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestCapitalQ(v);
  TestSmallQ(v);
}

void RecogniseR(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestSmallR(v);
  TestCapitalR(v);
}

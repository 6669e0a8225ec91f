// Recognisers for A, B and C:
//   RecogniseA  "A" (apex, crossbar, two legs), the two-storey "a" and the
//               one-storey "a"
//   RecogniseB  "B" (two stacked counters on a straight stem) and "b"
//   RecogniseC  "C" and "c" in one test, with an exit for a "G" whose spur
//               is too short to close the mouth
// Each test returns early on the first condition the glyph fails.
#include <algorithm>

#include "classifier/letters.h"

namespace {

// ---------------------------------------------------------------- "A"

// The tip: the middle of the foot row is open and a row near the top
// crosses a single stroke.
bool HasApex(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  if (c.ink(W / 2, W / 2, H - 1 - H / 8, H - 1)) return false;
  for (const int32_t y : {1, H / 8, H / 16, H / 8 + 1})
    if (c.nRow(y) == 1) return true;
  return false;
}

// Every column under the crossbar between one third and two thirds of the
// width must be reachable from the crossbar's middle by crossing one or two
// strokes, and at least one such line must cross a single stroke.
bool HasLegsUnderBar(const Probes& c, int32_t xm, int32_t yc) {
  const int32_t W = c.W, H = c.H;
  int32_t n = 0, xa = 0;
  for (int32_t k = W / 3; k < 2 * W / 3; ++k) {
    n = c.runs(xm, yc, k, H - 1);
    if (n != 1 && n != 2) n = c.runs(xm, yc + H / 16, k, H - 1);
    if (n == 1) xa = k;
    if (n != 1 && n != 2) break;
  }
  return (n == 1 || n == 2) && xa != 0;
}

// The three gaps at the quarter rows of one side lie on a straight slope:
// their ends never bow out from the middle one by more than W/8 or in by more
// than W/4.
bool StraightFlank(int32_t e, int32_t f, int32_t g, int32_t W) {
  return W / 4 + 2 * f >= e + g && e + g >= 2 * f - W / 8;
}

void TestCapitalA(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 3 && v.holes.Count <= 2)) return;
  if (!HasApex(c)) return;
  if (c.nRow(7 * H / 8) != 2 && c.nRow(7 * H / 8 - 1) != 2) return;
  if (c.runs(0, H / 8, W / 8, 0) >= 1) return;

  int32_t ys = -1;
  for (int32_t y = H / 8; y < H / 2 && ys < 0; ++y)
    if (c.nRow(y) > 1) ys = y;
  if (ys < 0) return;

  // The paper between the legs just under the split.
  const int32_t yh = ys + H / 10;
  int32_t a = c.gL(yh);
  if (a > 3 * W / 4) return;
  a += c.inkRun(a, yh, dirRight);
  if (a > 3 * W / 4) return;
  const int32_t t = c.gap(a, yh, dirRight);
  if (a + t < 3 * W / 8) return;
  const int32_t xm = a + t / 2;

  // The top of the crossbar under the apex.
  const int32_t ink = c.inkRun(xm, ys, dirDown);
  const int32_t yc = ys + ink + c.gap(xm, ys + ink, dirDown);
  int32_t conf = yc <= 3 * H / 4 ? 100 : 99;
  if (yc > 5 * H / 6 || v.holes.Count != 1) return;
  if (v.holes.Items[0].Bottom >= H - 1 - H / 4) return;

  if (!HasLegsUnderBar(c, xm, yc)) return;
  if (!c.ink(W - 1 - W / 4, W - 1, H - 1 - H / 4, H - 1)) return;
  if (c.runs(0, H / 6, W / 8, 0) != 0) return;
  if (c.runs(W - 1 - W / 4, 0, W - 1, H / 6) != 0) return;
  if (!StraightFlank(c.gR(H / 4), c.gR(H / 2), c.gR(H - 1 - H / 4), W)) return;
  const int32_t e = c.gL(H / 4), g = c.gL(H - 1 - H / 4);
  if (!StraightFlank(e, c.gL(H / 2), g, W) || e < g) return;

  // The width between the legs never grows by more than W/16 over the
  // narrowest width seen (the reference is renewed only on a sharp step in).
  int32_t s = W;
  for (int32_t y = H / 4; y < 7 * H / 8; ++y) {
    if (c.gL(y) + c.gR(y) > s + W / 16) return;
    if (c.gL(y) + 12 < s) s = c.gL(y) + c.gR(y);
  }
  v.propose(u'A', conf);
}

// ---------------------------------------------------------------- two-storey "a"

bool TwoStoreyOutline(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  return o.ink(0, W / 2, H - 1 - H / 3, H - 1 - H / 3) &&
         o.ink(W - 1 - W / 3, W - 1, H / 3, H / 3) && o.ink(W - 1 - W / 3, W - 1, H / 4, H / 4) &&
         o.ink(W / 2, W / 2, H - 1 - H / 3, H - 1) && o.ink(W / 2, W / 2, 0, H / 3) &&
         o.ink(W / 3, W - 1 - W / 3, 0, 0) &&
         (o.ink(W / 4, W - 1 - W / 2, H - 1, H - 1) || o.ink(W / 4, W - 1 - W / 3, H - 2, H - 2)) &&
         (o.ink(0, 0, H / 2, H - 1) || o.ink(W / 8, W / 8, H / 2, H - 1)) &&
         c.gT(3 * W / 8) <= 3 * H / 16 && (c.nRow(H / 4) < 3 || c.nRow(H / 4 + 1) <= 2);
}

// The middle columns hold ink within half the height from the top and from
// the bottom (shared by both shapes of "a").
bool MiddleColumnsReachBothHalves(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  for (int32_t x = W / 4; x < W - W / 4; ++x)
    if (c.gT(x, H - 1) > H / 2 || c.gB(x, H - 1) > H / 2) return false;
  return true;
}

// Enough middle columns cross the top arc, the bowl's top and its bottom.
bool ThreeStrokeColumns(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W;
  int32_t count = 0;
  for (int32_t x = W / 4; x <= W - W / 4 - 1; ++x)
    if (c.runs(x, 0, x, v.Hc - 1) == 3) ++count;
  return count >= W / 8 + 1;
}

// The left side dents in between the top arc and the bowl.
bool LeftWaist(const Probes& c) {
  const int32_t H = c.H;
  const int32_t j = c.gL(H / 8), k = c.gL(3 * H / 4);
  for (int32_t y = H / 8 + 1; y < 3 * H / 4; ++y)
    if (2 * c.gL(y) > j + k + 1) return true;
  return false;
}

bool RightStem(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  for (int32_t x = 3 * W / 4; x < W; ++x)
    if (c.inkRun(x, H / 4, dirDown, H / 2) > H / 4) return true;
  return false;
}

// When the upper part encloses paper (a closed top arc), the top arc must be
// a real stroke at least as far right as the stroke where two runs end.
bool ClosedTopIsArc(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (v.holesIn(0, W - 1, 0, H - 1 - H / 3) == 0) return true;
  const int32_t a = c.gL(H / 4);
  const int32_t topRun = c.inkRun(a, H / 4, dirRight);
  if (topRun < W / 4 + 1) return false;
  int32_t ye = H / 2;
  for (int32_t y = H / 4; y < H / 2; ++y)
    if (c.nRow(y) != 2) {
      ye = y;
      break;
    }
  const int32_t b = c.gL(ye - 1);
  return a + topRun >= b + c.inkRun(b, ye - 1, dirRight);
}

void TestTwoStoreyA(const TLetterView& v) {
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 4 && v.holes.Count <= 2) || !TwoStoreyOutline(v)) return;
  if (!MiddleColumnsReachBothHalves(v.crop) || !ThreeStrokeColumns(v)) return;
  if (!LeftWaist(v.crop) || !RightStem(v.crop)) return;
  if (v.holesIn(0, W - 1, H / 3, H - 1) != 1) return;
  if (!ClosedTopIsArc(v)) return;
  int32_t conf = v.holes.Count == 1 ? 100 : 96;
  if (v.ctx.IsTall) conf = Times(conf, 96);
  if (v.ctx.HasDescender) conf = Times(conf, 96);
  v.propose(u'a', conf);
}

// ---------------------------------------------------------------- one-storey "a"

bool OneStoreyOutline(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  return o.ink(0, W / 2, H / 2, H / 2) && o.ink(W - 1 - W / 2, W - 1, H / 2, H / 2) &&
         o.ink(W / 2, W / 2, H - 1 - H / 2, H - 1) && o.ink(W / 2, W / 2, 0, H / 2) &&
         o.ink(W / 3, W / 3, 0, H / 2);
}

// A round bowl: open in the middle column below the centre, one arc at the
// top and at the bottom, two strokes across the middle and the quarter row,
// and a single left side.
bool OneStoreyStrokes(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  if (o.ink(W / 2, W / 2, H / 2, H - 1 - H / 3) || o.ink(0, 0, H - 1, H - 1)) return false;
  if (o.runs(W / 2, 0, W / 2, H - 1) != 2) return false;
  if (o.runs(W / 3, 0, W - 1 - W / 3, 0) != 1 && o.runs(W / 3, 1, W - 1 - W / 3, 1) != 1)
    return false;
  if (o.runs(0, H - 1, W - 1, H - 1) != 2 && o.runs(0, H - 2, W - 1, H - 2) != 2) return false;
  if (o.runs(0, H / 2, W - 1, H / 2) != 2 || o.runs(0, H / 4, W - 1, H / 4) != 2) return false;
  return o.runs(0, H / 3, 0, H - 1 - H / 4) == 1 || o.runs(1, H / 3, 1, H - 1 - H / 4) == 1;
}

// One bowl, which opens when the bottom row or the bottom fifth is cut off
// (the bowl sits on the baseline).
bool OneStoreyHoles(const TLetterView& v) {
  const int32_t W = v.W, H = v.H;
  if (v.holes.Count != 1 && v.holesIn(0, W - 3, 0, H - 1) != 1) return false;
  return v.holesIn(0, W - 1, H / 4, H - 2) == 0 && v.holesIn(0, W - 1, 0, H - 1 - H / 5) == 0;
}

void TestOneStoreyA(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 3 && H > 4 && v.holes.Count <= 2) || !OneStoreyOutline(o)) return;
  if (!OneStoreyStrokes(o) || !OneStoreyHoles(v)) return;
  if (c.gL(2, W - 1) >= c.gL(0, W - 1)) return;
  if (c.gR(H - 1, W - 1) > W / 4 && c.gR(H - 2, W - 1) > (W + 4) / 8) return;

  // Going down from the middle, the right gap must shrink somewhere (the
  // stem's foot or tail).
  int32_t f = c.gR(H - 1 - H / 2);
  bool shrinks = false;
  for (int32_t y = H - 1 - H / 2; y < H && !shrinks; ++y) {
    const int32_t g = c.gR(y, W - 1);
    if (g < f) shrinks = true;
    f = g;
  }
  if (!shrinks || !MiddleColumnsReachBothHalves(c)) return;
  const bool notPlainRing = o.runs(0, H - 1, W - 1, H - 1) != 1 || o.runs(0, 0, W - 1, 0) != 1 ||
                            c.gT(W - 1, H - 1) <= H / 4 || c.gB(W - 1, H - 1) <= H / 4;
  if (!notPlainRing) return;
  int32_t conf = v.ctx.IsTall ? 96 : 100;
  if (v.ctx.HasDescender) conf = Times(conf, 96);
  v.propose(u'a', conf);
}

// ---------------------------------------------------------------- "B"

// The left side holds ink in every row: within the left half above the
// middle, within the left third below it.
bool LeftSideEverywhere(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  for (int32_t y = 0; y < H - 1 - H / 2; ++y)
    if (!o.ink(0, W / 2, y, y)) return false;
  for (int32_t y = H - 1 - H / 2; y < H - 1; ++y)
    if (!o.ink(0, W / 3, y, y)) return false;
  return true;
}

// The row through the middle of the lower counter, found by climbing the
// middle column from the bottom: the bottom bar, then the counter's paper.
// Returns -1 when the column does not look like that.
int32_t LowerCounterMiddle(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  int32_t b = o.gB(W / 2);
  if (b > H / 8 + 1) return -1;
  b += o.inkRun(W / 2, H - 1 - b, dirUp);
  if (b > H / 3) return -1;
  const int32_t g = o.gap(W / 2, H - 1 - b, dirUp);
  const int32_t ym = H - 1 - b - g / 2;
  return ym < 3 * H / 8 ? -1 : ym;
}

// The stem is straight on the left, or the glyph has serifs or rounded
// corners that explain a bulge.
bool StraightOrSerifedLeft(const Probes& o, int32_t yw) {
  const int32_t W = o.W, H = o.H, d = W / 32;
  if (!(o.gL(H / 4) + d >= o.gL(yw) || o.ink(0, 0, 0, 0) || o.ink(0, 0, H - 1, H - 1)))
    return false;
  return H <= 16 || o.gL(H - 1 - H / 4) >= o.gL(H / 2) ||
         o.gL(H / 4) + o.gL(H - 1 - H / 4) >= 2 * o.gL(H / 2) || o.gL(1) < o.gL(3) + d ||
         o.gL(3) + d >= o.gL(0) || o.gL(H - 4) + d >= o.gL(H - 1) || o.gL(H - 4) + d >= o.gL(H - 2);
}

// One counter above the waist and one below it.
bool CountersAroundWaist(const THoleList& holes, int32_t yw) {
  if (holes.Count != 2) return false;
  const THole& p = holes.Items[0];
  const THole& q = holes.Items[1];
  return (p.Top >= yw - 1 || q.Top >= yw - 1) && (p.Bottom <= yw + 1 || q.Bottom <= yw + 1);
}

// Going down, the left edge never steps right by more than W/9 of the
// leftmost edge seen.
bool LeftEdgeNeverStepsIn(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  int32_t s = W;
  for (int32_t y = H / 6; y < H - H / 8; ++y) {
    if (o.gL(y) > s + W / 9) return false;
    s = std::min(s, o.gL(y));
  }
  return true;
}

// Climbing the lowest H/4 - 1 rows, the right gap never grows (the lower bowl
// is round or square, never undercut).
bool LowerBowlNotUndercut(const Probes& c) {
  const int32_t H = c.H;
  const int32_t rows = H / 4 - 1;
  for (int32_t y = H - 2; y > H - 1 - rows; --y)
    if (c.gR(y) > c.gR(y + 1)) return false;
  return true;
}

void TestCapitalB(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 4 && v.holes.Count > 1)) return;
  if (!LeftSideEverywhere(o) || o.ink(W - 1, W - 1, 0, 0)) return;
  if (o.runs(W / 2, 0, W / 2, H - 1) != 3 && o.runs(W - 1 - W / 3, 0, W - 1 - W / 3, H - 1) != 3)
    return;
  const int32_t ym = LowerCounterMiddle(o);
  if (ym < 0) return;
  if (c.nRow(ym) != 2 && c.nRow(ym + 1) != 2) return;
  if (c.nRow(H / 4) != 2 && c.nRow(H / 4 + 1) != 2 && c.nRow(H / 4 - 1) != 2) return;

  int32_t yw = -1;  // the waist between the bowls
  for (int32_t y = H / 4; y < 3 * H / 4 && yw < 0; ++y)
    if (c.nRow(y) == 1) yw = y;
  if (yw < 0) return;
  if (!StraightOrSerifedLeft(o, yw) || !CountersAroundWaist(v.holes, yw)) return;
  if (!LeftEdgeNeverStepsIn(o) || !LowerBowlNotUndercut(c)) return;
  const int32_t m = std::max({c.gL(H / 2), c.gL(H / 2 - 1), c.gL(H / 2 + 1)});
  if (2 * m + 1 < c.gL(H / 8) + c.gL(7 * H / 8)) return;

  int32_t conf = ym < H / 2 ? 96 : 100;
  if (!v.ctx.IsTall) {
    conf = Times(conf, 99);
    if (W / 8 + c.gL(H / 4) < c.gL(H / 2)) conf = Times(conf, 97);
  }
  if (v.ctx.IsTall && (W <= 10 || H <= 10)) conf = Times(conf, 96);
  if (v.ctx.HasDescender) {
    conf = Times(conf, 98);
    if (W < 16) conf = Times(conf, 98);
  }
  v.propose(u'B', conf);
}

// ---------------------------------------------------------------- "b"

void TestSmallB(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W >= 4 && H > 4 && v.holes.Count >= 1)) return;
  for (int32_t y = 0; y <= H - 3 - H / 32; ++y)
    if (!o.ink(0, W / 2, y, y)) return;
  if (!o.ink(W / 2, W / 2, H - 1 - H / 3, H - 1)) return;
  if (!o.ink(W - 1 - W / 2, W - 1, H - 1 - H / 3, H - 1 - H / 3)) return;
  // Nothing right of the ascender above the bowl.
  if (o.ink(W - 1 - W / 3, W - 1, 0, H / 5) || o.ink(W - 1 - 4 * W / 9, W - 1, H / 5, H / 5))
    return;
  if (o.nRow(H / 4) > 1 && o.nRow(H / 4 - 1) > 1 && (H < 16 || o.nRow(H / 5) > 1)) return;

  int32_t two = 0, other = 0;
  for (int32_t y = H / 2; y < H - H / 8; ++y) (c.nRow(y) == 2 ? two : other) += 1;
  if (two < 2 * other || v.holes.Count != 1 || v.holes.Items[0].Top < H / 4) return;
  if (c.gR(H - 1) < c.gR(H - 1 - H / 8)) return;
  int32_t conf = v.ctx.IsTall ? 100 : 98;
  if (v.ctx.HasDescender) conf = Times(conf, 99);
  v.propose(u'b', conf);
}

// ---------------------------------------------------------------- "C"

// Short glyphs: the inside of the bow must not be crossed by a second stroke
// (an "e" bar or an "o" closing), also one stroke further right.
bool OpenInsideOfBow(const Probes& c) {
  const int32_t H = c.H;
  const int32_t g = c.gL(H / 2);
  int32_t j = g + c.inkRun(g, H / 2, dirRight);
  const int32_t k = c.gap(j, H / 2, dirUp);
  const int32_t l = c.inkRun(j, H / 2 - k - 1, dirRight);
  const int32_t m = c.gap(j + l, H / 2 - k - 1, dirRight);
  if (c.runs(j, 1, j, H / 2) > 1 || c.runs(j + 1, 1, j + 1, H / 2) > 1) {
    j += l + m;
    if (c.runs(j - 1, 1, j - 1, H / 2) > 1 || c.runs(j, 1, j, H / 2) > 1) return false;
  }
  return true;
}

// A bracket "[": solid left column, top and bottom rows and an empty right column.
bool LooksLikeOpeningBracket(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  return o.allInk(0, 0, 0, H - 1) && o.allInk(0, W - 1, 0, 0) && o.allInk(0, W - 1, H - 1, H - 1) &&
         o.blank(W - 1, W - 1, 1, H - 2);
}

// A tall narrow glyph with a bulging middle, narrow ends and a near-full right
// side is a "(", not a "C".
bool LooksLikeParenthesis(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  const int32_t l = c.gL(H / 2) + W / 8, r = c.gR(H / 2);
  if (!((r < W / 2 || r < 3) && v.ctx.IsTall && H > 7)) return false;
  return l < c.gL(7 * H / 8) && l < c.gL(H / 8) && c.gR(H - 1 - H / 16) < c.gR(H - 1 - H / 8) &&
         c.gR(H / 16) < c.gR(H / 8);
}

int32_t CConfidence(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  int32_t conf = 100;
  if (v.ctx.IsTall) {
    const bool corner = HasInnerCorner(c, W / 2, W - 1, 1, H / 4);
    if (2 * W < H)
      conf = corner ? 99 : 97;
    else
      conf = corner ? 100 : 98;
  }
  return conf;
}

void RecogniseCShape(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 2 && v.holes.Count <= 1)) return;
  if (!o.ink(0, W / 3, H / 2, H / 2) || !o.ink(W / 2, W / 2, H - 1 - H / 3, H - 1) ||
      !o.ink(W / 2, W / 2, 0, H / 3))
    return;
  const int32_t yc = (H - 1) / 2;
  if (o.runs(0, yc, (W - 1) / 2, yc) > 1) return;

  int32_t jm = -1;  // the first row of the mouth
  for (int32_t y = H / 4; y < 3 * H / 4 && jm < 0; ++y)
    if (o.blank(W / 2, W - 1, y, y)) jm = y;
  if (jm < 0) return;
  const int32_t w = c.firstRun(H / 2);  // the stroke width at mid-height
  if (w > W / 2) return;

  int32_t b = 0;  // the lowest paper below the mouth in the right half
  for (int32_t x = W / 2; x < 6 * W / 8; ++x) b = std::max(b, o.gap(x, jm, dirDown));
  b += jm - 1;
  if (b < 5 * H / 8 - w / 2) return;
  const int32_t yt = jm + 1 - std::max(o.gap(5 * W / 8, jm, dirUp), o.gap(W / 2, jm, dirUp));
  if (yt > H / 4 + w / 2) return;

  int32_t yl = H - 1 - H / 8;  // the first ink of the lower arm under the mouth
  for (int32_t y = jm; y < H - 1 - H / 8; ++y)
    if (o.ink(W / 2, W - 1, y, y)) {
      yl = y;
      break;
    }
  if (yl - jm < H / 6 || o.runs(W / 2, yl - 1, W - 1, 0) == 0) return;
  if (o.gL(3 * H / 4) > W / 16 && o.runs(W / 2, yt, W - 1, H - 1) == 0 &&
      o.runs(W / 2, H - 1 - H / 4, W - 1, H - 1) == 0)
    return;
  if (HasInnerCorner(c, W / 2, W - 1, H / 2, H - 3)) return;
  const int32_t mid = c.gL(H / 2);
  for (int32_t y = 0; y < H; ++y)
    if (c.gL(y) < mid - W / 32 - 1) return;
  if (!v.ctx.IsTall && !OpenInsideOfBow(c)) return;
  if (H > 16 && 3 * W < H && v.ctx.IsTall && 2 * mid >= c.gL(H / 16) + c.gL(H - 1 - H / 16) &&
      c.nRow(H / 4) < 2)
    return;
  if (LooksLikeOpeningBracket(o) || LooksLikeParenthesis(v)) return;

  // A tall glyph whose mouth closes high and whose lower arm turns up late is
  // a "G" without its spur.
  if (v.ctx.IsTall && H > 15 && W > 7 && yl - 1 < 9 * H / 16 && jm <= H / 4 &&
      c.gap(5 * W / 8, yl - 1, dirDown, H) > 2 * H / 8) {
    v.propose(u'G', 90);
    return;
  }

  int32_t conf = CConfidence(v);
  if (c.gR(H / 2) < 6 * W / 8) conf = Times(conf, 98);
  const int32_t top = c.gT(W / 2);
  if (c.gR(H / 16) >= W / 2 && H / 8 < top && 2 < top && top < H / 2) return;
  if (H >= 3 * W && H > 12) conf = Times(conf, 99);
  if (c.gB(W - 1) == 0 && c.gB(W / 2) > H / 8) conf = Times(conf, 95);
  if (c.gT(W - 1) == 0 && top > H / 8) conf = Times(conf, 95);
  if (c.gL(H - 1 - H / 8) >= W / 2) conf = Times(conf, 95);
  if (c.gL(H / 8) >= W / 2) conf = Times(conf, 98);
  if (v.ctx.HasDescender) conf = Times(conf, 96);

  const char16_t first = v.ctx.IsTall ? u'C' : u'c';
  const char16_t second = v.ctx.IsTall ? u'c' : u'C';
  v.propose(first, conf);
  v.propose(second, conf * 98 / 100);
}

}  // namespace

void RecogniseA(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestCapitalA(v);
  TestTwoStoreyA(v);
  TestOneStoreyA(v);
}

void RecogniseB(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestCapitalB(v);
  TestSmallB(v);
}

void RecogniseC(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  RecogniseCShape(v);
}

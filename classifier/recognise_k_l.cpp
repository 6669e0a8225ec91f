// Recognisers for K and L:
//   RecogniseK  "k" and "K", each test proposing both cases (the other one
//               at 98 % of its own)
//   RecogniseL  "L" and "l"; the "l" test mostly rules out the many glyphs
//               that are a plain vertical bar too: "1", "I", "|", brackets,
//               parentheses and cut-off parts of wider glyphs
// Each test returns early on the first condition the glyph fails.
#include <algorithm>
#include <cstdlib>

#include "classifier/letters.h"

namespace {

// ---------------------------------------------------------------- "k"

// One stroke across the top rows (the ascender alone), two at the foot.
bool AscenderAndTwoFeet(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  if (c.nRow(0) != 1 && c.nRow(1) != 1) return false;
  if (c.runs(0, H / 8, 3 * W / 4, H / 8) != 1) return false;
  if (c.runs(0, 3 * H / 16, 3 * W / 4, 3 * H / 16) != 1) return false;
  if (c.nRow(H - 1) != 2 && c.nRow(H - 2) != 2) return false;
  return W >= 8 || c.runs(W - 1, H / 4, W - 1, H - 1) == 2 ||
         c.runs(W - 2, H / 4, W - 2, H - 1) == 2;
}

bool StraightStemOnLeft(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  const int32_t sa = c.gL(H / 2 - H / 4), sm = c.gL(H / 2), sb = c.gL(H / 2 + H / 4);
  return sm <= W / 2 && std::abs(sa + sb - 2 * sm) <= W / 16 + 1 && sa >= sb - 1;
}

bool SmallKOutline(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  return o.ink(0, W / 2, 0, H / 4) && o.ink(W / 2, W - 1, H - 1 - H / 3, H - 1) &&
         o.blank(W - 1 - W / 4, W - 1, 0, 3 * H / 16) &&
         o.ink(W - 1 - W / 4, W - 1, H / 4, H - 1 - H / 4) &&
         o.ink(W - 1 - W / 4, W - 1, H - 1 - H / 8, H - 1);
}

bool InkInEveryUpperRow(const Probes& o) {
  for (int32_t y = 1; y < o.H / 2; ++y)
    if (!o.ink(0, o.W - 1, y, y)) return false;
  return true;
}

bool FullHeightStem(const Probes& o) {
  for (int32_t x = 0; x <= o.W / 2; ++x)
    if (o.cover(x, 0, x, o.H - 1) >= 51) return true;
  return false;
}

struct TInnerCorner {
  int32_t depth = -1;  // the largest right gap between 5H/8 and 7H/8
  int32_t row = 0;
};

TInnerCorner FindArmLegCorner(const Probes& c) {
  const int32_t H = c.H;
  TInnerCorner corner;
  for (int32_t y = 5 * H / 8; y < 7 * H / 8; ++y)
    if (c.gR(y) > corner.depth) corner = {c.gR(y), y};
  return corner;
}

// The leg runs from the inner corner down to the middle of the right foot.
bool LegFromCorner(const Probes& c, const TInnerCorner& corner) {
  const int32_t W = c.W, H = c.H;
  int32_t fg = c.gR(H - 1);
  if (fg > W / 2) fg = c.gR(H - 2);
  if (fg > W / 2) return false;
  const int32_t fw = c.inkRun(W - 1 - fg, H - 1, dirLeft);
  return c.cover(W - 1 - corner.depth, corner.row, W - 1 - fg - fw / 2, H - 1) > 59;
}

bool NotchOnTheRight(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  for (int32_t y = H / 2; y < H - H / 4; ++y)
    if (c.cover(W - 1 - W / 4, y, W - 1, y) <= 12) return true;
  return false;
}

// A hole is allowed only as the small closed loop where arm and leg meet.
bool HoleFitsSmallK(const THoleList& holes, int32_t W, int32_t H) {
  if (holes.Count != 1) return true;
  const THole& h = holes.Items[0];
  return h.Top <= H / 4 && h.Right <= W - 1 - W / 4 && h.Bottom <= H - 1 - H / 4 && h.Top >= H / 4;
}

void TestSmallK(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const TCharRecord& g = v.glyph;
  const int32_t W = v.W, H = v.H;
  if (!AscenderAndTwoFeet(c) || !StraightStemOnLeft(c)) return;
  if (2 * g.Top > g.LineTop + g.LineMean) return;  // reaches halfway up the ascender zone
  if (!SmallKOutline(o) || !HoleFitsSmallK(v.holes, W, H)) return;
  if (!InkInEveryUpperRow(o) || !FullHeightStem(o)) return;
  const TInnerCorner corner = FindArmLegCorner(c);
  if (corner.depth < W / 4 || !LegFromCorner(c, corner) || !NotchOnTheRight(c)) return;
  if (!SomeRowCrossesTwo(o, H / 3, H - 1)) return;
  if (W > 8 && 4 * c.firstRun(H - 1) > 3 * W) return;

  int32_t conf = 100;
  if (corner.depth < W / 2) conf = Times(conf, 98);
  const int32_t t4 = c.gL(H / 4);
  if (t4 > W / 4 && t4 + c.inkRun(t4, H / 4, dirRight) > W / 2 && c.gL(0) <= W / 4 &&
      c.gR(0) >= W / 2)
    conf = Times(conf, 90);
  if (v.ctx.HasDescender) conf = Times(conf, 98);
  if (!v.ctx.IsTall) conf = Times(conf, 98);
  v.propose(u'k', conf);
  v.propose(u'K', Times(conf, 98));
}

// ---------------------------------------------------------------- "K"

// Between stem and arm the top is open for a quarter to three quarters of
// the height; between stem and leg the bottom is open.
bool OpenBetweenStemAndArms(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  int32_t x = W / 4;
  while (x <= W - 1 - W / 4 && o.gT(x, H - 1) < H / 4) ++x;
  if (x > W - 1 - W / 4 || o.gT(x, H - 1) > 3 * H / 4) return false;
  for (x = W / 4; x <= W - 1 - W / 4; ++x)
    if (o.blank(x, x, H - 1 - H / 4, H - 1)) return true;
  return false;
}

bool CapitalKStrokes(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  bool twoInColumn = false;
  for (int32_t x = W / 3; x <= W - 1 - W / 8 && !twoInColumn; ++x)
    twoInColumn = o.runs(x, 0, x, H - 1) == 2;
  if (!twoInColumn || !SomeRowCrossesTwo(o, 0, H / 4 + 1)) return false;
  if (W < 10) {  // the vertex where the arms meet the stem
    bool vertex = false;
    for (int32_t y = H / 3; y <= H - 1 - H / 3 && !vertex; ++y) vertex = o.nRow(y) == 1;
    if (!vertex) return false;
  }
  return SomeRowCrossesTwo(o, H - 1 - H / 4, H) && o.ink(W - 1 - W / 3, W - 1, 0, H / 8);
}

// The right side is deepest in the middle.
bool DeepestInMiddle(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  const int32_t g4 = o.gR(H / 4);
  if (g4 > W / 2) return false;
  const int32_t gm = std::max(o.gR(H / 2), o.gR(3 * H / 8));
  return g4 < gm && o.gR(H - 1 - H / 4) < gm;
}

// The ends of the arms and the vertex where they meet the stem, measured on
// the rows around the middle.
struct TArms {
  int32_t topGap = 0, topRow = 0;  // the upper arm's end: smallest right gap near the top
  int32_t botGap = 0, botRow = 0;  // the leg's end: smallest right gap near the bottom
  int32_t midGap = 0, midRow = 0;  // the deepest right gap in the middle rows
  int32_t vx = 0, vy = 0;          // the vertex: leftmost start of the arms
  int32_t uw = 0, mw = 0, tw = 0, bw = 0;
};

TArms MeasureArms(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  TArms a;
  a.topGap = W;
  a.botGap = W;
  a.vx = W - 1 - c.gR(H / 2);
  a.vy = H / 2;
  for (int32_t f = 0; f < H / 4; ++f) {
    const int32_t yu = H / 2 - f;
    if (c.gR(f) < a.topGap) {
      a.topGap = c.gR(f);
      a.topRow = f;
    }
    if (c.gR(H - 1 - f) < a.botGap) {
      a.botGap = c.gR(H - 1 - f);
      a.botRow = H - 1 - f;
    }
    if (c.gR(H / 2 + f) > a.midGap) {
      a.midGap = c.gR(H / 2 + f);
      a.midRow = H / 2 + f;
    }
    if (c.gR(yu) > a.midGap) {
      a.midGap = c.gR(yu);
      a.midRow = yu;
    }
    const int32_t p = c.gL(yu);
    const int32_t q = p + c.inkRun(p, yu, dirRight);
    const int32_t x2 = q + c.gap(q, yu, dirRight);  // where the second ink run begins
    const int32_t xe = W - 1 - c.gR(yu);            // the last ink
    const int32_t vx = std::min({a.vx, x2, xe});
    if (vx < a.vx) {
      a.vx = vx;
      a.vy = yu;
    }
  }
  a.uw = c.inkRun(a.vx, a.vy, dirRight);
  a.mw = c.inkRun(W - 1 - a.midGap, a.midRow, dirLeft);
  a.tw = c.inkRun(W - 1 - a.topGap, a.topRow, dirLeft);
  a.bw = c.inkRun(W - 1 - a.botGap, a.botRow, dirLeft);
  return a;
}

// Wide glyphs: straight lines from the vertex to the upper arm's end and
// from the middle to the leg's end follow ink. Narrow ones: tall enough, with
// a long stroke down from the top in one of the first columns.
bool ArmsAreStraight(const TLetterView& v, TArms a) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 8) {
    if (H < 16 && !v.ctx.IsTall) return false;
    for (const int32_t x : {0, 1, 2})
      if (c.inkRun(x, 1, dirDown) > 3 * W / 4) return true;
    return false;
  }
  const int32_t mx = W - 1 - a.midGap - a.mw / 4;
  if (mx > 5 * W / 8) return false;
  a.vx += a.uw / 4;
  if (a.vx > 5 * W / 8) return false;
  const int32_t vl = c.inkRun(a.vx, a.vy, dirLeft, a.vx);
  const int32_t tx = W - 1 - a.topGap - a.tw / 4;
  if (c.cover(a.vx, a.vy, tx, a.topRow) < 95 && c.cover(a.vx - vl / 2, a.vy, tx, a.topRow) < 95)
    return false;
  const int32_t bx = W - 1 - a.botGap - a.bw / 4;
  return c.cover(mx, a.midRow, bx, a.botRow) >= 95 && mx + c.inkRun(mx, a.midRow, dirRight) < bx;
}

void TestCapitalK(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  for (int32_t y = H / 8; y < H - H / 8; ++y)
    if (!c.ink(0, W / 2, y, y)) return;
  if (!OpenBetweenStemAndArms(o) || !CapitalKStrokes(o)) return;
  if (H > 16 && c.gL(H / 4) + c.gL(3 * H / 4) < 2 * c.gL(H / 2) - W / 32 - 2) return;
  if (!DeepestInMiddle(o)) return;

  const int32_t s1 = c.gL(H / 4), w1 = c.inkRun(s1, H / 4, dirRight);
  const int32_t s2 = c.gL(H - H / 4), w2 = c.inkRun(s2, H - H / 4, dirRight);
  const TArms arms = MeasureArms(c);
  if (c.cover(s1 + w1 / 2, H / 4, s2 + w2 / 2, H - H / 4) < 95) return;  // the stem
  if (!ArmsAreStraight(v, arms)) return;

  int32_t conf = 100;
  if (c.gR(H - 1 - H / 4) <= W / 8) {
    if (v.holes.Count == 1 && v.holes.Items[0].Bottom < H - 1 - H / 3) return;
    conf = 99;
  }
  if (v.glyph.LineBase >= 1) {
    if (!v.ctx.IsTall) conf = Times(conf, 96);
    if (v.ctx.HasDescender) conf = Times(conf, 96);
  }
  v.propose(u'K', conf);
  v.propose(u'k', Times(conf, 98));
}

// ---------------------------------------------------------------- "L"

// The stem may lean right towards the top by at most half the width over its
// height, keeps its width below the top eighth and stays narrower than the foot.
bool UprightStem(const Probes& o, int32_t sw, int32_t foot) {
  const int32_t W = o.W, H = o.H;
  for (int32_t y = 0; y <= H - 1 - H / 4; ++y) {
    const int32_t lx = o.gL(y);
    if (lx > ((W * (H - 1 - H / 4 - y)) / 2) / H + (W + 2) / 4) return false;
    const int32_t lw = o.inkRun(lx, y, dirRight);
    if (y > H / 8 && (lw > sw + 1 || 4 * lw < 3 * sw)) return false;
    if (4 * lw > 3 * foot) return false;
  }
  return true;
}

void TestCapitalL(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W >= 3 && H >= 5 && v.holes.Count < 2)) return;
  if (c.gR(H / 2) < 3 && H >= 9) return;
  int32_t foot = 0;
  for (int32_t y = H - 1 - H / 4; y <= H - 1; ++y) foot = std::max(foot, o.firstRun(y));
  if (foot < 3 * W / 4) return;
  const int32_t sx = o.gL(H / 2);
  if (sx > W / 2) return;
  const int32_t sw = o.inkRun(sx, H / 2, dirRight);  // the stem width
  if (sx + sw > W / 2) return;
  if (c.gR(0) < W / 8 && c.gR(H / 4) > W / 2 && c.gL(5 * H / 8) < W / 4 && c.gR(3 * H / 4) < W / 4)
    return;
  if (!UprightStem(o, sw, foot)) return;
  if (c.runs(0, H - 1 - H / 2, W - 1 - W / 8, H - 1 - H / 2) != 1) return;
  if (c.nRow(H / 3) != 1 || c.nRow(H / 8) != 1) return;

  int32_t conf = 100;
  if (c.gL(H - 1) - c.gL(H - 3) > W / 16 + 1) conf = Times(conf, 96);
  if (v.ctx.HasDescender) conf = Times(conf, 80);
  if (!v.ctx.IsTall) conf = Times(conf, 99);
  if (5 * W < 2 * H && o.gL(H - 1) > W / 4) conf = Times(conf, 99);
  v.propose(u'L', conf);
}

// ---------------------------------------------------------------- "l"

struct TStemWidths {
  int32_t smin = 0;
  int32_t smax = 0;
};

// The first runs of the middle half vary by less than a factor of two.
bool EvenStem(const Probes& c, TStemWidths& s) {
  const int32_t W = c.W, H = c.H;
  s = {W, 0};
  for (int32_t y = H / 4; y < H - H / 4; ++y) {
    s.smin = std::min(s.smin, c.firstRun(y));
    s.smax = std::max(s.smax, c.firstRun(y));
  }
  return 2 * s.smin >= s.smax;
}

// A head much wider than the stem, or far from the left edge, needs a foot
// close to both edges (a serifed "l"), not a one-sided flag ("1", "7").
bool HeadMatchesFoot(const Probes& c, const TStemWidths& s) {
  const int32_t W = c.W, H = c.H;
  int32_t gmax = 0, tmax = 0;
  for (int32_t y = 0; y < H / 4; ++y) {
    gmax = std::max(gmax, c.gL(y));
    if (c.firstRun(y) > tmax) {
      tmax = c.firstRun(y);
      gmax = 0;
    }
  }
  if (4 * s.smin < tmax || 3 * gmax > 2 * W)
    return c.gR(H - 1) <= 3 * W / 8 && c.gL(H - 1) <= 3 * W / 8;
  return true;
}

// Going down the top quarter, the right edge never steps out by more than one
// pixel; a top split in two strokes needs a split foot too.
bool TopWithoutFlag(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  int32_t prev = W;
  bool splitTop = false;
  for (int32_t y = 1; y < H / 4; ++y) {
    const int32_t g = c.gR(y);
    if (g > prev + 1) return false;
    prev = g;
    if (c.nRow(y) == 2 && c.nRow(y + 1 + H / 32) == 2) splitTop = true;
  }
  if (!splitTop) return true;
  for (int32_t y = 3 * H / 4; y < H; ++y)
    if (c.nRow(y) == 2 && c.nRow(y - 1 - H / 32) == 2) return true;
  return false;
}

// The edge strips must not show the corners of other glyphs: ink jutting out
// on the right below a blank top, a cross bar over open sides ("T"), or an
// open lower right under ink in both top corners.
bool BarCornersFit(const Probes& c) {
  const int32_t W = c.W, H = c.H, r0 = W - 1 - W / 8;
  if (W >= 4 && c.blank(r0, W - 1, 0, H / 6) && c.ink(r0, W - 1, 0, H / 2)) return false;
  if (c.blank(r0, W - 1, H / 4, H / 3) && c.blank(0, W / 8, H / 4, H / 3) &&
      c.ink(r0, W - 1, 0, H / 8) && c.ink(0, W / 8, 0, H / 8))
    return false;
  return !(c.blank(r0, W - 1, H / 2, H - 1) && c.ink(0, W / 8, H / 2, H - 1) &&
           c.ink(r0, W - 1, 0, H / 3) && c.ink(0, W / 8, 0, H / 3));
}

bool SingleStrokeRows(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  for (int32_t y = 1; y < 3 * H / 4; ++y)
    if (c.nRow(y) != 1 && c.nRow(y - 1) != 1) return false;
  if (W >= 4)
    for (int32_t y = H / 2; y < H - 1; ++y)
      if (!c.ink(W / 4, W - 1 - W / 4, y, y)) return false;
  return true;
}

// Walking up, neither edge steps outward by more than 2 + W/16 beyond the
// extreme seen below; no ink continues under the box.
bool StraightEdges(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  int32_t rmin = W;
  for (int32_t y = v.Hc - 1 - 5 * H / 16; y > H / 5; --y) {
    const int32_t g = v.wholeCrop.gR(y, W - 1);
    if (g - 2 - W / 16 >= rmin) return false;
    rmin = std::min(rmin, g);
  }
  int32_t lmax = 0;
  for (int32_t y = v.Hc - 1 - H / 5; y > H / 5; --y) {
    const int32_t g = c.gL(y, W - 1);
    if (g + 2 + W / 16 < lmax) return false;
    lmax = std::max(lmax, g);
  }
  return !v.raster.ink(0, W - 1, H, H - 1 + H / 3);
}

// A second stroke low on the right must join the stem (a foot or tail), not
// stand apart from it.
bool LowerSplitJoins(const Probes& c) {
  const int32_t H = c.H;
  int32_t yb = 5 * H / 8;
  while (yb < H && c.nRow(yb) != 2) ++yb;
  if (yb >= H) return true;
  const int32_t q = c.gL(yb) + c.inkRun(c.gL(yb), yb, dirRight);
  const int32_t xm = q + c.gap(q, yb, dirRight) / 2;
  return c.runs(0, 5 * H / 8, xm, 5 * H / 8) != 0 || c.runs(xm, 5 * H / 8, xm, yb) != 0;
}

// The flag of a "1" left of the stem's top costs a little.
int32_t FlagPenalty(const Probes& c, int32_t conf) {
  const int32_t W = c.W, H = c.H;
  int32_t xs = 0;
  while (xs < W / 2 && !c.ink(xs, xs, 0, H / 4)) ++xs;
  const int32_t xe = xs + W / 16;
  if (!(c.blank(xs, xe, 0, H / 16) && c.blank(xs, xe, H / 4, H / 2) &&
        c.ink(xs, xe, H / 16, H / 4)))
    return conf;
  const int32_t rw = c.rW(16);
  if (c.gL(H / 4 - 1) >= c.gL(H / 4 + 1) && c.gT(0) >= 2 && c.gT(0) - c.gT(rw + 1) < rw + 1)
    conf = Times(conf, 98);
  if (c.runs(0, H / 4 - 1, W / 2, H / 4 - 1) == 2) conf = Times(conf, 98);
  return conf;
}

// Square brackets: a box solid on three sides needs ink along the fourth
// side's inner edge ("]" on the left, "[" on the right).
bool NotASquareBracket(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  const bool topAndBottom = o.allInk(0, W - 1, 0, 0) && o.allInk(0, W - 1, H - 1, H - 1);
  if (topAndBottom && o.allInk(W - 1, W - 1, 0, H - 1) &&
      !o.ink(0, W / 4, 1 + H / 16, H - 2 - H / 16))
    return false;
  return !(topAndBottom && o.allInk(0, 0, 0, H - 1) &&
           !o.ink(W - 1 - W / 4, W - 1, 1 + H / 16, H - 2 - H / 16));
}

// Parentheses: the middle bulges to one side against both ends.
bool NotAParenthesis(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  const int32_t ml = c.gL(H / 2), mr = c.gR(H / 2), o = W / 8;
  if (ml + o < c.gL(7 * H / 8) && ml + o < c.gL(H / 8) && c.gR(7 * H / 8) < mr - o &&
      c.gR(H / 8) < mr - o)
    return false;
  return !(c.gL(7 * H / 8) < ml - o && c.gL(H / 8) < ml - o && mr + o < c.gR(7 * H / 8) &&
           mr + o < c.gR(H / 8));
}

// Column 0 starting well below the top: the top-left must be a serif that
// does not stick out, not a flag.
bool TopLeftStartFits(const Probes& c) {
  const int32_t W = c.W, H = c.H, o = W / 8;
  const int32_t tc = c.gT(0);
  if (!(H >= 12 && H / 8 < tc && tc < H / 2)) return true;
  const bool rightFollows =
      (c.gR(tc) >= c.gR(3 * H / 16) - o && c.gR(tc + 1) >= c.gR(3 * H / 16) - o) ||
      (c.gR(tc) >= c.gR(H / 2) - o && c.gR(tc + 1) >= c.gR(H / 2) - o) ||
      (c.gL(tc) >= c.gL(3 * H / 16) - o && c.gL(tc + 1) >= c.gL(3 * H / 16) - o);
  if (!rightFollows && (c.gL(tc) < c.gL(H / 2) - o || c.gL(tc + 1) < c.gL(H / 2) - o)) return false;
  if (c.gL(tc - 1) >= 2 && W < 6) return false;
  return !(c.gL(H / 2) > o && c.inkRun(0, tc, dirRight) >= W - 1 && c.gR(H / 2) > o &&
           c.gR(tc - 1) > o);
}

void TestSmallL(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const TCharRecord& g = v.glyph;
  const int32_t W = v.W, H = v.H;
  if (!(W < H && H >= 7 && g.MarksAbove == 0)) return;
  if (c.nRow(H / 2) != 1 || c.nRow(H / 4) != 1) return;
  TStemWidths stem;
  if (!EvenStem(c, stem)) return;
  int32_t conf = 100;
  if (g.LineBase >= 1 && g.LineBase - g.LineMean >= H) conf = Times(conf, 94);
  if (g.LineMean - g.LineTop >= 2 && g.Top >= g.LineMean) conf = Times(conf, 94);
  if (!HeadMatchesFoot(c, stem) || !TopWithoutFlag(c) || !BarCornersFit(c)) return;
  if (!SingleStrokeRows(c) || !StraightEdges(v)) return;
  const int32_t tg = c.gR(H / 16);
  if (tg >= 4 && c.gR(H / 2) >= 4 && c.ink(W - 1 - tg / 2, W - 1 - tg / 2, 0, H / 2)) return;
  if (!LowerSplitJoins(c)) return;
  if (W > 8 && 4 * c.gL(3 * H / 4) >= W && c.gL(7 * H / 8) <= W / 8 && c.gR(3 * H / 4) <= W / 8 &&
      c.gR(7 * H / 8) <= W / 8)
    return;
  if (c.gR(H / 2) > W / 2 && c.ink(3 * W / 4, W - 1, 3 * H / 4, H - 1)) {
    if (c.gL(H - 1) < W / 8) conf = Times(conf, 99);
    if (2 * H < 5 * W) conf = Times(conf, 99);
    if (3 * H < 5 * W) conf = Times(conf, 99);
  }
  if (!v.ctx.IsTall && c.ink(W / 4, W / 4, 0, H / 4) && !c.ink(W / 4, W / 4, H / 2, H - 1)) return;
  if (W >= 4 && 3 * W < H && c.gB(W / 4) < H / 4 && c.gL(H - 1 - H / 8) >= W / 2 &&
      c.gR(H - 1 - H / 8) <= W / 4) {
    conf = Times(conf, 98);
    if (c.gR(H / 2) == 0) return;
  }
  conf = FlagPenalty(c, conf);
  if (W < 8 && H < 12 && c.inkRun(W / 2, 1, dirDown) >= H - 2 && c.gL(H / 2) >= 2 && c.gT(0) >= 2 &&
      c.gT(0) < H / 2)
    return;
  if (!NotASquareBracket(o)) return;
  if (c.gL(H / 2) >= W / 2 && (c.gR(H / 2) < W / 2 || c.gR(H / 2) == 0)) conf = Times(conf, 98);
  if (!NotAParenthesis(c) || !TopLeftStartFits(c)) return;
  if (o.allInk(0, W - 1, 0, H - 1)) conf = Times(conf, 99);  // a solid bar
  if (!v.ctx.IsTall)
    for (const int32_t y : {H / 16, H / 16 + 1, H / 16 + 2})
      if (c.firstRun(y) > 3 * W / 4) return;
  if (!v.ctx.IsTall) conf = Times(conf, 80);
  if (v.ctx.HasDescender) conf = Times(conf, 80);
  if (conf == 100) conf = 99;
  v.propose(u'l', conf);
}

}  // namespace

void RecogniseK(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  if (!(v.W > 2 && v.H > 3 && v.holes.Count <= 1)) return;
  TestSmallK(v);
  TestCapitalK(v);
}

void RecogniseL(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestCapitalL(v);
  TestSmallL(v);
}

// Recognisers for G, H, I and J:
//   RecogniseG   "g" with a closed descender loop, "G" (found by walking
//                into its mouth), and "g" with an open tail
//   RecogniseH   "h" (stem with an arch on the right) and "H"
//   RecogniseIJ  "i" (a quick look and the full dot-gap-stem test), "j",
//                "I" and "J"
// The dotted letters read the record's line heights: their dot is a separate
// component above the box, so their probes reach rows above the box on the
// working raster. Each test returns early on the first condition it fails.
#include <algorithm>
#include <cstdlib>

#include "classifier/letters.h"

namespace {

// ---------------------------------------------------------------- "g", loop

// The glyph starts in or below the upper quarter of the ascender zone and
// shows a loop below a bowl.
bool LoopedGOutline(const TLetterView& v) {
  const Probes& o = v.raster;
  const TCharRecord& g = v.glyph;
  const int32_t W = v.W, H = v.H;
  return 4 * g.Top >= 3 * g.LineTop + g.LineMean && W > 2 && H > 4 && v.holes.Count <= 3 &&
         o.ink(W / 2, W / 2, H - 1 - H / 2, H - 1) &&
         o.ink(W - 1 - W / 4, W - 1, H - 1 - H / 4, H - 1) && o.ink(W / 2, W / 2, 0, H / 2) &&
         (o.runs(W / 2, 0, W / 2, H - 1) >= 3 ||
          o.runs(W - 1 - W / 2, 0, W - 1 - W / 2, H - 1) >= 3);
}

bool SomeHoleEndsAbove(const THoleList& holes, int32_t row) {
  for (int32_t i = 0; i < holes.Count; ++i)
    if (holes.Items[i].Bottom < row) return true;
  return false;
}

// How far the right column crosses strokes above a loop that closes on the
// right: a "g" whose right side is open above reads less sure.
int32_t LoopedGConfidence(const Probes& o) {
  const int32_t W = o.W, H = o.H, ym = (H - 1) / 2;
  if (o.runs(W - 1, ym, W - 1, H - 1) < 2) return 100;
  const int32_t u = o.runs(W - 1, 0, W - 1, ym);
  const int32_t v = o.runs(W - 2, 0, W - 2, ym);
  if (v > 0) return u > 0 ? 98 : 94;
  return u > 0 ? 93 : 89;
}

void TestLoopedG(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!LoopedGOutline(v) || !SomeHoleEndsAbove(v.holes, 5 * H / 8)) return;
  if (!SomeRowCrossesTwo(c, H / 4, H) || !c.ink(0, W / 2, 7 * H / 8, 7 * H / 8)) return;
  int32_t r = c.gT(W / 16);
  if (r <= H / 8) r += c.inkRun(W / 16, r, dirDown);
  if (16 * r >= 15 * H) return;

  int32_t conf = LoopedGConfidence(o);
  int32_t m = 0;  // the deepest right gap of the middle half
  for (int32_t y = H / 4; y < H - H / 4; ++y) m = std::max(m, c.gR(y, H));
  if (m < W / 2) {
    if (o.nRow(H / 4) > 2 || o.nRow(H / 8) > 2) conf = Times(conf, 90);
    // These rows reach a quarter width beyond the box.
    if (o.runs(0, H - 1 - H / 4, W - 1 + W / 4, H - 1 - H / 4) > 2 ||
        o.runs(0, H - 1 - H / 8, W - 1 + W / 4, H - 1 - H / 8) > 2)
      conf = Times(conf, 90);
  }
  if (c.nRow(H / 2) > 2) conf = Times(conf, 99);
  if (v.glyph.LineBottom == 0) conf = Times(conf, 98);
  if (v.ctx.IsTall) conf = Times(conf, 96);
  if (!v.ctx.HasDescender) conf = Times(conf, 96);
  conf = Times(conf, 98);
  v.propose(u'g', conf);
}

// ---------------------------------------------------------------- "G"

// The walks into the mouth of a "G": the left side is closed from the bottom
// up to the upper quarter; from the right at the lower third, through the
// paper and the spur, then up and out to the right between 3H/8 and the lower
// quarter; and the lower bow climbs, from the bottom, left and up out of the
// top of the box.
bool WalksFitG(const TLetterView& v) {
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  int32_t x = 0, y = H - 1;
  o.walk(x, y, 0, W - 1, 0, H - 1, dirUp, dirStop);
  if (y < H / 4) return false;

  // Into the spur from the right edge and through it; a spur too far left is
  // looked for once more a little lower.
  const auto throughSpur = [&](int32_t row) {
    x = W - 1;
    y = row;
    o.walk(x, y, 0, W - 1, 0, H - 1, dirLeft, dirStop);
    if (x < W - 1 - 3 * W / 8) return false;
    o.walk(x, y, 0, W - 1, 0, H - 1, dirStop, dirLeft);
    return true;
  };
  if (!throughSpur(H - 1 - H / 3)) return false;
  if (x < W / 2) {
    x = W - 1;
    y = H - 1 - H / 4;
    o.walk(x, y, 0, W - 1, 0, H - 1, dirLeft, dirStop);
    o.walk(x, y, 0, W - 1, 0, H - 1, dirStop, dirLeft);
    if (x < W / 2) return false;
  }
  o.walk(x, y, 0, W - 1, 0, H - 1, dirRight, dirUp);
  if (x <= W - 1 || y < 3 * H / 8 || y > H - 1 - H / 4) return false;

  x = W - 1 - W / 3;
  y = H - 1;
  o.walk(x, y, 0, W - 1, H / 4, H - 1, dirLeft, dirUp);
  if (x > (W + 4) / 4) return false;
  x += 1;
  o.walk(x, y, 0, W - 1, 0, H - 1, dirRight, dirUp);
  return y < 0;
}

// The row of the middle half where the first ink met from the right (within
// W/4 of the edge) runs longest, the spur, lies strictly inside that half.
bool SpurRowInMiddle(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  int32_t yp = H / 4, longest = 0;
  for (int32_t y = H / 4; y < H - H / 4; ++y) {
    const int32_t o = c.gR(y, W / 4);
    const int32_t p = c.inkRun(W - 1 - o, y, dirLeft, W / 2);
    if (p > longest) {
      longest = p;
      yp = y;
    }
  }
  return 4 * yp > H && yp < H - H / 4;
}

void TestCapitalG(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 3 && H > 4 && v.holes.Count <= 1)) return;
  if (!o.ink(0, W / 2, H / 3, H / 3) || !o.ink(W / 2, W - 1 - W / 4, 0, H / 4) ||
      !o.ink(W / 2, W / 2, H - 1 - H / 4, H - 1) || !o.ink(0, W / 2, H - 1 - H / 3, H - 1 - H / 3))
    return;
  int32_t ym = -1;  // the first row of the mouth
  for (int32_t y = H / 4; y < H - 1 - H / 3 && ym < 0; ++y)
    if (o.blank(W - 1 - W / 2, W - 1, y, y)) ym = y;
  if (ym < 0) return;
  if (o.runs(W / 2, 0, W / 2, ym) != 1 || o.runs(W / 2 + 1, 0, W / 2 + 1, ym) != 1) return;
  if (!WalksFitG(v) || v.holes.Count > 0) return;

  int32_t conf = 100;
  if (W >= 5 && H > 6) {
    const bool noTop = !SomeRowCrossesTwo(c, 0, H / 3);
    bool bottomTwo = false;
    for (int32_t y = 0; y < H / 3 && !bottomTwo; ++y) bottomTwo = c.nRow(H - 1 - y) == 2;
    if (!bottomTwo) return;
    conf = noTop ? 98 : 100;
  }
  if (!SomeRowCrossesTwo(c, H / 2, H)) return;
  int32_t k = 0;  // the bottom-left curve never turns back left
  for (int32_t y = 3 * H / 4; y < H; ++y) {
    if (c.gL(y) < k - W / 20) return;
    k = std::max(k, c.gL(y));
  }
  if (!SpurRowInMiddle(c)) return;
  if (!HasInnerCorner(c, W / 2, W - 2, H / 2, H - 3)) conf = Times(conf, 95);
  if (!v.ctx.IsTall) conf = Times(conf, 90);
  if (v.ctx.HasDescender) conf = Times(conf, 90);
  v.propose(u'G', conf);
}

// ---------------------------------------------------------------- "g", open tail

struct TOpening {
  int32_t row = 0;
  int32_t width = -1;
};

// The widest paper reaching in from the left in the lower half: the opening
// between the bowl and the tail. A narrow gap is followed one row down,
// which lets a thin tail stroke count as open.
TOpening FindTailOpening(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  TOpening best;
  for (int32_t y = H / 2; y <= H - 1 - 3 * H / 16; ++y) {
    int32_t g = o.gL(y);
    if (g > 2 && g > W / 4 && y < H - 4 && g < W / 2) g = g - 2 + o.gap(g - 2, y + 1, dirRight);
    if (g > best.width) best = {y, g};
  }
  return best;
}

// The right side is straight: the right gap stays within half the width and
// never bows in more than (W + 1) / 16 rounded up.
bool StraightRightSide(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  const int32_t a = c.gR(H / 8);
  if (a > W / 2) return false;
  if (a + c.gR(H - 1 - H / 8) - 2 * c.gR(H / 2) < 0) return false;
  const int32_t b = c.gR(H / 4);
  if (b > W / 2) return false;
  const int32_t c2 = c.gR(H - 1 - H / 8);
  const int32_t bow = (W + 1 + 15) / 16;
  for (int32_t y = H / 4; y < H - 1 - H / 4; ++y)
    if (b + c2 - 2 * c.gR(y) < -bow) return false;
  return true;
}

void TestOpenTailG(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 4 && v.holes.Count <= 2)) return;
  if (o.runs(W / 2, 0, W / 2, H - 1) != 3 && o.runs(W / 4, 0, W - 1 - W / 4, H - 1) != 3) return;
  const TOpening opening = FindTailOpening(o);
  const int32_t yo = opening.row;
  if (opening.width < 4 * W / 8) return;
  if (o.runs(W / 2, yo, W - 1, H - 1) != 1 && o.runs(W / 2, yo + 1, W - 1, H - 1) != 1) return;
  if (v.holesIn(0, W - 1, 0, yo + 1) != 1 || v.holesIn(0, W - 1, yo - 1, H - 1) != 0) return;
  if (o.gap(0, H - 1, dirRight, H) > W / 3 && o.gap(0, H - 2, dirRight, H) > W / 3) return;
  for (int32_t y = H / 3; y <= H - 1 - H / 3; ++y)
    if (o.gR(y) > W / 2) return;
  if (!StraightRightSide(c)) return;
  const int32_t f = c.gR(6 * H / 8);
  if (f > 0 && c.gB(W - f) < H / 8) return;

  const int32_t n = o.nRow(H / 4);
  const bool tailCrossed = o.runs(0, H - 1 - H / 4, W - 1 + W / 4, H - 1 - H / 4) > 2 ||
                           o.runs(0, H - 1 - H / 8, W - 1 + W / 4, H - 1 - H / 8) > 2;
  int32_t conf = tailCrossed ? (n < 3 ? 90 : 81) : (n < 3 ? 100 : 90);
  if (v.glyph.LineBottom == 0) conf = Times(conf, 98);
  if (v.ctx.IsTall) conf = Times(conf, 96);
  if (!v.ctx.HasDescender) conf = Times(conf, 96);
  v.propose(u'g', conf);
}

// ---------------------------------------------------------------- "h"

// Nothing right of the ascender above the arch, and a right leg at the bottom.
bool AscenderOnTheLeft(const Probes& c) {
  const int32_t W = c.W, H = c.H, s = W - 1 - W / 3;
  if (c.ink(s, W - 1, 0, 1) || c.ink(s, W - 1, 1, H / 6)) return false;
  if (H > 18 && c.ink(s, W - 1, H / 6, H / 5)) return false;
  return c.ink(s, W - 1, H - 1 - H / 4, H - 1);
}

bool GapBetweenLegs(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  for (int32_t x = W / 3; x < W - 1 - W / 3; ++x)
    if (o.blank(x, x, H - 1 - H / 3, H - 1)) return true;
  return false;
}

// The stem of an "h" reaches the left edge at the lower quarter row: a left
// gap of e pixels there costs 2^e of confidence.
bool LeftGapConfidence(const TLetterView& v, int32_t& conf) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  const int32_t e = c.gL(H - 1 - H / 4);
  if (e <= 1 || o.runs(0, H / 8 + 2, 0, H / 2) != 1) return true;
  conf = 99 - (e < 16 ? (1 << e) : (1 << 16));
  if (o.runs(0, 0, 0, H / 8 + 2) == 0) conf = Times(conf, 97);
  if (o.runs(W / 2, 0, W / 2, H / 8 + 2) == 1) conf = Times(conf, 97);
  return conf >= 1;
}

void TestSmallH(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 3 && H >= W && v.holes.Count <= 1)) return;
  if (!c.ink(0, W / 2, H / 8, H / 8) || !c.ink(0, W / 2, H / 2, H / 2)) return;
  if (!c.ink(W / 2, W - 1, H - 1 - H / 3, H - 1 - H / 3)) return;
  if (!c.ink(W / 2, W / 2, H / 5, H - 1 - H / 3)) return;
  if (!AscenderOnTheLeft(c) || !GapBetweenLegs(o)) return;
  const int32_t d = c.inkRun(0, H / 4, dirRight) + c.inkRun(W - 1, H / 4, dirLeft);
  if (c.inkRun(0, H - H / 4, dirRight) + c.inkRun(W - 1, H - H / 4, dirLeft) < d / 2) return;
  if (v.holes.Count > 0 && v.holes.Items[0].Top > H / 3 && v.holes.Items[0].Bottom < H - 1 - H / 3)
    return;
  if (c.gR(H / 3) + W / 8 < c.gR(H / 2) && c.gR(H - 2) + W / 8 < c.gR(H / 2)) return;

  int32_t conf = 100;
  if (!LeftGapConfidence(v, conf)) return;
  for (int32_t x = c.gL(H / 4) + 1; x <= W - 1 - W / 3; ++x)
    if (c.gT(x) > 5 * H / 8) return;

  if (o.nRow(H - 1 - 3 * H / 8) > 2) conf = Times(conf, 96);
  const int32_t k = H / 16 + 1;
  const int32_t g = c.gR(k);
  if (g < W / 4) conf = Times(conf, 98);
  // The column W/8 + 2 right of the first ink from the right.
  const int32_t beyond = W + W / 8 + 1 - g;
  if (c.runs(beyond, 0, beyond, k) > 0) conf = Times(conf, 95);
  if (o.gR(k) < W / 4) conf = Times(conf, 98);
  if (o.gR(0) < W / 4 || o.gR(1) < W / 4) conf = Times(conf, 98);
  if (v.ctx.HasDescender) conf = Times(conf, 98);
  if (!v.ctx.IsTall) conf = Times(conf, 97);
  v.propose(u'h', conf);
}

// ---------------------------------------------------------------- "H"

// Two stems that stay within half the width of the box edges; returns the
// widest margin sum of the rows between the tenths, or -1.
int32_t StemMargins(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  int32_t s = 0;
  for (int32_t y = H / 10; y < H - 1 - H / 10; ++y) {
    const int32_t sum = o.gL(y) + o.gR(y);
    if (sum > W / 2) return -1;
    s = std::max(s, sum);
  }
  return s;
}

// The crossbar: the row with the longest first run in the middle third.
int32_t FindCrossbarRow(const Probes& o, const Probes& c) {
  const int32_t W = o.W, H = o.H;
  int32_t yb = -1, e = -1;
  for (int32_t y = H / 3; y < H - 1 - H / 3; ++y)
    if (o.firstRun(y) > e) {
      e = o.firstRun(y);
      yb = y;
    }
  if (e <= W / 2) return -1;
  if (c.nRow(yb) != 1 && c.nRow(yb + 1) != 1) return -1;
  return yb;
}

// Between the stems the columns are open at the top and at the bottom, and
// one of them crosses just the crossbar.
bool OpenBetweenStems(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  bool openTop = false, openBottom = false, barOnly = false;
  for (int32_t x = W / 4; x <= W - 1 - W / 4; ++x) {
    openTop = openTop || !o.ink(x, x, 0, H / 4);
    openBottom = openBottom || !o.ink(x, x, H - 1 - H / 4, H - 1);
    barOnly = barOnly || o.runs(x, H / 8, x, H - 1 - H / 8) == 1;
  }
  return openTop && openBottom && barOnly;
}

bool TwoRunsNearTopAndBottom(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  bool top = false, bottom = false;
  for (int32_t y = 0; y <= H / 4 && !top; ++y) top = o.nRow(y) == 2;
  for (int32_t y = H - 1 - H / 4; y <= H - 1 && !bottom; ++y) bottom = o.nRow(y) == 2;
  return top && bottom && o.ink(W - 1 - W / 8, W - 1, 0, H / 8) &&
         o.ink(0, W / 8, H - 1 - H / 8, H - 1);
}

// The right stem is straight and the box diagonal crosses both stems.
bool StraightRightStem(const Probes& c, const Probes& o) {
  const int32_t W = c.W, H = c.H;
  const int32_t a = c.gR(H / 4);
  if (a > W / 2) return false;
  const int32_t b = c.gR(H / 2);
  if (b < a - W / 4 || b > a + W / 8) return false;
  const int32_t c2 = c.gR(H - 1 - H / 4);
  if (c2 < b - W / 4 || c2 > b + W / 8) return false;
  return std::abs(a + c2 - 2 * b) <= W / 16 + 1 && o.runs(0, 0, W - 1, H - 1) >= 2;
}

// A left stem thinner at the bottom than both at the top and the right stem,
// with a narrow gap under the bar, is not an "H".
bool ThinLowerLeftStem(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  const int32_t q = c.firstRun(H / 4), r = c.firstRun(H - 1 - H / 4);
  const int32_t s2 = c.inkRun(W - 1 - c.gR(H - 1 - H / 4), H - 1 - H / 4, dirLeft);
  const int32_t v = H / 2 + H / 8 + 1;
  const int32_t u = c.gL(v);
  return c.gap(u + c.inkRun(u, v, dirRight), v, dirRight) < W / 2 - 1 && 6 * r < 5 * q &&
         6 * r < 5 * s2 && r < q && r < s2;
}

void TestCapitalH(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 4 && v.holes.Count <= 1)) return;
  if (c.nRow(H / 4) != 2 && c.nRow(H / 4 - 1) != 2) return;
  if (c.nRow(3 * H / 4) != 2 && c.nRow(3 * H / 4 + 1) != 2) return;
  if (c.gL(H / 8) + c.gR(H / 8) > W / 2) return;
  const int32_t s = StemMargins(o);
  if (s < 0) return;
  for (int32_t y = H / 4; y < H - 1 - H / 4; ++y)
    if (s - c.gL(y) - c.gR(y) > W / 5) return;
  const int32_t yb = FindCrossbarRow(o, c);
  if (yb < 0) return;
  for (int32_t y = yb; y < H - H / 4; ++y)
    if (c.nRow(y) >= 3 && c.nRow(y + 1) > 2) return;
  if (!OpenBetweenStems(o) || !TwoRunsNearTopAndBottom(o)) return;
  if (!StraightRightStem(c, o) || ThinLowerLeftStem(c)) return;
  if (W > 8 && c.gR(3 * H / 8) - c.gR(H / 8) > W / 4 &&
      c.gR(3 * H / 8) - c.gR(H - 1 - H / 8) > W / 4)
    return;
  if (v.holes.Count != 0) return;
  int32_t conf = v.ctx.HasDescender ? 99 : 100;
  if (!v.ctx.IsTall) conf = Times(conf, 98);
  v.propose(u'H', conf);
}

// ---------------------------------------------------------------- "i", quick look

// A narrow glyph standing on the base line whose box reaches into the upper
// half of the ascender zone, with a blank row just above its stem: the dot
// is inside the box.
void QuickLookI(const TLetterView& v, int32_t c) {
  const Probes& p = v.crop;
  const Probes& o = v.raster;
  const TCharRecord& g = v.glyph;
  const int32_t W = v.W, H = v.H;
  if (!(H > 4 && W >= 1 && v.holes.Count <= 1 && 3 * W < H && g.LineMean > 0)) return;
  const int32_t yb = H - 1 - p.gB(W / 2);  // the lowest ink of the centre column
  if (yb < v.BL - 2) return;
  const int32_t top = yb - p.inkRun(W / 2, yb, dirUp);  // the row above the stem
  if (v.ML - v.TL < 3 * std::abs(top - v.ML)) return;
  if (!o.ink(0, W - 1, 0, (g.LineTop + g.LineMean) / 2 - g.Top)) return;
  for (const int32_t y : {top, top - 1, top - 2})
    if (o.blank(0, W - 1, y, y)) {
      v.propose(u'i', c);
      return;
    }
}

// ---------------------------------------------------------------- "i" and "j"

// First row at or below `from` (while y < end) whose crop row crosses a
// number of strokes other than `n`; `end` when there is none.
int32_t FirstRowDown(const Probes& c, int32_t from, int32_t end, int32_t n) {
  int32_t y = from;
  while (y < end && c.nRow(y) == n) ++y;
  return y;
}
// The same upwards (while y > 0); 0 when there is none.
int32_t FirstRowUp(const Probes& c, int32_t from, int32_t n) {
  int32_t y = from;
  while (y > 0 && c.nRow(y) == n) --y;
  return y;
}

struct TDotStem {
  int32_t dot = 0;   // first ink row of the dot (may lie above the box)
  int32_t stem = 0;  // first ink row of the stem
};

// Dot, blank gap, stem: scanning the raster from the box top, or from the
// top line when the box starts low enough that the dot lies above it.
bool FindDotAndStem(const TLetterView& v, TDotStem& found) {
  const Probes& o = v.raster;
  const TCharRecord& g = v.glyph;
  const int32_t W = v.W, H = v.H;
  const int32_t a = g.LineMean >= 1 && v.TL + v.ML <= 0 ? v.TL : 0;
  int32_t dot = a;
  while (2 * dot < (H - 1) + a && o.blank(0, W - 1, dot, dot)) ++dot;
  if (2 * dot >= (H - 1) + a) return false;
  if (g.LineMean >= 1 && v.ML + 2 < dot) return false;
  const int32_t d = (H - 1) + dot;
  int32_t gapTop = dot;
  while (2 * gapTop < d && o.ink(0, W - 1, gapTop, gapTop)) ++gapTop;
  if (2 * gapTop >= d) return false;
  int32_t stem = gapTop;
  while (2 * stem < d && o.blank(0, W - 1, stem, stem)) ++stem;
  if (2 * stem >= d) return false;
  found = {dot, stem};
  return true;
}

// A foot serif that reaches further down on one side than the stem's end is
// the tail of a "j" (for the "i" test) or the hook of a "J" (for "j").
bool FootSerifFits(const Probes& c, int32_t e1, int32_t e2) {
  if (e1 + 2 >= e2) return true;
  const int32_t W = c.W;
  const int32_t s = e1 - 1, l = c.gL(s), r = c.gR(s);
  if (l - c.gL(e1) < r - c.gR(e1)) {
    int32_t y = c.gap(W - r, s, dirDown);
    if (y > 0) {
      const int32_t more = c.gap(W - 1 - r, e1 + y - 2, dirDown);
      if (more > 0) y += more - 1;
    }
    return y + s >= e2 - 1;
  }
  return c.gap(11 * l / 16, s, dirDown) + s >= e2 - 2;
}

// A head serif must not reach further up than the stem's top.
bool HeadSerifFits(const Probes& c, int32_t b1, int32_t b2) {
  if (b2 >= b1 - 2) return true;
  const int32_t p = c.gL(b1 + 1);
  const int32_t q = c.gap(p - 1, b1 + 1, dirUp);
  const int32_t q2 = c.gap(p, b1 - q + 2, dirUp);
  return b2 + 1 >= b1 - (q2 < 1 ? q : q + q2 - 1) + 1;
}

// The shared dot-gap-stem test of "i" and "j"; the "j" variant allows a
// second stroke (the tail) at the stem's middle and differs in its
// confidence and descender rules.
void TestDottedStem(const TLetterView& v, int32_t c, bool forJ) {
  const Probes& p = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(H > 4 && W >= 1 && v.holes.Count <= 1)) return;
  TDotStem ds;
  if (!FindDotAndStem(v, ds)) return;
  const int32_t dot = ds.dot, stem = ds.stem, d = (H - 1) + dot;
  if (p.gR(stem + (H - dot) / 32) > W / 2) return;
  for (int32_t y = d / 2; y <= H - 1; ++y)
    if (!o.ink(0, W - 1, y, y)) return;

  const int32_t len = H - stem;
  const int32_t c0 = stem + len / 2;
  if (forJ ? p.nRow(c0) > 2 : p.nRow(c0) != 1) return;
  const int32_t e1 = FirstRowDown(p, c0, H, 1);  // the end of the stem
  const int32_t e2 = FirstRowDown(p, e1, H, 2);
  if (e2 < stem + 3 * len / 4) return;
  const int32_t b1 = FirstRowUp(p, c0, 1);
  const int32_t b2 = FirstRowUp(p, b1, 2);
  if (b2 > stem + len / 4) return;
  if (!FootSerifFits(p, e1, e2) || !HeadSerifFits(p, b1, b2)) return;

  const bool leftLeans = p.gL(0) + 1 < p.gL(W / 2);
  int32_t conf = c;
  if (!forJ && v.TL + v.ML >= 0 && leftLeans) conf = Times(conf, 97);
  if (forJ) {
    conf = v.TL + v.ML < 0 ? 100 : (leftLeans ? 97 : 100);
    if (p.gL(H - 1) - p.gL(H - 3) > W / 16 + 1) conf = Times(conf, 96);
  }
  // With a descender, a stem right of the centre at mid-height means a tail
  // widens the box to the left: a "j", not an "i".
  const bool stemRightOfCentre = p.gL(H / 2) - p.gR(H / 2) > W / 8;
  if (v.ctx.HasDescender && stemRightOfCentre != forJ) return;
  if (v.TL + 2 * v.ML < 3 * dot) conf = Times(conf, 80);
  if (forJ) {
    if (!v.ctx.HasDescender) conf = Times(conf, 96);
    if (v.glyph.MarksAbove != 1) conf = Times(conf, 98);
    v.propose(u'j', conf);
    return;
  }
  if (!(p.gR(3 * H / 4) <= W / 2 || p.gR(H - 1) >= W / 4)) return;
  if (W > 5 && o.runs(W / 2, dot, W / 2, H - 1) > 2) conf = Times(conf, 95);
  v.propose(u'i', conf);
}

// ---------------------------------------------------------------- "I"

int32_t StemCentre(const Probes& c, int32_t y) {
  return (2 * c.gL(y) + c.firstRun(y) - 1) / 2;
}

// The first runs of the middle half stay within k of the middle one; the
// widest runs at the top and at the bottom match (serifs on both or none).
bool EvenStemWidth(const TLetterView& v, int32_t k, int32_t m) {
  const Probes& c = v.crop;
  const int32_t H = v.H;
  for (int32_t y = H / 4; y < 3 * H / 4; ++y)
    if (std::abs(c.firstRun(y) - m) > k) return false;
  int32_t top = 0, bottom = 0;
  for (int32_t y = 0; y < H / 4; ++y) top = std::max(top, c.firstRun(y));
  for (int32_t y = 3 * H / 4; y < H; ++y) bottom = std::max(bottom, c.firstRun(y));
  if (std::abs(top - bottom) > k) return false;
  return top + 1 >= m || v.ctx.IsTall;
}

// The stem is as wide on both sides of its axis near the top as near the
// bottom. Returns xa, the stem's axis near the top, or -1.
int32_t SymmetricStem(const Probes& c, int32_t k, int32_t xt, int32_t xb) {
  const int32_t W = c.W, H = c.H;
  const int32_t xa = xt + (xt - xb + 4) / 8;
  const int32_t l1 = std::max(c.inkRun(xa, H / 8, dirLeft), c.inkRun(xa, H / 8 + 1, dirLeft));
  const int32_t r1 = std::max(c.inkRun(xa, H / 8, dirRight), c.inkRun(xa, H / 8 + 1, dirRight));
  if (std::abs(l1 - r1) > k) return -1;
  int32_t l2 = 0, r2 = 0;
  for (const int32_t y : {H - 1 - H / 8, H - 2 - H / 8}) {
    l2 = std::max(l2, c.inkRun(xt, y, dirLeft));
    r2 = std::max(r2, c.inkRun(xt, y, dirRight));
  }
  if (std::abs(l1 - l2) > k || std::abs(l1 - r2) > k) return -1;
  if (H > 15 && c.gR(H / 4) + W / 32 + 1 < c.gR(H / 16)) return -1;
  return xa;
}

// A bracket-like profile: the middle bulges against both ends on one side
// while the other side is hollow, or the ends spread apart.
bool BowedLikeParenthesis(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  const int32_t a = c.gL(H / 2), b = c.gR(H / 2), o = W / 8;
  if (a + o < c.gL(7 * H / 8) && a + o < c.gL(H / 8) && c.gR(7 * H / 8) < b - o &&
      c.gR(H / 8) < b - o)
    return true;
  if (c.gL(7 * H / 8) < a - o && c.gL(H / 8) < a - o && b + o < c.gR(7 * H / 8) &&
      b + o < c.gR(H / 8))
    return true;
  return c.gL(H / 8) + c.gR(7 * H / 8) - W > W / 4;
}

void TestCapitalI(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const TCharRecord& g = v.glyph;
  const int32_t W = v.W, H = v.H;
  if (!(H > 4 && W < H && 4 * (g.LineBase - g.LineMean) < 5 * H && g.MarksAbove != 1 &&
        v.holes.Count <= 1 && c.gL(H / 2) + W / 8 >= c.gL(7 * H / 8)))
    return;
  for (int32_t y = H / 16; y < H - 1 - H / 16; ++y)
    if (c.nRow(y) != 1 && c.nRow(y + H / 16) != 1) return;
  const int32_t k = W / 8 + 1;
  const int32_t m = c.firstRun(H / 2);
  if (!EvenStemWidth(v, k, m)) return;

  const int32_t xt = StemCentre(c, H / 8);
  const int32_t xb = std::max(StemCentre(c, H - 1 - H / 8), StemCentre(c, H - 2 - H / 8));
  if (c.cover(xt, H / 8, xb, H - 1 - H / 8) <= 94) return;
  const int32_t xa = SymmetricStem(c, k, xt, xb);
  if (xa < 0) return;
  int32_t irregular = 0;
  for (int32_t y = H / 16; y < 15 * H / 16; ++y)
    if (c.nRow(y) != 1) ++irregular;
  if (irregular >= 2) return;

  if (!v.ctx.IsTall && !((c.blank(W / 4, W / 4, 0, H / 4) || c.ink(W / 4, W / 4, H / 2, H - 1)) &&
                         (W / 4 >= c.gL(H / 4) || W / 4 < c.gR(H / 4) || H / 4 < c.gT(1))))
    return;
  // A "]": solid right column, top and bottom rows and nothing on the left.
  const bool closedRightTopBottom = o.allInk(W - 1, W - 1, 0, H - 1) && o.allInk(0, W - 1, 0, 0) &&
                                    o.allInk(0, W - 1, H - 1, H - 1);
  if (closedRightTopBottom && !o.ink(0, 0, 1, H - 2)) return;
  if (BowedLikeParenthesis(c)) return;

  int32_t conf =
      c.gL(0) > W / 2 && c.gL(H / 8) > W / 2 && c.gR(H - 1) > W / 2 && c.gR(H - 1 - H / 8) > W / 2
          ? 98
          : 100;
  // A dot above the box between the top line and the middle of the ascender zone.
  if (g.LineMean > 0 && v.TL + 2 * v.ML < 0 &&
      o.ink(W / 8, W - 1 - W / 8, v.TL, (g.LineTop + g.LineMean) / 2 - g.Top))
    return;
  if (xa + 1 < m && !v.ctx.IsTall) conf = conf * 65 / 100;

  const int32_t r = c.gR(H / 4), l = c.gL(H - 1 - H / 4);
  if (!(r > 1 && l > 1 && o.ink(W - 1 - r / 4, W - 1 - r / 4, 0, H / 4) &&
        o.ink(l / 4, l / 4, H - 1 - H / 4, H - 1)))
    conf = Times(conf, 99);
  if (!v.ctx.IsTall) conf = 70;
  if (g.LineBottom > g.Bottom) {
    const int32_t x0 = W > 2 ? 1 : 0, x1 = W > 2 ? W - 2 : W - 1;
    if (o.ink(x0, x1, H, g.LineBottom - g.Top)) conf = Times(conf, 96);
  }
  if (o.allInk(0, W - 1, 0, H - 1)) conf = Times(conf, 99);
  if (v.ctx.HasDescender) conf = Times(conf, 96);
  if (g.LineBase > 0 && g.LineMean + g.LineBase >= 2 * g.Bottom) conf = Times(conf, 96);
  v.propose(u'I', conf);
}

// ---------------------------------------------------------------- "J"

bool JOutline(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!(H > 4 && W > 2 && v.holes.Count <= 1)) return false;
  if (!c.ink(W / 4, W / 4, H - H / 4, H - 1)) return false;
  if (!(c.ink(W / 2, W / 2, H / 4, H / 4) || c.ink(W / 2, W / 2, H - H / 4, H - H / 4) ||
        c.blank(W / 2, W / 2, H / 4, H - H / 4)))
    return false;
  return c.ink(W / 2, W / 2, 0, H / 8) || c.blank(W / 2, W / 2, H / 8, H / 2) ||
         v.holesIn(0, W - 1, H / 8, H - 1) < 1;
}

// Where the glyph sits on its line: not wholly inside the x-height zone, not
// a short glyph hanging into the descender zone.
bool JPlacement(const TCharRecord& g) {
  if (g.LineBase <= 0) return true;
  if (g.LineMean + g.LineBase < 2 * g.Top && g.LineBase < g.Bottom) return false;
  if (g.Top < g.LineMean && 3 * g.Bottom < g.LineMean + 2 * g.LineBase) return false;
  return !(3 * g.Top >= 2 * g.LineTop + g.LineMean &&
           3 * g.Bottom >= g.LineBase + 2 * g.LineBottom);
}

// The stem of a "J" stands on the right: a glyph open at the top middle must
// have its quarter row close to one side; a glyph without a hook must lean
// right in its upper part.
bool JStemOnTheRight(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  if (c.gT(W / 2, H / 4) >= H / 4 && c.gL(H / 4) < W / 2 - 1 && c.gR(H / 4) < W / 2 - 1)
    return false;
  if (c.gT(5 * W / 8, H / 4) >= H / 4 && c.gL(H / 4) < 5 * W / 8 - 1 && c.gR(H / 4) < 3 * W / 8 - 1)
    return false;
  if (c.gB(0, H / 4) >= H / 4 || c.gR(H - 1) < W / 4) {
    if (c.gR(3 * H / 8) + W / 6 >= c.gL(3 * H / 8)) return false;
    if (c.gR(H / 6) + W / 6 >= c.gL(H / 6)) return false;
  }
  if (c.gR(5 * H / 8) >= W / 5 + c.gap(W / 5, 5 * H / 8, dirRight) &&
      c.gR(H / 2) >= W / 5 + c.gL(H / 2))
    return false;
  // Going down, the right edge never steps back out to the right.
  int32_t widest = c.gR(H / 32);
  for (int32_t y = H / 32 + 1; y < H; ++y) {
    if (c.gR(y) + 1 < widest) return false;
    widest = std::max(widest, c.gR(y));
  }
  return true;
}

// A glyph with a detached mark ends here: read as "j" when the mark is one dot.
void TestCapitalJ(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!JOutline(v) || !JPlacement(v.glyph) || !JStemOnTheRight(c)) return;
  int32_t conf = SomeRowCrossesTwo(c, H / 3, H) ? 100 : 95;
  if (!c.blank(0, W / 4, H / 5, 5 * H / 8) || !c.paperAt(W - 1, H - 1) ||
      !o.ink(0, W / 2, H - 1 - H / 5, H - 1))
    return;
  if (v.glyph.MarksAbove == 1) {
    v.propose(u'j', conf * 99 / 100);
    return;
  }
  if (v.glyph.MarksAbove != 0) return;
  if (3 * W < H) {
    if (c.allInk(0, W - 1, H - 1, H - 1) || c.allInk(0, W - 1, H - 2, H - 2)) return;
    if (c.ink(0, 0, 0, 1) && c.gR(H - 1) < 2) return;
  }
  // A foot that ends in the left quarter: the stem must not lean out to the
  // right above the quarter row, whatever the glyph's width.
  if (c.gR(H - 1) > 3 * W / 4 && c.gR(H / 4) < c.gR(0)) return;
  if (c.nRow(H / 3) != 1 || c.nRow(H / 4) != 1) return;
  if (!v.ctx.HasDescender) {
    if (!c.ink(0, 0, H / 2, H - 1)) conf = Times(conf, 98);
    if (!(c.gR(H / 2) + 2 < c.gL(H / 2))) conf = Times(conf, 99);
    if (c.gR(H - 1) < c.gR(H - 2)) conf = Times(conf, 97);
    if (c.gR(H - 2) > W / 2) conf = Times(conf, 97);
  }
  if (!v.ctx.IsTall) conf = Times(conf, 90);
  v.propose(u'J', conf);
  return;
}

}  // namespace

void RecogniseG(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestLoopedG(v);
  TestCapitalG(v);
  TestOpenTailG(v);
}

void RecogniseH(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestSmallH(v);
  TestCapitalH(v);
}

void RecogniseIJ(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  // A dot already seen above the glyph by the dispatcher makes "i" surer.
  const int32_t c = v.glyph.MarksAbove == 1 ? 100 : 98;
  QuickLookI(v, c);
  TestDottedStem(v, c, false);
  TestDottedStem(v, c, true);
  TestCapitalI(v);
  TestCapitalJ(v);
}

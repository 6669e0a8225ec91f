// Recognisers for D, E and F:
//   RecogniseD  "D" (one counter, straight left side, rounded right corners)
//               and "d" (bowl on the left of a full-height stem)
//   RecogniseE  "e" (closed eye over a mouth opening to the right) and "E"
//               (three bars found by walking down and up the right part)
//   RecogniseF  "f" (hooked ascender with a crossbar) and "F"
// Each test returns early on the first condition the glyph fails.
#include <algorithm>

#include "classifier/letters.h"

namespace {

// ---------------------------------------------------------------- "D"

// Going up the left side from near the bottom, the left gap never drops by
// W/16 + 2 or more below the widest gap seen further down.
bool StraightLeftSide(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H, d = W / 16;
  int32_t m = 0;
  for (int32_t y = v.Hc - 1 - H / 8; y >= H / 5; --y) {
    const int32_t g = c.gL(y, W - 1);
    if (m >= g + d + 2) return false;
    m = std::max(m, g);
  }
  return true;
}

// The right gap, read from the crop's own right edge, never grows by more
// than W/16 over the smallest gap seen so far along the rows given.
class TRightCornerWalk {
 public:
  explicit TRightCornerWalk(const TLetterView& v) : v_(v), m_(v.W) {}
  bool step(int32_t y) {
    const int32_t g = v_.wholeCrop.gR(y, v_.W - 1);
    if (g > m_ + v_.W / 16) return false;
    m_ = std::min(m_, g);
    return true;
  }

 private:
  const TLetterView& v_;
  int32_t m_;
};

bool RoundedTopRight(const TLetterView& v) {
  TRightCornerWalk walk(v);
  for (int32_t y = 0; y < v.H / 3; ++y)
    if (!walk.step(y)) return false;
  return true;
}

bool RoundedBottomRight(const TLetterView& v) {
  TRightCornerWalk walk(v);
  for (int32_t y = v.Hc - 1; y > 2 * v.H / 3; --y)
    if (!walk.step(y)) return false;
  return true;
}

void TestCapitalD(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 3 && v.holes.Count > 0)) return;
  if (!o.ink(0, W / 3, H / 2, H / 2) || !o.ink(W - 1 - W / 3, W - 1, H / 2, H / 2)) return;
  if (o.ink(W - 1, W - 1, 0, H / 16) || !o.ink(W - 1 - W / 2, W - 1, H / 4, H / 4)) return;
  if (o.runs(W / 2, 0, W / 2, H - 1) != 2 && o.runs(W - 1 - W / 3, 0, W - 1 - W / 3, H - 1) != 2)
    return;
  if (o.runs(0, H / 3, W - 1, H / 3) != 2) return;
  if (o.runs(0, H - 1 - H / 3, W - 1, H - 1 - H / 3) != 2) return;
  if (v.holes.Count != 1) return;
  if (v.holes.Items[0].Top > H / 3 || v.holes.Items[0].Bottom < H - 1 - H / 3) return;

  if (!StraightLeftSide(v)) return;
  if (!RoundedTopRight(v) || !RoundedBottomRight(v)) return;
  if (c.gR(H - 2 - H / 16) >= c.gR(H - 1)) return;  // the bottom-right corner is rounded

  // When the bottom stroke's middle sits above the box bottom, nothing in the
  // right half may hang halfway down that gap (a tail).
  const int32_t e = c.gB(W / 2);
  const int32_t f = H > 16 ? (e - 1) / 2 : e - 1;
  if (f >= H / 16 && c.ink(W / 2, W - 1, H - 1 + H / 16 - f, H - 1 + H / 16 - f)) return;

  const int32_t g0 = c.gB(0);
  int32_t conf = g0 < H / 2 && g0 > H / 16 && c.gB(W / 16 + 1) < g0 ? 96 : 100;
  if (c.gL(0) >= W / 2 && c.gR(H - 1) >= W / 2 && c.gL(H / 2) < 2) conf = Times(conf, 96);
  if (v.glyph.MarksAbove >= 1) conf = Times(conf, 94);
  if (v.ctx.HasDescender) conf = Times(conf, 99);
  if (!v.ctx.IsTall) conf = Times(conf, 99);
  v.propose(u'D', conf);
}

// ---------------------------------------------------------------- "d"

bool SmallDOutline(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  return o.ink(0, W / 2, H - 1 - H / 6, H - 1 - H / 9) &&
         o.ink(0, W / 2, H - 1 - H / 3, H - 1 - H / 3) &&
         o.ink(W / 2, W - 1, H - 1 - H / 3, H - 1 - H / 3) &&
         o.ink(W - 1 - W / 4, W - 1, H / 8, H / 8) && o.ink(W / 2, W / 2, H - 1 - H / 4, H - 1);
}

// Enough columns cross two strokes (the bowl's top and bottom).
bool TwoStrokeColumns(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  int32_t count = 0;
  for (int32_t x = 0; x < W; ++x)
    if (c.runs(x, 0, x, H - 1) == 2) ++count;
  return count >= W / 8 + 1;
}

// Below the upper quarter, rows crossing bowl and stem (two runs) outweigh
// rows crossing more, by a margin of H/6 + 1.
bool BowlBesideStem(const Probes& c) {
  const int32_t H = c.H;
  int32_t a = H / 6 + 1;
  for (int32_t y = H / 4; y < H && a > 0; ++y) {
    const int32_t n = c.nRow(y);
    if (n == 2) --a;
    if (n > 2) ++a;
  }
  return a <= 0;
}

// The upper half has at least H/8 + 1 rows crossing only the stem, which
// stands in the right half.
bool LoneStemAbove(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  int32_t b = H / 8 + 1;
  for (int32_t y = 0; y < H / 2 && b > 0; ++y)
    if (c.nRow(y) == 1 && c.runs(W / 2, y, W - 1, y) == 1) --b;
  return b <= 0;
}

void TestSmallD(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 3 && v.holes.Count > 0) || !SmallDOutline(o)) return;
  if ((H > 19 && o.ink(0, W / 3, 0, H / 5)) || o.ink(0, W / 3, 0, H / 6)) return;
  if (!o.ink(0, W / 4, H - 1 - H / 8, H - 1)) return;
  if (!o.ink(W / 2 - 1, W / 2, H - 1 - H / 8, H - 1)) return;
  const Probes& whole = v.wholeCrop;
  if (whole.gR(3 * v.Hc / 4, W - 1) + 1 < whole.gR(v.Hc / 4, W - 1)) return;
  if (!TwoStrokeColumns(c) || !BowlBesideStem(c) || !LoneStemAbove(c)) return;
  if (v.holes.Count < 1 || v.holes.Items[0].Top < H / 4) return;

  int32_t conf = 100;
  if (c.nRow(H - 1 - H / 4) != 2) {
    if (H >= 16) return;
    conf = 96;
  }
  if (!v.ctx.IsTall) conf = Times(conf, 98);
  if (v.ctx.HasDescender) conf = Times(conf, 99);
  v.propose(u'd', conf);
}

// ---------------------------------------------------------------- "e"
// Every probe of this test reads the raster with the limits W - 1 across and
// H - 1 along unless written otherwise.

// The outline is round: the left gap is smallest in the middle, the top and
// bottom gaps smallest near the middle column.
bool RoundOutline(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  if (o.nRow(H / 4) >= 3 && o.nRow(H / 4 + 1) > 2) return false;
  const int32_t t = o.gL(H / 2, W - 1);
  if (t > W / 2 || o.gL(0, W - 1) < t || o.gL(H - 1, W - 1) < t) return false;
  const int32_t top = o.gT(W / 2, H - 1);
  const int32_t m = std::min(top, o.gT(W - 1 - W / 3, H - 1));
  if (top > W / 2 || o.gT(0, H - 1) < m || o.gT(W - 1, H - 1) < m) return false;
  const int32_t h = o.gB(W / 2, H - 1);
  return h <= W / 2 && o.gB(0, H - 1) >= h && o.gB(W - 1, H - 1) >= h;
}

// The eye and bar: enough middle columns cross three strokes.
bool ThreeStrokeMiddle(const Probes& o) {
  const int32_t W = o.W;
  int32_t count = 0;
  for (int32_t x = W / 4; x <= W - 1 - W / 4 && count <= W / 4; ++x)
    if (o.nCol(x) == 3) ++count;
  return count >= W / 4 - 1 && count != 0;
}

struct TMouth {
  int32_t row = 0;
  int32_t depth = -1;
};

// The row where the mouth reaches deepest from the right (last such row).
// Small glyphs whose mouth is shallow also count the paper behind the first
// ink met, which may be a serif of the lower arm.
TMouth FindMouth(const Probes& o, int32_t& conf) {
  const int32_t H = o.H, W = o.W;
  TMouth mouth;
  for (int32_t y = H / 3; y < H - 1 - H / 6; ++y) {
    const int32_t r = o.gR(y, H - 1);
    if (r >= mouth.depth) mouth = {y, r};
  }
  if (mouth.depth < W / 2 && H < 12) {
    conf = Times(conf, 97);
    mouth = {};
    for (int32_t y = H / 3; y < H - 1 - H / 6; ++y) {
      const int32_t r = o.gR(y, H - 1);
      const int32_t d = r + o.gap(W - 1 - r, y + 1, dirLeft, H - 1);
      if (d >= mouth.depth) mouth = {y, d};
    }
  }
  return mouth;
}

// The bar closing the eye above the mouth.
bool BarAboveMouth(const Probes& o, int32_t ym) {
  const int32_t W = o.W, H = o.H;
  bool crossed = false;
  for (int32_t x = W / 6; x < W - 1 - W / 6 && !crossed; ++x) crossed = o.runs(x, 0, x, ym) >= 2;
  if (!crossed) return false;
  if (H > 11 && o.runs(0, ym, W - 1, ym) != 1) return false;
  return o.runs(0, ym, W - 1 - W / 3, ym) == 1 || o.runs(0, ym + 1, W - 1 - W / 3, ym + 1) == 1;
}

// Without an eye above the mouth (a filled or broken eye), the upper part
// must still hold ink in most columns.
bool FilledEyeAcceptable(const TLetterView& v, int32_t ym) {
  const int32_t W = v.W, H = v.H;
  if (v.holes.Count != 0 && v.holes.Items[0].Bottom < ym) return true;
  if (v.ctx.IsTall) return false;
  int32_t count = 0;
  for (int32_t x = W / 8; x < W - 2; ++x)
    if (v.raster.ink(x, x, H / 4, ym)) ++count;
  return count >= 2 * W / 4;
}

// The row with the widest left gap (last such row among 0 .. H - 2).
int32_t WidestLeftGapRow(const Probes& o) {
  int32_t row = 0, widest = -1;
  for (int32_t y = 0; y <= o.H - 2; ++y)
    if (o.gL(y, o.W - 1) >= widest) {
      widest = o.gL(y, o.W - 1);
      row = y;
    }
  return row;
}

// A tall glyph closed on the right at two thirds of the height must bulge
// left in the middle relative to both the upper and the lower part.
bool TallClosedBulges(const TLetterView& v) {
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!v.ctx.IsTall || o.gR(H - 1 - H / 3, W) > W / 8) return true;
  const int32_t s = o.gL(H / 2, W);
  if (s >= o.gL(H / 4, W) && s >= o.gL(H / 8, W)) return false;
  return !(s >= o.gL(H - 1 - H / 4, W) && s >= o.gL(H - 1 - H / 8, W));
}

void TestSmallE(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 4 && v.holes.Count <= 2)) return;
  if (o.gL(H / 2, W - 1) > W / 3 || o.gT(W / 2, H - 1) > H / 3 || o.gB(W / 2, H - 1) > H / 3)
    return;
  if (!RoundOutline(o)) return;
  bool twoRuns = false;
  for (int32_t y = 1; y < H / 2 && !twoRuns; ++y) twoRuns = o.nRow(y) == 2;
  if (!twoRuns || !ThreeStrokeMiddle(o)) return;

  int32_t conf = 100;
  const TMouth mouth = FindMouth(o, conf);
  if (mouth.depth < W / 2) return;
  const int32_t ym = mouth.row;
  if (!BarAboveMouth(o, ym) || !FilledEyeAcceptable(v, ym)) return;
  if (v.holes.Count > 0 && ym < v.holes.Items[0].Top) return;
  if (v.holes.Count > 1 && ym < v.holes.Items[1].Top) return;

  const int32_t yl = WidestLeftGapRow(o);
  if (v.glyph.Accent == 0 && yl > H / 6 && yl < H - 1 - H / 8) return;
  // A lower arm that never reaches the lower right corner.
  if (o.runs(W / 2, H - 1 - H / 4, W - 1, H - 1) == 0 &&
      o.runs(W / 2, H - 1 - H / 4, W - 2, H - 1) == 0 &&
      o.runs(W / 2, H - 1 - H / 4, W - 1, H - 2) == 0) {
    if (v.ctx.HasDescender) return;
    conf = Times(conf, 99);
  }
  if (!TallClosedBulges(v)) return;
  if (c.gL(H - 2) < c.gL(H - H / 8 - 1) && H > 16) return;
  if (v.ctx.HasDescender) conf = Times(conf, 98);
  if (v.ctx.IsTall) conf = Times(conf, 98);
  v.propose(u'e', conf);
}

// ---------------------------------------------------------------- "E"

// The three bars: a solid top and bottom row segment and a long middle run.
bool HasThreeBars(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  bool top = false, bottom = false, middle = false;
  for (int32_t y = 0; y < H / 4 && !top; ++y) top = o.allInk(W / 3, W - 1 - W / 6, y, y);
  for (int32_t y = H - 1; y > H - 1 - H / 4 && !bottom; --y)
    bottom = o.allInk(W / 6, W - 1 - W / 4, y, y);
  for (int32_t y = H / 3; y < H - 1 - H / 3 && !middle; ++y) middle = o.firstRun(y) > W / 3;
  return top && bottom && middle;
}

enum class TWalkResult { Pass, Fail, End };

// From the top (down = +1) or the bottom (down = -1) at two thirds of the
// width: through paper to the bar, through the bar, then along the paper
// between the bars until the walk leaves the box on the right.
TWalkResult WalkBetweenBars(const Probes& o, bool fromTop) {
  const int32_t W = o.W, H = o.H;
  const int32_t along = fromTop ? dirDown : dirUp;
  int32_t x = W - 1 - W / 3, y = fromTop ? 0 : H - 1;
  o.walk(x, y, 0, W - 1, 0, H - 1, along, dirStop);
  if (fromTop ? y > H / 4 : y < H - 1 - H / 4) return TWalkResult::Fail;
  o.walk(x, y, 0, W - 1, 0, H - 1, dirStop, along);
  if (fromTop ? y > H / 3 : y < H - 1 - H / 3) return TWalkResult::Fail;
  o.walk(x, y, 0, W - 1, 0, H - 1, dirRight, along);
  if (x <= W - 1) return TWalkResult::End;
  return (fromTop ? y > H / 2 : y < H / 2) ? TWalkResult::Fail : TWalkResult::Pass;
}

// Under the top bar, left to the stem, then right of it down to the middle
// bar, which must come above the lower third.
bool WalkToMiddleBar(const TLetterView& v, int32_t& conf) {
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  int32_t x = W - 1 - W / 3, y = 0;
  o.walk(x, y, 0, W - 1, 0, H - 1, dirDown, dirStop);
  if (y > H / 4) return false;
  o.walk(x, y, 0, W - 1, 0, H - 1, dirStop, dirDown);
  if (y > H / 3) return false;
  y += H / 15;
  o.walk(x, y, 0, W - 1, 0, H - 1, dirLeft, dirStop);
  if (x < 0) return false;
  if (W > 15 && x == 0) conf = Times(conf, 99);
  x += W / 15 + 1;
  o.walk(x, y, 0, W - 1, 0, H - 1, dirDown, dirStop);
  return y <= H - 1 - H / 3 && v.holes.Count == 0;
}

// The stem's left edge is straight: the quarter rows and the middle agree.
bool StraightStem(const Probes& o) {
  const int32_t W = o.W, H = o.H;
  const int32_t a = o.gL(H / 4);
  if (a > W / 2) return false;
  const int32_t b = o.gL(H / 2);
  if (b < a - W / 4 || b > a + W / 8) return false;
  const int32_t c2 = o.gL(H - 1 - H / 4);
  return c2 >= b - W / 4 && c2 <= b + W / 8;
}

void TestCapitalE(const TLetterView& v) {
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 4 && v.holes.Count <= 1) || !HasThreeBars(o)) return;
  const TWalkResult down = WalkBetweenBars(o, true);
  if (down != TWalkResult::Pass) return;
  const TWalkResult up = WalkBetweenBars(o, false);
  if (up != TWalkResult::Pass) return;
  int32_t conf = 100;
  if (!WalkToMiddleBar(v, conf) || !StraightStem(o)) return;
  int32_t s = W;
  for (int32_t y = H / 6; y < H - 1 - H / 9; ++y) {
    if (o.gL(y) > W / 9 + s) return;
    s = std::min(s, o.gL(y));
  }
  if (3 * W < H && !o.ink(W / 2, W / 2, H / 4, H - 1 - H / 4)) return;
  if (!v.ctx.IsTall) conf = Times(conf, 98);
  if (v.ctx.HasDescender) conf = Times(conf, 98);
  v.propose(u'E', conf);
}

// ---------------------------------------------------------------- "f"

struct TCrossbar {
  int32_t row = 0;
  int32_t width = -1;
};

// The widest first run between a little below the top and the middle; below
// the upper quarter the stem must stand in the left 5/8 and, in the middle
// half, rows must cross a single stroke (allowing one row of noise).
bool FindCrossbar(const Probes& c, TCrossbar& bar) {
  const int32_t W = c.W, H = c.H;
  for (int32_t y = (3 * H + 8) / 32 + 2; y <= H / 2; ++y) {
    const int32_t a = c.gL(y);
    if (y > H / 4 && a > 5 * W / 8) return false;
    const int32_t r = c.inkRun(a, y, dirRight);
    if (r > bar.width) bar = {y, r};
    if (H / 4 < y && y < 3 * H / 4 && c.nRow(y) != 1 && c.nRow(y + 1) != 1) return false;
  }
  return true;
}

// Under the crossbar the stem gets at most half as wide as the bar.
bool StemNarrowerThanBar(const Probes& c, const TCrossbar& bar) {
  const int32_t W = c.W, H = c.H;
  int32_t m = W;
  for (int32_t y = bar.row + 1; y < H - H / 4; ++y) {
    if (c.firstRun(y) < m) {
      m = c.firstRun(y);
      if (bar.width >= 2 * m) return true;
    }
  }
  return bar.width >= 2 * m;
}

// A ledge in the crop rows 1 .. yc - 1: two ink pixels side by side with
// paper under the right one (and under the left one too in wider glyphs).
bool HasLedgeAbove(const Probes& c, int32_t yc) {
  const int32_t W = c.W;
  for (int32_t y = 1; y < yc; ++y)
    for (int32_t x = 0; x + 1 < W; ++x)
      if (c.inkAt(x, y - 1) && c.inkAt(x + 1, y - 1) && c.paperAt(x + 1, y) &&
          (W < 7 || c.paperAt(x, y)))
        return true;
  return false;
}

// The foot is no wider on the left than on the right of the stem.
bool CentredFoot(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  int32_t l = W, r = W;
  for (int32_t y = 7 * H / 8; y < H; ++y) {
    l = std::min(l, c.gL(y));
    r = std::min(r, c.gR(y));
  }
  return r + 1 >= l && c.gL(3 * H / 4) >= l;
}

// Either the lower stem is narrow, or the glyph is tall, or the raster shows
// the gap beside the stem or a hook column with two strokes.
bool NarrowOrHooked(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const int32_t W = v.W, H = v.H;
  bool ok = W <= 8 || (c.gL(2 * H / 3) <= 2 * W / 3 && c.gL(2 * H / 3 - 1) <= 2 * W / 3) ||
            c.gR(H / 4) <= 2 * W / 3;
  if (ok)
    ok = v.ctx.IsTall || !o.allInk(W / 8, W / 8, H / 4, H - 1 - H / 16) ||
         o.runs(W - 1 - W / 4, 0, W - 1 - W / 4, H - 1) == 2 ||
         o.runs(W - 1 - W / 8, 0, W - 1 - W / 8, H - 1) == 2;
  return ok;
}

void TestSmallF(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const TCharRecord& g = v.glyph;
  const int32_t W = v.W, H = v.H;
  if (!(g.MarksAbove == 0 && W > 2 && g.LineBase - g.LineMean + 1 < H && H > 5 &&
        v.holes.Count <= 1))
    return;
  TCrossbar bar;
  if (!FindCrossbar(c, bar)) return;
  const int32_t yc = bar.row;
  if (c.gT(3 * W / 4) > H / 8) return;
  const int32_t bl = g.LineBase - g.Top;  // the base line relative to the box
  const int32_t yb = bl < 1 || bl > 3 * H / 4 ? 3 * H / 4 : bl - 1;
  if (c.nRow(yb) != 1) return;
  if (!StemNarrowerThanBar(c, bar)) return;
  const int32_t a = c.gL(H / 8);
  if (!(2 * bar.width >= W || (a > W / 2 && 3 * bar.width >= W))) return;
  for (int32_t y = H / 8; y < H; ++y)
    if (c.gL(y) > W / 8 + a) return;
  if (!(c.gR(H / 2) >= W / 2 || c.gR(yc) < c.gR(H / 2) - 1 || c.gR(yc) < c.gR(yc - 1))) return;
  if (c.gL(1) < c.gL(H / 2) - 1) return;
  if (!(c.nRow(0) != 1 || !v.ctx.IsTall || c.nRow(H - 1) == 1 || c.nRow(H - 2) == 1)) return;

  bool noTwo = true;
  for (int32_t y = 1; y < yc && noTwo; ++y) noTwo = c.nRow(y) != 2;
  const bool noLedge = noTwo && !HasLedgeAbove(c, yc);

  if (v.holes.Count != 0 || !CentredFoot(c)) return;
  if (W > 5 && !v.ctx.IsTall && c.gR(H / 2) > 3 * W / 4 && c.gB(W - 1) < W / 2) return;
  if (!NarrowOrHooked(v)) return;
  if (H > 15 && o.nRow(H - 1 - H / 4) > 1 && o.nRow(H / 4) > 1) return;
  if (W > 4 && c.gR(3 * H / 4) > W / 2 && c.gB(W - 1 - W / 8) < H / 4) return;

  int32_t conf = noLedge && noTwo ? 96 : (noLedge != noTwo ? 98 : 100);
  if (c.gL(H / 4) > 1 && c.gT(0, H / 4) < H / 4) conf = Times(conf, 95);
  if (o.allInk(0, W - 1, 0, 0)) conf = Times(conf, 98);
  // A short glyph is cut to 80 %. A descender then earns one point, which
  // never lifts the confidence to the next level: not to 100 for a tall
  // glyph, not past 80 for a short one.
  if (!v.ctx.IsTall) conf = conf * 8 / 10;
  const int32_t ceiling = v.ctx.IsTall ? 99 : 80;
  if (conf < ceiling && v.ctx.HasDescender) conf += 1;
  v.propose(u'f', conf);
}

// ---------------------------------------------------------------- "F"

// The foot: the right gap of the lowest quarter stays wide (no bottom bar).
bool OpenFoot(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  int32_t widest = 0;
  for (int32_t j = 0; j < H / 4; ++j) {
    const int32_t g = c.gR(H - 1 - j);
    if (g <= 2 || 3 * g < W) return false;
    widest = std::max(widest, g);
  }
  return widest >= W / 2;
}

bool TopBar(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  for (int32_t y = 0; y < H / 4; ++y) {
    const int32_t l = c.gL(y), r = c.gR(y);
    if (W - l - r > W / 2 && c.cover(l, y, W - 1 - r, y) > 90) return true;
  }
  return false;
}

bool MiddleBar(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  const int32_t s = c.firstRun(H - 1 - H / 4);
  for (int32_t y = H / 3; y < H - 1 - H / 3; ++y) {
    const int32_t run = c.firstRun(y);
    if (run > W / 3 && ((run > 2 * s && W > 8) || run > s + 1)) return true;
  }
  return false;
}

// Some row of the upper half has paper on the right that reaches, just under
// the ink above it, at least a third of the width into the glyph (the space
// under the top bar).
bool SpaceUnderTopBar(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  for (int32_t y = std::max(H / 8, 1); y < H - 1 - H / 2; ++y) {
    const int32_t g = c.gR(y);
    if (g <= 1) continue;
    const int32_t up = c.gap(W - g, y, dirUp, H / 4);
    if (g + c.gap(W - g, y - up + 1, dirLeft) >= W / 3) return true;
  }
  return false;
}

bool StemOnTheLeft(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  for (int32_t y = 1; y <= H / 2; ++y)
    if (!c.ink(0, W / 2, y, y)) return false;
  for (int32_t y = H / 2; y < H; ++y)
    if (!c.ink(0, W / 3, y, y)) return false;
  return true;
}

bool ColumnUnderBars(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  for (int32_t x = W / 4; x < W - 1; ++x)
    if (c.runs(x, 0, x, H - 2) == 2) return true;
  return false;
}

// A small glyph whose top-left corner is cut off diagonally, with nothing
// in the top corners, is not an "F".
bool CutTopLeftCorner(const Probes& c) {
  const int32_t W = c.W, H = c.H;
  return H < 20 && c.inkAt(1, 1) && c.inkAt(0, 2) && c.blank(W - 2, W - 1, 0, 0) &&
         c.blank(0, 1, 0, 0) && c.blank(0, 0, 0, 1);
}

void TestCapitalF(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& o = v.raster;
  const Probes& whole = v.wholeCrop;
  const int32_t W = v.W, H = v.H, Hc = v.Hc, Wc = v.Wc;
  if (!(W > 2 && H >= 5 && v.holes.Count <= 1)) return;
  if (!o.ink(W / 2, W / 2, 0, H / 8) || !o.ink(0, W / 4, H - 1 - H / 4, H - 1 - H / 4) ||
      !o.ink(0, W / 2, H / 4, H / 4))
    return;
  if (!OpenFoot(c) || !TopBar(c) || !MiddleBar(c) || !SpaceUnderTopBar(c)) return;
  if (!StemOnTheLeft(c)) return;
  int32_t conf = 100;
  if (c.gR(H - 1) <= W / 3) {
    if (c.gR((H + 4) / 8) > W / 8 || c.gL(H - 3) < 1) return;
    conf = 99;
  }
  if (c.ink(W - 1 - W / 4, W - 1, H - 1 - H / 4, H - 1) || !c.ink(W - 1, W - 1, 0, H / 3)) return;
  if (c.gL(Hc / 4) < c.gL(3 * Hc / 4) - 1 || v.holes.Count > 0) return;
  if (!ColumnUnderBars(c) || CutTopLeftCorner(c)) return;

  const int32_t j = c.gL(3 * Hc / 4);
  if (j >= 1 && c.gB(j - 1) <= 3 * H / 4) conf = Times(conf, 98);
  // An arm that touches the right edge at the quarter row with paper under it
  // within half the height: the top bar must reach (almost) the right edge too.
  if (whole.gR(Hc / 4, W) == 0) {
    const int32_t q = whole.inkRun(Wc - 1, Hc / 4, dirLeft, W);
    if (whole.gap(Wc - 1 - q, Hc / 4, dirDown, 3 * H / 4) <= H / 2) {
      const int32_t g = whole.gR(0, W);
      if (g > W / 8) return;
      conf = Times(conf, 98);
      if (g > 0) conf = Times(conf, 98);
    }
  }
  if (!v.ctx.IsTall && 8 * (v.glyph.LineMean - v.glyph.Top) >= H &&
      c.runs(2 * W / 3, 0, 2 * W / 3, H - 1) < 2)
    conf = Times(conf, 90);
  if (v.ctx.HasDescender) conf = Times(conf, 99);
  v.propose(u'F', conf);
}

}  // namespace

void RecogniseD(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestCapitalD(v);
  TestSmallD(v);
}

void RecogniseE(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestSmallE(v);
  TestCapitalE(v);
}

void RecogniseF(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestSmallF(v);
  TestCapitalF(v);
}

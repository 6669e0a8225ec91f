// Recognisers for the letters V, X and Y.
//
//   "V"/"v"  one test: two strokes meeting at the bottom, a deep notch above
//   "X"/"x"  two strokes crossing, notches from top and bottom; and a second
//            test for a small "x" crossing once at mid-height
//   "Y"/"y"  two tests: two arms, a fork and a stem, measured by the deepest
//            notch from the top or by how well straight lines follow the strokes
//
// Every test of a recogniser runs whatever the earlier ones found.
#include <algorithm>
#include <cstdlib>

#include "classifier/letter_rules.h"

namespace {

// ---------------------------------------------------------------- "V"

// The notch between the arms, seen from row 0: the first paper column right
// of the middle, and the last paper row above the notch.
struct TNotchV {
  int32_t m = 0;
  int32_t yo = 0;
};

std::optional<TNotchV> FindNotchV(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  TNotchV n;
  n.m = W / 2 + c.inkRun(W / 2, 0, dirRight);
  if (n.m > 3 * W / 4) return std::nullopt;
  const int32_t o = c.gap(n.m, 0, dirDown, (H + 1) / 2);
  if (o - 1 < H / 4) return std::nullopt;
  n.yo = o - 1;
  const Probes& r = v.raster;
  if (!r.ink(0, n.m, n.yo, n.yo) || !r.ink(n.m, W - 1, n.yo, n.yo) ||
      !r.ink(n.m, n.m, H - 1 - H / 2, H - 1))
    return std::nullopt;
  if (r.ink(n.m, n.m, 0, H / 3) && r.ink(n.m + 1, n.m + 1, 0, H / 3)) return std::nullopt;
  return n;
}

// Single strokes at the top, one point at the bottom, empty bottom corners.
bool HasArmsAndPointV(const Probes& c, int32_t W, int32_t H) {
  if (c.runs(0, H / 8, W / 2 + 1, H / 8) != 1 && c.runs(0, H / 16, W / 2 + 1, H / 16) != 1 &&
      c.runs(W / 2 + 1, H / 8, W - 1, H / 8) != 1)
    return false;
  if (c.nRow(H - 1 - H / 8) > 1 && c.nRow(H - 1) > 1) return false;
  return !c.ink(0, W / 8, H - 1 - H / 6, H - 1) &&
         !c.ink(W - 1 - W / 8, W - 1, H - 1 - H / 6, H - 1);
}

// Both sides close in from the top towards the bottom. Yields the starting
// confidence: 99 when neither side closes in further below two thirds.
std::optional<int32_t> ConvergingSidesV(const Probes& c, int32_t H) {
  const int32_t y6 = H / 6, y3 = H - 1 - H / 3, y8 = H - 1 - H / 8;
  if (c.gL(y6) >= c.gL(y3)) return std::nullopt;
  if (c.gL(y8) < c.gL(y3) && c.gR(y8) < c.gR(y3)) return std::nullopt;
  const int32_t conf = c.gL(y3) >= c.gL(y8) && c.gR(y3) >= c.gR(y8) ? 99 : 100;
  if (c.gR(y6) >= c.gR(y3)) return std::nullopt;
  return conf;
}

// Stroke widths: a glyph rising above the mean line with serifs on top and a
// wide foot is no "V" of either case; one without serifs needs its stroke to
// thicken towards the point.
std::optional<int32_t> StrokeWidthsConfV(const TLetterView& v, int32_t conf) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W > 14 && W < 2 * c.firstRun(H - 1)) return std::nullopt;
  if (c.runs(0, H / 4, W / 2, H / 4) == 2 && c.runs(W - W / 2, H - H / 4, W - 1, H - H / 4) == 2)
    return std::nullopt;
  const int32_t G = c.firstRun(H / 4);
  const int32_t E = std::max(c.firstRun(0), c.firstRun(1)) - G;
  const int32_t J = W / 32 + 2;
  const bool aboveMean = v.glyph.Top < v.glyph.LineMean;
  if (aboveMean && E > J && c.firstRun(H - 1) - G > J) return std::nullopt;
  if (aboveMean && E < J && c.nRow(H - 1 - H / 4) == 1) {
    const int32_t lower = c.firstRun(H - 1 - H / 4);
    if (lower <= G) return std::nullopt;
    if (lower == G + 1) conf = Times(conf, 99);
  }
  return conf;
}

void TestV(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 2 || H <= 3 || v.holes.Count > 1) return;
  if (!FindNotchV(v)) return;
  if (!HasArmsAndPointV(c, W, H)) return;
  const auto sidesConf = ConvergingSidesV(c, H);
  if (!sidesConf) return;
  const auto widthsConf = StrokeWidthsConfV(v, *sidesConf);
  if (!widthsConf) return;
  int32_t conf = Times(*widthsConf, 99);
  if (c.gL(H - 1) < c.gL(H - 1 - H / 4)) conf = Times(conf, 96);
  if (v.ctx.HasDescender) conf = Times(conf, 99);
  ProposeByLinePosition(v, u'V', u'v', conf);
}

// ---------------------------------------------------------------- "X"

// The deepest notch from one edge over the middle columns (taken at the
// first column reaching each new depth), with the ink run found below it.
struct TNotchX {
  int32_t depth = -1;
  int32_t run = 0;
};

bool IsDeepNotchX(const TNotchX& n, int32_t H) {
  return n.depth >= H / 4 && (n.depth >= H / 5 || n.depth + n.run >= H / 2 || H <= 15);
}

bool HasNotchesX(const Probes& r, int32_t W, int32_t H) {
  TNotchX top, bottom;
  for (int32_t x = W / 4; x <= W - 1 - W / 4; ++x) {
    const int32_t t = r.gT(x);
    if (t > top.depth) top = {t, r.inkRun(x, t, dirDown)};
    const int32_t b = r.gB(x);
    if (b > bottom.depth) bottom = {b, r.inkRun(x, H - 1 - b, dirUp)};
  }
  return IsDeepNotchX(top, H) && IsDeepNotchX(bottom, H);
}

// Two strokes near both sides and at top and bottom, one at mid-height, ink
// in the top-right and bottom-left corners.
bool HasCrossingStrokesX(const Probes& r, int32_t W, int32_t H) {
  const auto columnTwice = [&](int32_t x) { return r.runs(x, 0, x, H - 1) == 2; };
  if (!AnyIn(0, W / 3 + 1, columnTwice) || !AnyIn(W - 1 - W / 3, W, columnTwice)) return false;
  const auto rowRuns = [&](int32_t n) { return [&r, n](int32_t y) { return r.nRow(y) == n; }; };
  if (!AnyIn(0, H / 3 + 1, rowRuns(2)) || !AnyIn(H / 3, H - H / 3, rowRuns(1)) ||
      !AnyIn(H - 1 - H / 3, H, rowRuns(2)))
    return false;
  return r.ink(W - 1 - W / 4, W - 1, 0, H / 6) && r.ink(0, W / 4, H - 1 - H / 6, H - 1);
}

// Both sides have a waist: the gap at mid-height is wider than near the top
// and the bottom.
bool HasWaistsX(const Probes& r, int32_t W, int32_t H) {
  int32_t l = r.gR(H / 6);
  if (l > W / 2) return false;
  if (!(l < r.gR(H - 1 - H / 2) && r.gR(H - 1 - H / 6) < r.gR(H - 1 - H / 2))) return false;
  l = r.gL(H / 6);
  if (l > W / 2) return false;
  return l < r.gL(H / 2) && r.gL(H - 1 - H / 6) < r.gL(H / 2);
}

void TestCapitalX(const TLetterView& v) {
  const Probes& c = v.crop;
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  if (W <= 2 || H <= 3 || v.holes.Count > 1) return;
  if (r.nRow(H / 8) <= 1 || r.nRow(H - 1 - H / 8) <= 1 || c.nRow(H - 1 - H / 8) <= 1) return;

  if (!AllIn(H / 8, H - H / 8, [&](int32_t y) { return r.ink(0, W - 1 - W / 4, y, y); })) return;
  if (!HasNotchesX(r, W, H)) return;
  if (!HasCrossingStrokesX(r, W, H)) return;
  if (!HasWaistsX(r, W, H)) return;
  // A right edge crossing two strokes in its upper half: a "K" or "k".
  if (AnyIn(W - 1 - W / 4, W, [&](int32_t x) { return c.runs(x, H / 8, x, H / 2) == 2; })) return;
  if (H < W && c.runs(W / 4, 0, W / 8, H - 1) > 2 && c.nCol(W / 4) > 2 && c.gL(H / 4) < W / 8)
    return;

  int32_t conf = r.nRow(H / 4) > 2 || r.nRow(H / 8) > 2 ? 90 : 100;
  // Rows reaching a quarter width beyond the box: a neighbour crowds the legs.
  const auto crowded = [&](int32_t y) { return r.runs(0, y, W - 1 + W / 4, y) > 2; };
  if (crowded(H - 1 - H / 4) || crowded(H - 1 - H / 8)) conf = Times(conf, 90);
  ProposeByLinePosition(v, u'X', u'x', conf);
}

void TestSmallX(const TLetterView& v) {
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  if (W <= 4 || H <= 4 || v.holes.Count > 1) return;
  // Only the crossing at mid-height.
  if (!r.blank(0, W / 4, H / 2, H / 2) || !r.blank(W - 1 - W / 4, W - 1, H / 2, H / 2) ||
      r.runs(W / 4, H / 2, W - 1 - W / 4, H / 2) != 1)
    return;
  if (r.nRow(H / 4) != 3 && r.nRow(H / 8) <= 2) return;
  if (r.nRow(H - 1 - H / 4) != 3 && r.nRow(H - 1 - H / 8) <= 2) return;
  int32_t conf = v.ctx.HasDescender ? 97 : 100;
  if (v.ctx.IsTall) conf = Times(conf, 96);
  v.propose(u'x', conf);
}

// ---------------------------------------------------------------- "Y"

// Preconditions both tests share: one stroke at the foot and one crossing in
// a right-edge column.
bool HasFootAndRightColumnY(const Probes& c, int32_t W, int32_t H) {
  if (c.nRow(H - 1) != 1 && c.nRow(H - 2) != 1) return false;
  return c.nCol(W - 1) == 1 || c.nCol(W - 2) == 1;
}

// The deepest gap from the top over the middle columns and its first column.
struct TDeepestTop {
  int32_t depth = 0;
  int32_t column = 0;
};

TDeepestTop DeepestTopGap(const Probes& c, int32_t W) {
  TDeepestTop d{0, W / 4};
  for (int32_t x = W / 4; x < W - W / 4; ++x) {
    const int32_t t = c.gT(x);
    if (t > d.depth) d = {t, x};
  }
  return d;
}

void TestY1(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  // 1.5 H >= W, exactly.
  if (W <= 2 || H <= 3 || 3 * H < 2 * W || v.holes.Count > 1) return;
  if (c.nRow(H / 8) <= 1 && c.nRow(1) <= 1) return;
  if (!HasFootAndRightColumnY(c, W, H)) return;
  if (c.runs(W / 3, H / 4, W / 3, H - 1) != 2 && c.runs(W / 2, H / 4, W / 2, H - 1) != 2) return;

  const TDeepestTop notch = DeepestTopGap(c, W);
  const int32_t xv = notch.column;
  if (notch.depth > 3 * H / 4 || notch.depth < 3 * H / 8) return;
  if (c.gap(xv, H / 8, dirLeft) > xv) return;
  const int32_t xa = xv + c.gap(xv, H / 8, dirRight);
  if (xa >= W) return;
  if (!AllIn(H / 8, notch.depth - H / 8,
             [&](int32_t y) { return c.runs(xv, y, W - 1, y) == 1 && c.runs(0, y, xv, y) >= 1; }))
    return;
  const int32_t b = c.gR(H - 1 - H / 8);
  if (c.gR(H - 1) == 0) return;

  int32_t conf = W - 1 - b <= 3 * W / 4 ? 100 : 99;
  // The long stroke from the right arm down to the foot.
  const int32_t k = c.cover(xa, H / 8, W - 1 - b, H - 1 - H / 8);
  if (k <= 94) {
    if (k < 80) return;
    conf = Times(conf, 99);
  }
  ProposeByLineFlags(v, u'Y', u'y', conf);
}

// The outermost ink of the arms among the top quarter's rows.
struct TArmTopsY {
  int32_t xl = 0, yl = 0;  // smallest left gap and its first row
  int32_t rr = 0, yr = 0;  // smallest right gap and its first row
};

TArmTopsY FindArmTopsY(const Probes& c, int32_t W, int32_t H) {
  TArmTopsY a{W, 0, W, 0};
  for (int32_t y = 0; y < H / 4; ++y) {
    if (c.gL(y) < a.xl) {
      a.xl = c.gL(y);
      a.yl = y;
    }
    if (c.gR(y) < a.rr) {
      a.rr = c.gR(y);
      a.yr = y;
    }
  }
  return a;
}

// The fork: the lowest of the rows with the narrowest gap left of the last
// stroke, while rows cross more than one stroke.
int32_t FindForkY(const Probes& c, int32_t W, int32_t H) {
  int32_t gm = W;
  int32_t yf = H / 4;
  for (int32_t y = H / 4; y < 3 * H / 4 && c.nRow(y) > 1; ++y) {
    const int32_t lastStroke = W - 1 - c.gR(y);
    const int32_t s = c.gap(lastStroke - c.inkRun(lastStroke, y, dirLeft), y, dirLeft);
    if (s <= gm) {
      gm = s;
      yf = y;
    }
  }
  return yf;
}

// Straight lines from each arm's top to a point inside the stem below the
// fork, and from there to the foot, follow the ink.
struct TLinesY {
  int32_t xl, yl;  // left arm top
  int32_t xr, yr;  // right arm top
  int32_t xk, yk;  // inside the stem below the fork
  int32_t xf, yf;  // the foot
};

bool LeftArmConf(const Probes& c, const TLinesY& p, int32_t& conf) {
  const int32_t a = c.cover(p.xl, p.yl, p.xk, p.yk);
  const int32_t b = c.cover(p.xl, p.yl, p.xk - 1, p.yk);
  if (a <= 94 && b <= 94) {
    if (a < 80 && b < 80) return false;
    conf = 98;
  }
  return true;
}

// A right arm that misses may start one step right and down inside its ink.
bool FollowsRightArm(const Probes& c, TLinesY& p, int32_t W, int32_t H) {
  if (c.cover(p.xr, p.yr, p.xk, p.yk) >= 95 || c.cover(p.xr, p.yr, p.xk - 1, p.yk) >= 95)
    return true;
  p.xr = p.xr + c.inkRun(p.xr, p.yr, dirRight, W / 4);
  p.yr = p.yr + c.inkRun(p.xr, p.yr, dirDown, H / 8);
  return c.cover(p.xr, p.yr, p.xk, p.yk) >= 95;
}

bool FollowsStem(const TLetterView& v, const TLinesY& p) {
  const Probes& c = v.crop;
  if (c.cover(p.xk, p.yk, p.xf, p.yf) < 95) return false;
  // A fork this low on a glyph without descender, with either arm running
  // straight to the foot, is a "V" or "v" with a stem-like point.
  return !(p.yk >= 5 * v.H / 8 && !v.ctx.HasDescender && c.cover(p.xl, p.yl, p.xf, p.yf) > 95 &&
           c.cover(p.xr, p.yr, p.xf, p.yf) > 95);
}

void TestY2(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 2 || H <= 3 || v.holes.Count > 1 || !v.raster.ink(0, 3 * W / 8, H / 8, H / 8)) return;
  if (c.nRow(H / 8) != 2 && c.nRow(1) != 2) return;
  if (!HasFootAndRightColumnY(c, W, H)) return;

  if (c.gR(H - 1 - H / 8) + W / 8 + 1 < c.gL(H - 1 - H / 8)) return;
  const int32_t depth = DeepestTopGap(c, W).depth;
  // A depth below H/4 compares with the exact quotient.
  if (depth > 10 * H / 16 || 4 * depth < H) return;
  const TArmTopsY arms = FindArmTopsY(c, W, H);
  if (arms.yr > H / 8) return;
  const int32_t yf = FindForkY(c, W, H);

  const int32_t fl = c.inkRun(arms.xl, arms.yl, dirRight);
  const int32_t fr = c.inkRun(W - 1, arms.yr, dirLeft);
  TLinesY p{};
  p.yk = H / 16 + yf + 1;
  const int32_t i = c.gR(p.yk);
  const int32_t j = c.inkRun(W - 1 - i, p.yk, dirLeft);
  p.xk = j > W / 4 ? W - 1 - i - j / 4 : W - 1 - i - j / 2;
  p.xf = W - 1 - c.gR(H - 1 - H / 8);
  p.yf = H - 1 - H / 8;
  if (p.xf > 3 * W / 4) return;

  p.xl = arms.xl + fl / 2;
  p.yl = arms.yl;
  int32_t conf = 100;
  if (!LeftArmConf(c, p, conf)) return;
  p.xr = W - 1 - fr / 2;
  p.yr = arms.yr;
  if (!FollowsRightArm(c, p, W, H)) return;
  if (!FollowsStem(v, p)) return;

  // The left edge bulges at mid-height no further out than its ends.
  const int32_t m = c.gL(1) + c.gL(H - 1);
  const int32_t n = 2 * c.gL(H / 2);
  if (n < m) return;
  if (m == n) conf = Times(conf, 98);
  if (m + 1 >= n) conf = Times(conf, 98);
  ProposeByLineFlags(v, u'Y', u'y', conf);
}

}  // namespace

void RecogniseV(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestV(v);
}

void RecogniseX(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestCapitalX(v);
  TestSmallX(v);
}

void RecogniseY(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestY1(v);
  TestY2(v);
}

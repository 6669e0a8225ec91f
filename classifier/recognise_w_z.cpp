// Recognisers for the letters Z and W (W runs last of all letters).
//
//   "Z"/"z"  one test: two bars joined by a diagonal falling to the left,
//            followed by walks along its strokes
//   "W"/"w"  two tests: four strokes followed by straight lines from the top
//            to the feet and the middle apex; then two counters open at the
//            top. The second test starts from the confidence the first leaves.
#include <algorithm>
#include <cstdlib>

#include "classifier/letter_rules.h"

namespace {

// ---------------------------------------------------------------- "Z"

// Ink in the four corners and across the middle, none at the middle of
// either side, and crossings fitting a "Z".
bool HasFrameZ(const Probes& c, int32_t W, int32_t H) {
  if (c.ink(0, W / 8, H / 2, H / 2) || c.ink(W - 1 - W / 8, W - 1, H / 2, H / 2)) return false;
  if (!c.ink(0, W / 4, 0, H / 4) || !c.ink(W - 1 - W / 4, W - 1, 0, H / 4) ||
      !c.ink(0, W / 4, H - 1 - H / 4, H - 1) || !c.ink(W - 1 - W / 4, W - 1, H - 1 - H / 4, H - 1))
    return false;
  if (!c.ink(W / 3, W - 1 - W / 3, H / 2, H / 2)) return false;
  if (W < 5 && c.nCol(1) != 2) return false;
  if (W > 8 && c.nCol(W / 2) != 3 && c.runs(W / 3, 0, 2 * W / 3, H - 1) != 3) return false;
  return c.runs(0, H / 2 + 1, W - 1, H / 2 - 1) == 1;
}

// The top bar from a third of the width and the bottom bar from an eighth,
// each over half the width (in the raster).
bool HasBarsZ(const Probes& r, int32_t W, int32_t H) {
  for (int32_t i = 0; i <= W / 2; ++i) {
    if (!r.ink(W / 3 + i, W / 3 + i, 0, H / 5)) return false;
    if (!r.ink(W / 8 + i, W / 8 + i, H - 1 - H / 5, H - 1)) return false;
  }
  return true;
}

// Ink near the straight line from the top right to the bottom left.
bool HasDiagonalZ(const Probes& c, int32_t W, int32_t H) {
  const int32_t k = W / 8 <= 1 ? W / 8 + 1 : W / 8;
  for (int32_t y = H / 8; y < H - H / 8; ++y) {
    const int32_t x = W - 1 - (y * W) / H;
    if (!c.ink(x - k, x + k, y, y)) return false;
  }
  return true;
}

// A short top bar (both top rows end in a short run at the right) must not
// have its right end bent down like a "7" or "2".
bool HasStraightTopRightZ(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H, Wc = v.Wc;
  if (c.inkRun(Wc - 2, 0, dirLeft, W) >= W / 2 || c.inkRun(Wc - 2, 1, dirLeft, W) >= W / 2)
    return true;
  return c.gap(Wc - 1, H / 8, dirLeft, W) + (W + 16) / 32 >= c.gap(Wc - 1, H / 16, dirLeft, W);
}

// Walks along the strokes in the raster: up the left side from the bottom
// left corner and along the diagonal out at the top right; in from the right
// at a quarter height through the diagonal; in from the left at three
// quarters height through the diagonal.
bool WalksAlongStrokesZ(const TLetterView& v) {
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  const auto walk = [&](int32_t& x, int32_t& y, int32_t onPaper, int32_t onInk) {
    r.walk(x, y, 0, W - 1, 0, H - 1, onPaper, onInk);
  };
  int32_t x = 0, y = H - 1;
  walk(x, y, dirUp, dirStop);
  if (y < H - 1 - H / 3) return false;
  walk(x, y, dirRight, dirUp);
  if (x < W / 2 || y > 0) return false;

  x = W - 1;
  y = H / 4;
  walk(x, y, dirLeft, dirStop);
  if (x < W - 1 - W / 3) return false;
  walk(x, y, dirStop, dirLeft);
  if (x < W - 1 - 5 * W / 8) return false;

  x = 0;
  y = H - 1 - H / 4;
  walk(x, y, dirStop, dirUp);
  y = y - H / 16;
  walk(x, y, dirRight, dirStop);
  if (x > W / 3) return false;
  walk(x, y, dirStop, dirRight);
  return x <= 5 * W / 8;
}

// From the middle upwards to a quarter height the right edge never moves
// out by two pixels or more past its closest point so far.
bool HasSteadyRightEdgeZ(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  int32_t m = W;
  for (int32_t y = v.Hc - 1 - H / 2; y >= H / 4; --y) {
    const int32_t d = c.gap(v.Wc - 1, y, dirLeft, W - 1);
    if (d - 2 >= m) return false;
    m = std::min(m, d);
  }
  return true;
}

// The right edge of the top bar: receding below the top costs, as do a
// left-heavy middle and a short glyph.
int32_t ConfZ(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  const int32_t r1 = c.gR(H / 16), r2 = c.gR(H / 8), r4 = c.gR(H / 4), r5 = c.gR(5 * H / 16);
  int32_t conf;
  if (r4 < r1)
    conf = r5 < r2 ? 94 : 98;
  else
    conf = r5 < r2 ? 96 : 100;
  if (c.gL(H / 4) < W / 2 && c.gR(3 * H / 4) > W / 4) conf = Times(conf, 96);
  if (v.ctx.HasDescender) conf = Times(conf, 96);
  if (W <= 5) {
    conf = Times(conf, 99);
    if (H > 9) conf = Times(conf, 98);
  }
  return conf;
}

void TestZ(const TLetterView& v) {
  const int32_t W = v.W, H = v.H;
  if (W <= 3 || H <= 3 || v.holes.Count > 1) return;
  if (!HasFrameZ(v.crop, W, H)) return;
  if (!HasBarsZ(v.raster, W, H)) return;
  if (!HasDiagonalZ(v.crop, W, H)) return;
  if (!HasStraightTopRightZ(v)) return;
  if (!WalksAlongStrokesZ(v)) return;
  if (!HasSteadyRightEdgeZ(v)) return;
  if (v.holes.Count != 0) return;
  ProposeByLinePosition(v, u'Z', u'z', ConfZ(v));
}

// ---------------------------------------------------------------- "W"

// The first row, going up from just above the bottom to three quarters of
// the height, that crosses the two feet.
std::optional<int32_t> FeetRowW(const Probes& c, int32_t H) {
  for (int32_t y = H - 1 - H / 16; y > 3 * H / 4; --y)
    if (c.nRow(y) == 2) return y;
  return std::nullopt;
}

// Between the feet and a quarter height, rows crossing all four strokes
// should outnumber rows crossing three.
struct TStrokeRowsW {
  int32_t four = 0;   // rows crossing exactly four strokes
  int32_t other = 0;  // the other rows crossing more than two
};

TStrokeRowsW CountStrokeRowsW(const Probes& c, int32_t H, int32_t ye) {
  TStrokeRowsW n;
  for (int32_t y = ye; y >= H / 4 + 1; --y) {
    const int32_t runs = c.nRow(y);
    if (runs == 4)
      ++n.four;
    else if (runs > 2)
      ++n.other;
  }
  return n;
}

// The points the strokes of a "W" run between.
struct TPointsW {
  int32_t ye = 0;          // row of the feet
  int32_t t = 0, s = 0;    // middles of the left and right feet
  int32_t xa = 0;          // column of the middle apex
  int32_t ya = 0, ym = 0;  // its top row and a row halfway down its tip
  int32_t xl = 0, xr = 0;  // the outer strokes on row 1
};

// The middle apex: the deepest reach of paper from the bottom between the
// feet, and the tip of ink above it.
bool FindApexW(const Probes& c, int32_t W, int32_t H, TPointsW& p) {
  int32_t w = 0;
  for (int32_t x = p.t + 1; x < p.s; ++x) {
    const int32_t d = c.gB(x, H - 1);
    if (d > w) {
      w = d;
      p.xa = x;
    }
  }
  if (w == 0) return false;
  int32_t b = c.inkRun(p.xa, H - 1 - w, dirUp);
  if (b > 0) b = b - 1;
  p.ya = H - 1 - w - b;
  p.ym = H - 1 - w - b / 2;
  const auto leftTwice = [&](int32_t y) { return c.runs(0, y, p.xa, y) == 2; };
  const auto rightTwice = [&](int32_t y) { return c.runs(p.xa, y, W - 1, y) == 2; };
  return (leftTwice(p.ya) || leftTwice(p.ym)) && (rightTwice(p.ya) || rightTwice(p.ym));
}

// Straight lines follow the four strokes: each is tried from a few nearby
// starting points and one of them must stay on ink.
bool FollowsStrokesW(const Probes& c, int32_t W, int32_t H, const TPointsW& p) {
  const auto follows = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return c.cover(x0, y0, x1, y1) >= 95;
  };
  if (!follows(p.xl, 1, p.t, p.ye) && !follows(p.xl + W / 32, 1, p.t, p.ye)) return false;
  if (!follows(p.t, p.ye - 1, p.xa, p.ym) && !follows(p.t, p.ye - 1, p.xa, p.ym + H / 32) &&
      !follows(p.t, p.ye - 1, p.xa, p.ym + H / 16))
    return false;
  if (!follows(p.xa, p.ym, p.s, p.ye) && !follows(p.xa + 1, p.ym, p.s, p.ye)) return false;
  return follows(p.s, p.ye, p.xr, H / 16 + 1) || follows(p.s, p.ye, W - 1, H / 8 + 1) ||
         follows(p.s, p.ye, p.xr + W / 20, H / 16 + 1);
}

// From row `from` down, the right edge never sticks out more than two pixels
// past its innermost point so far; every row sticking out at all costs e
// two percent.
bool HasSteadyLowerRightW(const Probes& c, int32_t H, int32_t from, int32_t* e) {
  int32_t m = 0;
  for (int32_t y = from; y < H; ++y) {
    const int32_t g = c.gR(y);
    m = std::max(m, g);
    if (g < m - 2) return false;
    if (e && g < m) *e = Times(*e, 98);
  }
  return true;
}

bool HasTwoArmsDownToMiddleW(const Probes& c, int32_t H) {
  return AllIn(H / 8, H / 2, [&](int32_t y) { return c.nRow(y) >= 2; });
}

// The first test; e is the confidence it leaves for the second test.
void TestW1(const TLetterView& v, int32_t& e) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 4 || H <= 3 || v.holes.Count > 1) return;
  if (!HasTwoArmsDownToMiddleW(c, H)) return;
  TPointsW p;
  const auto ye = FeetRowW(c, H);
  if (!ye) return;
  p.ye = *ye;
  const int32_t o = c.firstRun(H / 4);
  const TStrokeRowsW rows = CountStrokeRowsW(c, H, p.ye);
  if (rows.four + 5 < H / 4 && 7 * o < H) return;

  e = rows.four < rows.other ? 98 : 100;
  if (c.nRow(1) <= 1 && c.nRow(H / 16) <= 1) return;
  p.t = c.gL(p.ye) + c.firstRun(p.ye) / 2;
  if (p.t > W / 2) return;
  const int32_t rightFoot = W - 1 - c.gR(p.ye);
  p.s = rightFoot - c.inkRun(rightFoot, p.ye, dirLeft) / 2;
  if (p.s < 3 * W / 8) return;
  if (!FindApexW(c, W, H, p)) return;

  const int32_t a = c.gL(1), f = c.inkRun(a, 1, dirRight);
  p.xl = p.t < a + f ? a + f / 4 : a + f / 2;
  const int32_t rightTop = W - 1 - c.gR(1);
  p.xr = rightTop - c.inkRun(rightTop, 1, dirLeft) / 2;
  if (!FollowsStrokesW(c, W, H, p)) return;
  if (!HasSteadyLowerRightW(c, H, 5 * H / 8, &e)) return;
  ProposeByLinePosition(v, u'W', u'w', e);
  e = Times(e, 98);
}

// The second test: two counters open at the top, joined by one stroke at
// mid-height.
void TestW2(const TLetterView& v, int32_t e) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 4 || H <= 3 || v.holes.Count > 1) return;
  if (!HasTwoArmsDownToMiddleW(c, H) || c.nRow(H / 2) != 3) return;
  int32_t balance = 0;
  for (int32_t y = 0; y < H; ++y) balance += c.nRow(y) == 3 ? 1 : -1;
  if (balance < 1) return;

  int32_t xg = c.gL(H / 2) + c.firstRun(H / 2);
  if (xg > W / 2) return;
  xg = xg + c.gap(xg, H / 2, dirRight) / 2;
  if (xg > W / 2) return;
  const int32_t r = c.gR(H / 2);
  const int32_t k = c.inkRun(W - 1 - r, H / 2, dirLeft);
  const int32_t xh = W - 1 - r - k - c.gap(W - 1 - r - k, H / 2, dirLeft) / 2;
  if (xh < 3 * W / 8) return;

  if (c.runs(xg, H / 2, xh, H / 2) != 1 || c.runs(xg, H / 2, xg, H - 1) != 1 ||
      c.runs(xh, H / 2, xh, H - 1) != 1)
    return;
  if (c.runs(xg, 0, xg, H / 2) != 0 || c.runs(xh, 0, xh, H / 2) != 0) return;
  if (v.holes.Count != 0) return;
  if (!HasSteadyLowerRightW(c, H, 3 * H / 4, nullptr)) return;
  ProposeByLinePosition(v, u'W', u'w', e);
}

}  // namespace

void RecogniseZ(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestZ(v);
}

void RecogniseW(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  int32_t e = 100;
  TestW1(v, e);
  TestW2(v, e);
}

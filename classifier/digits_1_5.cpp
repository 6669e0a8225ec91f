// Shape tests for the digits 5, 1, 2, 3 and 4. All probes are box-relative
// on the glyph crop; fractions such as 5W/8 multiply first and truncate.
#include <algorithm>
#include <cstdlib>

#include "classifier/digits_internal.h"
#include "platform/rounding.h"

// ---------------------------------------------------------------------------
// 5: a flat top bar, a left stroke down to the middle, an open bowl below.

bool TDigitTests::fiveTopAndOpenings(int32_t& conf) const {
  // Column 5W/8 crosses the top bar, then paper, then the bowl.
  const int32_t x5 = 5 * W / 8;
  const int32_t t = gT(x5);
  if (t > H / 8) return false;
  const int32_t b = t + inkRun(x5, t, dirDown);
  if (b > H / 4) return false;
  const int32_t e = b + gap(x5, b, dirDown);
  if (e > 5 * H / 8) return false;

  // The row inside the gap under the top bar meets only the left stroke.
  const int32_t ym = (b + e) / 2;
  int32_t a = gL(ym);
  if (a > W / 2) return false;
  int32_t s = a + inkRun(a, ym, dirRight);
  if (s > 5 * W / 8) return false;
  const int32_t xi = s + gap(s, ym, dirRight) / 2;

  // The lower bowl's right stroke at 11H/16.
  const int32_t yb = 11 * H / 16;
  a = gR(yb);
  if (a > W / 4) return false;
  s = a + inkRun(W - 1 - a, yb, dirLeft);
  if (s > W / 2) return false;
  const int32_t xb = W - 1 - (s + gap(W - 1 - s, yb, dirLeft) / 2);

  int32_t tb = gT(xi);
  tb += inkRun(xi, tb, dirDown);
  const int32_t yq = platform::Round((3.0 * tb + ym) / 4.0);

  // Ink right of the left stroke just under the bar, and a single stroke
  // across the middle: traits an "S" shares.
  if (runs(xi, yq, W - 1, yq) > 0 && (nRow(H / 2) == 1 || nRow(H / 2 - 1) == 1)) {
    if (gap(xi - 1, ym, dirDown) < gap(xi, ym, dirDown)) Penalise(conf, 98);
    if (gap(xi + 1, ym, dirUp) < gap(xi, ym, dirUp)) Penalise(conf, 98);
    if (gR(1) < gR(0)) Penalise(conf, 98);
    if (runs(0, H - 1, W / 2, H - 1) > 1 && runs(W / 2, 0, W - 1, 0) > 1) Penalise(conf, 98);
    if (gL(H - 1) == 0) Penalise(conf, 98);
  }

  // The upper right must open: some line from (xi, H/4) to the right edge
  // crosses no ink.
  bool upperOpen = false;
  for (int32_t y = H / 4; y <= 3 * H / 4 - 1 && !upperOpen; ++y) {
    upperOpen = runs(xi, H / 4, W - 1, y) == 0;
  }
  if (!upperOpen) return false;

  // The lower left must open towards the middle of the bowl.
  bool lowerOpen = false;
  for (int32_t y = H / 4; y <= yb && !lowerOpen; ++y) {
    lowerOpen = runs(0, y, xb, yb) == 0;
  }
  for (int32_t y = H / 3; y <= 2 * H / 3 && !lowerOpen; ++y) {
    lowerOpen = runs(0, y, xb, y) == 0;
  }
  if (!lowerOpen) return false;

  return holeCount() < 1;
}

bool TDigitTests::fiveLeftProfile(int32_t& conf) const {
  // Between the top and the row where the left stroke reaches furthest left,
  // the left edge must not stick out further than at both ends (the upper
  // curve of an "S" does).
  int32_t smallest = W, ym2 = H / 4;
  for (int32_t y = H / 4; y <= H / 2 - 1; ++y) {
    if (gL(y) < smallest) {
      smallest = gL(y);
      ym2 = y;
    }
  }
  const int32_t r = gL(H / 16);
  const int32_t mid = (H / 16 + ym2) / 2;
  const int32_t u = std::max(gL(mid), gL(mid + 1));
  const int32_t v = std::min(gL(ym2), gL(ym2 - 1));
  if (!(u >= r || u >= v)) return false;

  if (H > 19 && W < 16 && gL(H / 5) == gL(H / 4) && gL(H / 4) < gL(H / 10) &&
      gL(H / 4) + 1 < gL(1) && gR(1) < gR(0)) {
    Penalise(conf, 98);
  }
  // A single stroke from the upper left to the lower right: an "S" spine.
  const int32_t y3 = 3 * H / 10;
  if (H > 29 && W > 15 && inkRun(W / 4, y3, dirDown) > 0 && inkRun(W - 2, 3 * H / 4, dirUp) > 0 &&
      runs(W / 4, y3, W - 2, 3 * H / 4) == 1) {
    Penalise(conf, 98);
  }
  if (H > 17 && W > 9 && (gL(H / 2) < W / 2 || gL(H / 2 - 1) < W / 2) &&
      inkRun(W / 4, y3, dirDown) > 0 && inkRun(W - 2, 2 * H / 3, dirUp) > 0 &&
      runs(W / 4, y3, W - 2, 2 * H / 3) == 1) {
    Penalise(conf, 98);
  }
  if (W > 7 && gT(W - 1 - W / 8) > H / 8) Penalise(conf, 90);
  if (hasDescender()) Penalise(conf, 98);
  if (!isTall()) Penalise(conf, 98);
  return true;
}

TDigitVerdict TDigitTests::Digit5() const {
  if (W < 3 || H <= 4 || holeCount() > 1) return std::nullopt;
  if (nCol(W / 2) != 3 && runs(5 * W / 8, 0, 3 * W / 8, H - 1) != 3) return std::nullopt;
  int32_t conf = 100;
  if (!fiveTopAndOpenings(conf)) return std::nullopt;
  if (!fiveLeftProfile(conf)) return std::nullopt;
  return conf;
}

// ---------------------------------------------------------------------------
// 1: one stroke in the top, middle and bottom rows, straight from top to
// foot, with at most a flag at the top left and a serif foot.

bool TDigitTests::onePreconditions() const {
  return H > 4 && W < H && glyph().LineBase - glyph().LineMean < 2 * H && glyph().MarksAbove != 1 &&
         holeCount() <= 1 && (nRow(0) == 1 || nRow(1) == 1) && nRow(H / 2) == 1 &&
         (nRow(H - 1) == 1 || nRow(H - 2) == 1);
}

bool TDigitTests::oneFoot(int32_t& conf, TOneStem& stem) const {
  const int32_t xc = W / 2;
  if (nRow(3 * H / 4) == 2) {
    // A foot serif: the centre column runs the whole height, the foot spans
    // the width and the flag reaches the centre.
    const int32_t t = gT(xc);
    if (inkRun(xc, t, dirDown) < H - 1) return false;
    const int32_t yFoot = H - 1 - H / 16;
    int32_t a = gR(yFoot);
    if (inkRun(W - 1 - a, yFoot, dirLeft) < W - 1) return false;
    a = gL(H / 16);
    if (inkRun(a, H / 16, dirRight) < xc) return false;
    stem.serif = true;
  } else {
    int32_t firstDouble = -1;
    for (int32_t y = 1; y <= H / 2 && firstDouble < 0; ++y) {
      if (nRow(y) == 2) firstDouble = y;
    }
    if (firstDouble < 0 || firstDouble == H / 2) Penalise(conf, 98);
    // Below 7H/16 nearly every row must cross the stem once.
    int32_t allowance = H / 8;
    for (int32_t y = 7 * H / 16; y <= H - 2 && allowance > 0; ++y) {
      if (nRow(y) != 1) --allowance;
    }
    if (allowance == 0) return false;
  }
  if (runs(xc, 1, xc, H - 1) != 1) Penalise(conf, 96);
  return true;
}

bool TDigitTests::oneStemLine(int32_t& conf, TOneStem& stem) const {
  // The height of the foot serif, from the outer thirds of the second last row.
  int32_t foot = 0;
  for (int32_t i = 0; i < W / 3; ++i) {
    foot = std::max(foot, inkRun(i, H - 2, dirUp, H / 5) - 1);
    foot = std::max(foot, inkRun(W - 1 - i, H - 2, dirUp, H / 5) - 1);
  }
  const int32_t yb = H - foot - 3;
  const int32_t a = gL(yb);
  const int32_t w = inkRun(a, yb, dirRight) - 1;
  stem.xb = a + w / 2;
  stem.xt = W - 1 - gR(1) - w / 2;
  if (cover(stem.xt, 1, stem.xb, yb) < 90) {
    stem.xt = W - 1 - gR(H / 4) - w / 2;
    if (cover(stem.xt, H / 4, stem.xb, yb) < 90) return false;
  }

  // Follow the stem down; a row much wider than its middle is a flag or a
  // bar, acceptable only near the foot.
  const int32_t cw = inkRun((stem.xt + stem.xb) / 2, H / 2, dirRight);
  int32_t y = 0;
  for (; y < 7 * H / 8; ++y) {
    const int32_t x = (stem.xb - stem.xt) * y / H + stem.xt;
    if (inkRun(x, y, dirRight) - cw > W / 8 + 1) break;
  }
  if (y < 7 * H / 8) Penalise(conf, 98);
  if (y < 6 * H / 8) return false;

  // The foot reaches about as far left of the stem as right of it.
  int32_t p = 0, q = 0;
  for (int32_t yf = 7 * H / 8 + 1; yf <= H - 1; ++yf) {
    p = std::max(p, inkRun(stem.xb, yf, dirLeft));
    q = std::max(q, inkRun(stem.xb, yf, dirRight));
  }
  if (std::abs(p - q) > platform::Round(W / 8.0) + 1) Penalise(conf, 98);
  return true;
}

bool TDigitTests::oneProfiles(int32_t& conf, const TOneStem& stem) const {
  // The flag reaches well left of the stem.
  int32_t m = W;
  for (int32_t y = 0; y <= 7 * H / 16 - 1; ++y) m = std::min(m, gL(y));
  if (stem.xt - m < 7 * W / 16) Penalise(conf, 98);
  if (stem.xt - m < 6 * W / 16) return false;

  const int32_t a = gL(H / 2);
  if (inkRun(a, H / 2, dirRight) > a + (H + 16) / 32) Penalise(conf, 98);
  // The top-left profile should move left as it goes down the flag.
  const int32_t g0 = gL(0);
  int32_t g1 = gL(1);
  if (g0 < g1) Penalise(conf, 98);
  if (g0 == g1) {
    g1 = gL(H / 8);
    if (g0 < g1 && !stem.serif) Penalise(conf, 98);
  }
  if (g0 == g1) {
    g1 = gL(H / 4);
    if (g0 < g1) Penalise(conf, 98);
  }

  if (!isTall() && gR(H / 4) < gR(1) - H / 6) return false;

  // Paper above the flag on the left should go deeper than right of the stem.
  int32_t p = 0, q = 0;
  for (int32_t x = 0; x <= stem.xt - 1; ++x) {
    if (gT(x) < H / 2) p = std::max(p, gT(x));
  }
  for (int32_t x = stem.xt; x <= W - 2; ++x) {
    if (gT(x) < H / 2) q = std::max(q, gT(x));
  }
  if (p < H / 16 + q) Penalise(conf, 98);
  return true;
}

bool TDigitTests::oneOutline(int32_t& conf) const {
  // A wide paper gap on the right low down above ink in the bottom-right
  // corner, or a wide one at mid height: more than a single stem.
  if (gR(3 * H / 4) > W / 2 && ink(W - 1 - W / 4, W - 1, H - 2, H - 1)) return false;
  if (gR(H / 2) > 2 * W / 3) return false;

  if (runs(3 * W / 4, 1, 3 * W / 4, H / 2) > 1) {
    Penalise(conf, 98);
  } else if (runs(3 * W / 4, H - 1, 3 * W / 4, H / 2) > 1) {
    Penalise(conf, 98);
  }

  if (gL(H / 8) + gR(7 * H / 8) - W > W / 4) return false;

  const int32_t t = gT(0);
  if (H > 11 && H / 8 < t && t < H / 2) {
    const int32_t g316 = gR(3 * H / 16) - W / 8;
    if (gR(t) < g316 || gR(t + 1) < g316) Penalise(conf, 98);
    const int32_t yLow = H - 1 - H / 32;
    if (gL(3 * H / 4) < gL(yLow) - W / 8 && gR(yLow) < gR(3 * H / 4) - W / 8) Penalise(conf, 98);
    if (gL(t - 1) > 1 && W < 6) {
      Penalise(conf, 99);
      if (gR(t - 1) > 1) Penalise(conf, 98);
    }
  }

  if (W > 8) {
    if (gL(3 * H / 4) - gL(H / 2 - 1) > W / 4) Penalise(conf, 95);
    if (gR(H / 2 - 1) - gR(3 * H / 4) > W / 8) Penalise(conf, 95);
    if (gR(H / 16) - gR(H / 4) > W / 8) Penalise(conf, 95);
  }

  // Somewhere in the upper half the left edge must step back right (the
  // flag's underside); a left edge that only moves left is a slash.
  int32_t m = W;
  bool stepsBack = false;
  for (int32_t y = 0; y <= H / 2 - 1; ++y) {
    const int32_t g = gL(y);
    if (g > m) stepsBack = true;
    m = std::min(m, g);
  }
  if (!stepsBack) Penalise(conf, 98);
  return true;
}

void TDigitTests::oneContext(int32_t& conf) const {
  const TCharRecord& g = glyph();
  if (g.LineBase != 0 && !isTall()) Penalise(conf, 98);
  if (hasDescender()) Penalise(conf, 98);
  if (g.LineBase != 0 && (g.LineBase + g.LineMean) / 2 < g.Top) Penalise(conf, 90);
  if (holeCount() > 0) Penalise(conf, 80);
}

TDigitVerdict TDigitTests::Digit1() const {
  if (!onePreconditions()) return std::nullopt;
  int32_t conf = 100;
  TOneStem stem;
  if (!oneFoot(conf, stem)) return std::nullopt;
  if (!oneStemLine(conf, stem)) return std::nullopt;
  if (!oneProfiles(conf, stem)) return std::nullopt;
  if (!oneOutline(conf)) return std::nullopt;
  oneContext(conf);
  return conf;
}

// ---------------------------------------------------------------------------
// 2: a hook at the top right, a diagonal, a base bar along the bottom.

bool TDigitTests::twoPreconditions() const {
  return W >= 3 && H > 4 && holeCount() <= 1 && ink(rW(2), rW(2), H - 1 - rH(5), H - 1) &&
         ink(rW(2), rW(2), 0, rH(5)) && ink(rW(8), W - 1 - rW(3), H - 1 - rH(3), H - 1 - rH(3)) &&
         ink(W - 1 - rW(3), W - 1, rH(3), rH(3)) && ink(0, rW(8), H - 1 - rH(16), H - 1) &&
         nRow(rH(2)) == 1 &&
         (blank(0, rW(10), 0, 0) ||
          blank(0, rW(2), platform::Round(3.0 * H / 16.0), platform::Round(3.0 * H / 16.0)));
}

bool TDigitTests::twoBaseAndMouth(int32_t& conf) const {
  // Climb from the bottom under the right part of the base: paper, the base
  // bar, then the open mouth above it, which must open to the right edge.
  int32_t x = W - 1 - rW(3), y = H - 1;
  walk(x, y, 0, W - 1, 0, H - 1, dirUp, dirStop);
  if (y < H - 1 - rH(5)) return false;
  walk(x, y, 0, W - 1, 0, H - 1, dirStop, dirUp);
  if (y < H - 1 - rH(4)) Penalise(conf, 99);
  if (y < H - 1 - rH(3)) return false;
  walk(x, y, 0, W - 1, 0, H - 1, dirUp, dirStop);
  if (y < rH(3)) return false;
  ++y;
  walk(x, y, 0, W - 1, 0, H - 1, dirRight, dirStop);
  if (x < W - 1) {
    // Blocked: step back off the ink, climb higher and try once more.
    --x;
    walk(x, y, 0, W - 1, 0, H - 1, dirUp, dirStop);
    if (y < rH(2)) return false;
    ++y;
    walk(x, y, 0, W - 1, 0, H - 1, dirRight, dirStop);
    if (x < W - 1) return false;
  }
  return true;
}

TDigitVerdict TDigitTests::Digit2() const {
  if (!twoPreconditions()) return std::nullopt;
  int32_t conf = 100;
  if (ink(0, rW(16), 0, 0) != ink(W - 1 - rW(16), W - 1, 0, 0)) Penalise(conf, 98);

  bool threeStrokes = false;
  for (int32_t x = rW(4); x < W - 1 - rW(6) && !threeStrokes; ++x) threeStrokes = nCol(x) == 3;
  if (!threeStrokes) return std::nullopt;

  bool hookRow = false;
  for (int32_t y = 0; y <= rH(2) - 1 && !hookRow; ++y) hookRow = nRow(y) == 2;
  if (!hookRow) Penalise(conf, 99);

  // Paper on the left under the hook.
  bool openLeft = false;
  for (int32_t y = rH(5); y <= 3 * rH(4) - 1 && !openLeft; ++y) openLeft = blank(0, rW(3), y, y);
  if (!openLeft) return std::nullopt;

  if (!twoBaseAndMouth(conf)) return std::nullopt;

  // The right profile of the hook should grow then shrink back.
  int32_t g = 0;
  bool shrinks = false;
  for (int32_t y = rH(18); y <= rH(3) && !shrinks; ++y) {
    const int32_t a = gR(y, W - 1);
    if (a < g) {
      shrinks = true;
    } else {
      g = std::max(g, a);
    }
  }
  if (!shrinks) Penalise(conf, 95);

  if (!onlyTopLeftLoop()) return std::nullopt;

  if (gT(rW(2)) + rH(32) >= gT(W - 1 - rW(16))) Penalise(conf, 98);
  if (gR(H - 3 * rH(16)) < gL(H - 3 * rH(16))) Penalise(conf, 98);
  if (glyph().MarksAbove != 0) Penalise(conf, 98);
  if (gR(H - 1 - rH(16)) > rW(4)) Penalise(conf, 96);
  if (!isTall() && glyph().LineBottom != 0) Penalise(conf, 80);
  return conf;
}

// ---------------------------------------------------------------------------
// 3: two lobes open to the left, joined at a waist on the right.

bool TDigitTests::threeLobes(int32_t& conf) const {
  // Waist: the deepest right gap in the middle half, its middle arm's left end at xw.
  int32_t yw = H / 4, dw = gR(H / 4);
  for (int32_t y = H / 4 + 1; y <= 3 * H / 4 - 1; ++y) {
    const int32_t d = gR(y);
    if (d > dw || (d == dw && inkRun(W - 1 - dw, y, dirLeft) >= inkRun(W - 1 - dw, yw, dirLeft))) {
      yw = y;
      dw = d;
    }
  }
  const int32_t k = inkRun(W - 1 - dw, yw, dirLeft);
  if (!(3 * W >= H || dw > 1 || k >= W / 2)) return false;
  const int32_t xw = W - 1 - k - dw;

  // Upper lobe: its rightmost reach, from the left edge or from the middle arm.
  int32_t yu = H / 8;
  int32_t xu = widestGap(TEdge::Left, H / 8, yw - 1, 1, false, yu) - 1;
  if (xu < W / 2) {
    Penalise(conf, 98);
    int32_t widest = -1;
    for (int32_t y = yw; y >= H / 5 + 1; --y) {
      const int32_t g = gap(xw, y, dirRight);
      if (g >= widest) {
        widest = g;
        yu = y;
      }
    }
    if (widest < 0) return false;
    xu = xw + widest - 1;
    if (xu < W / 2) return false;
  }

  // Lower lobe, the same from below.
  int32_t yl = H - 1 - H / 8;
  int32_t xl = widestGap(TEdge::Left, H - 1 - H / 8, yw + 1, -1, false, yl) - 1;
  if (xl < W / 2) {
    Penalise(conf, 98);
    int32_t widest = -1;
    for (int32_t y = yw; y <= 4 * H / 5 - 1; ++y) {
      const int32_t g = gap(xw, y, dirRight);
      if (g >= widest) {
        widest = g;
        yl = y;
      }
    }
    if (widest < 0) return false;
    xl = xw + widest - 1;
    if (xl < W / 2) return false;
  }

  return ink(xu, xu, yu, yl) && ink(xl, xl, yu, yl) && ink(xu, xu, 0, yu) && ink(xl, xl, yu, H - 1);
}

TDigitVerdict TDigitTests::Digit3() const {
  if (W <= 4 || H <= 3 || holeCount() > 1) return std::nullopt;
  if (!ink(W / 2, W / 2, 0, H / 4) || !ink(W / 2, W / 2, H - 1 - H / 8, H - 1)) return std::nullopt;
  if (nCol(W / 2) <= 1 || runs(W / 4, H - 1 - H / 2, W / 4, H - 1) <= 0) return std::nullopt;
  if (gT(W / 2) > H / 4 || gB(W / 2) > H / 4) return std::nullopt;
  if (!(gR(H / 3, H) <= H / 4 || gR(H / 8, H) <= H / 4 ||
        inkRun(W / 4, H / 8, dirRight, H) >= H / 2)) {
    return std::nullopt;
  }
  if (gR(2 * H / 3, H) > H / 4) return std::nullopt;
  int32_t conf = 100;
  if (!threeLobes(conf)) return std::nullopt;
  if (!onlyTopLeftLoop()) return std::nullopt;
  return conf;
}

// ---------------------------------------------------------------------------
// 4: a diagonal from the top to the left edge, a cross bar, a stem on the right.

bool TDigitTests::fourStemAndDiagonal(int32_t& conf, int32_t& g0) const {
  // The stem's foot stands clear of the left half.
  bool foot = false;
  for (int32_t i = 0; i < H / 4 && !foot; ++i) foot = gL(H - 1 - i) + gR(H - 1 - i) >= W / 2;
  if (!foot) return false;
  if (gL(H - 1 - H / 8) < W / 4) return false;

  g0 = gL(0);
  if (g0 <= W / 4) {
    // Closed top: the left stroke at H/4 is thin and ends in paper well above the foot.
    int32_t e = gL(H / 4);
    if (e > W / 4) return false;
    e += inkRun(e, H / 4, dirRight);
    if (e > W / 2) return false;
    if (H / 4 + gap(e, H / 4, dirDown) > 7 * H / 8) return false;
  }

  // Slide down the right side of the diagonal: it must lead out on the left.
  int32_t x = g0, y = 0;
  walk(x, y, 0, W - 1, 0, H - 1, dirDown, dirLeft);
  if (x >= 0) return false;
  const int32_t t = gT(0);
  if (t + inkRun(0, t, dirDown) < H / 2) return false;
  if (!blank(0, W / 4, H - 1 - H / 7, H - 1 - H / 7)) return false;
  if (!ink(W / 2, W - 1, H - 1 - H / 3, H - 1 - H / 3)) return false;
  if (!ink(W / 2, W / 2, H / 3, H - 1 - H / 5)) return false;

  const int32_t q = gR(H / 4);
  if (gR(2 * H / 4) + 1 < q && gR(3 * H / 8) + 1 < q) {
    Penalise(conf, 98);
    if (gR(7 * H / 8) + 1 < gR(3 * H / 8)) return false;
  }
  return true;
}

bool TDigitTests::fourBars(int32_t g0) const {
  if (g0 > W / 4) {
    // Open top: enough columns cross both the diagonal and the cross bar.
    const int32_t needed = std::max(1, W / 12);
    int32_t count = 0;
    for (int32_t x = 0; x < W && count < needed; ++x) {
      if (runs(x, 0, x, H - 1 - H / 8) == 2) ++count;
    }
    if (count < needed) return false;
  }

  // Rows below H/4 cross two strokes before any row crosses three.
  const int32_t neededRows = std::max(1, H / 12);
  int32_t twoRuns = 0;
  for (int32_t y = H / 4; y < H && twoRuns < neededRows; ++y) {
    const int32_t n = nRow(y);
    if (n >= 3) break;
    if (n == 2) ++twoRuns;
  }
  if (twoRuns < neededRows) return false;

  // Under the bar only the stem remains, in the right half.
  int32_t stemRows = 0;
  for (int32_t y = H - 1 - H / 4; y <= H - 1; ++y) {
    if (nRow(y) == 1 && runs(W / 2, y, W - 1, y) == 1) ++stemRows;
  }
  if (stemRows < H / 10 + 1) return false;
  return true;
}

bool TDigitTests::fourShapeChecks(int32_t& conf) const {
  if (hasDescender()) {
    const int32_t g = gL(H / 16);
    if (g < W / 2 && W <= 9 && H < 10) Penalise(conf, 99);
    if (!isTall()) Penalise(conf, 99);
    if (g < W / 2 && holeCount() > 0) return false;
    if (H < 16 && paperAt(0, 0) && inkAt(W / 8 + 1, 0)) Penalise(conf, 97);
  }

  // A closed box all round is a "0" or an "8", not a closed "4".
  if (holeCount() > 0 && W > 15 && gT(W / 2) < H / 16 && gT(W / 4) < H / 8 &&
      gT(3 * W / 4) < H / 8 && gB(W / 4) < H / 8 && gB(W / 2) < H / 8 && gB(3 * W / 4) < H / 4) {
    return false;
  }

  // A wide base reaching far left of the stem foot.
  const int32_t a = gR(H - 1);
  const int32_t q = a + inkRun(W - 1 - a, H - 1, dirLeft);
  if (q > 3 * W / 4 && q - gR(H - 1 - H / 8) > W / 4) Penalise(conf, 98);

  if (nRow(H / 16) == 2 && gR(H / 16 + H / 32 + 1) < gR(H / 16)) return false;

  // Ink along the top-left corner's diagonal.
  int32_t g = gL(H / 12), t = gT(W / 12);
  if (g > 0) --g;
  if (t > 0) --t;
  if (cover(0, t, g, 0) != 0) Penalise(conf, 80);

  if (hasDescender() && !isTall()) Penalise(conf, 98);
  return true;
}

TDigitVerdict TDigitTests::Digit4() const {
  if (W <= 3 || H <= 5 || holeCount() > 2) return std::nullopt;
  if (gL(3 * H / 16) < gL(H / 2) - W / 8) return std::nullopt;
  int32_t conf = 100;
  int32_t g0 = 0;
  if (!fourStemAndDiagonal(conf, g0)) return std::nullopt;
  if (!fourBars(g0)) return std::nullopt;
  if (!fourShapeChecks(conf)) return std::nullopt;
  return conf;
}

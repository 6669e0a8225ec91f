// Shape tests for the digits 6, 7, 8, 9 and the two zeros (a plain ring and a
// ring divided by a centre stroke). Probes are box-relative on the glyph crop.
#include <algorithm>
#include <cstdlib>

#include "classifier/digits_internal.h"

// ---------------------------------------------------------------------------
// 6: a left stroke curving into a closed lower bowl, open on the upper right.

TDigitVerdict TDigitTests::Digit6() const {
  if (W <= 3 || H <= 4 || holeCount() > 2) return std::nullopt;
  if (!(gL(H / 4) <= W / 2 || gT(W - 1) <= H / 4)) return std::nullopt;
  if (gL(H / 2) > W / 4 || gL(3 * H / 4) > W / 4 || gR(3 * H / 4) > W / 2) return std::nullopt;
  int32_t conf = 100;

  if (nCol(W / 2) != 3 && nCol(5 * W / 8) != 3) {
    // No column crosses the arm, the bowl's top and its bottom: accept a bowl
    // whose centre column is clear above the middle (the arm stays left).
    if (runs(W / 2, H / 4, W / 2, H - 1) != 2 && runs(5 * W / 8, H / 4, 5 * W / 8, H - 1) != 2) {
      return std::nullopt;
    }
    if (gT(W / 2) < H / 2) return std::nullopt;
    Penalise(conf, 99);
  } else if (gT(W / 2, W) > H / 8 && gT(W - 1 - W / 4, W) > H / 8) {
    return std::nullopt;
  }

  if (nRow(H - 1 - H / 4) != 2) return std::nullopt;

  // The upper right must open somewhere above the middle.
  int32_t y = H / 6;
  for (; y < H / 2; ++y) {
    const int32_t a = gR(y);
    if (a > W / 2) break;
    if (a + gap(W - a, y - 1, dirLeft) > W / 2) break;
  }
  if (y >= H / 2) return std::nullopt;
  if (gL(H - 1 - H / 3) > W / 4 || gR(H - 1 - H / 3) > W / 4) return std::nullopt;

  // Exactly one hole, the bowl, in the lower part.
  if (holeCount() != 1) return std::nullopt;
  if (hole(0).Bottom < H / 2) Penalise(conf, 95);
  if (hole(0).Top < H / 4) return std::nullopt;

  // The left side bulges out at the middle.
  const int32_t r = gL(H / 8), s = gL(H - 1 - H / 8), u = gL(H / 2);
  if (!(r + s - 2 * u > 0 || r == u || u == s)) return std::nullopt;

  // Going down the top quarter the left edge only moves left.
  int32_t m = W;
  for (int32_t yt = 0; yt <= H / 4 - 1; ++yt) {
    if (gL(yt) > m) return std::nullopt;
    m = std::min(m, gL(yt));
  }

  // The bowl's right half is crossed by one stroke in nearly every lower row.
  int32_t doubled = 0;
  for (int32_t yl = H / 2; yl <= H - 1; ++yl) {
    if (runs(W / 2, yl, W - 1, yl) > 1 && ++doubled > H / 8) return std::nullopt;
  }

  if (hasDescender()) Penalise(conf, 99);
  if (!isTall()) Penalise(conf, 98);
  if (glyph().MarksAbove != 0) Penalise(conf, 98);
  return conf;
}

// ---------------------------------------------------------------------------
// 7: a top bar, then a single stem moving left as it goes down.

TDigitVerdict TDigitTests::Digit7() const {
  if (glyph().LineBase - glyph().LineMean >= H) return std::nullopt;
  if (W < 3 || H <= 4 || holeCount() > 1) return std::nullopt;
  if (gT(W / 2) > H / 8 || nRow(3 * H / 4) != 1) return std::nullopt;
  int32_t conf = 100;

  // The top bar: the widest run until the left edge moves right of W/4 for good.
  int32_t bar = 0;
  int32_t y = 0;
  for (; y < H / 2; ++y) {
    const int32_t a = gL(y);
    if (bar > 0 && a > W / 4 && a >= gL(y + 1)) break;
    bar = std::max(bar, inkRun(a, y, dirRight));
  }
  if (bar < W / 4 || y >= H / 2) return std::nullopt;
  if (bar < 2 * inkRun(gL(H / 2), H / 2, dirRight)) return std::nullopt;

  // The stem: one run per row, its right gap never shrinking by more than a pixel.
  int32_t g = 0;
  for (; y < H - H / 16; ++y) {
    if (nRow(y) != 1) break;
    const int32_t a = gR(y);
    if (a < g) break;
    if (a - 1 > g) g = a - 1;
  }
  if (y < H - H / 16 || g < W / 3) return std::nullopt;

  // Below the bar's right end the stem has moved in from the right.
  const int32_t t = gT(W - 1);
  const int32_t p = t + inkRun(W - 1, t, dirDown) + H / 16;
  if (p >= H / 2) return std::nullopt;
  const int32_t q = gR(p);
  if (p < q) return std::nullopt;
  const int32_t gl = gL(p);
  if (!(gl <= W / 4 || gl > W / 16 + q)) return std::nullopt;

  if (gR(H / 2) + 2 >= gL(H / 2)) Penalise(conf, 98);
  if (nRow(H / 4) == 1 && gL(H / 4) < W / 2) Penalise(conf, 96);
  if (3 * W < H) Penalise(conf, 99);
  if (hasDescender()) Penalise(conf, 98);
  if (!isTall()) Penalise(conf, 95);
  return conf;
}

// ---------------------------------------------------------------------------
// 8: two loops stacked, pinched at a waist near the middle.

bool TDigitTests::eightWaists(int32_t& conf) const {
  int32_t yl = H / 3, yr = H / 3;
  const int32_t gl = widestGap(TEdge::Left, H / 3, H - 1 - H / 3, 1, true, yl);
  if (!(yl <= H / 2 + rH(16) && W / 12 <= gl && gl <= W / 2)) return false;
  const int32_t gr = widestGap(TEdge::Right, H / 3, H - 1 - H / 3, 1, true, yr);
  if (!(yr <= H / 2 + rH(16) && W / 12 <= gr && gr <= W / 2)) return false;
  if (std::abs(yr - yl) > H / 8) Penalise(conf, 98);

  // One loop ends at or above the waist, another starts at or below it.
  const int32_t yw = (yl + yr) / 2;
  bool upper = false, lower = false;
  for (int32_t i = 0; i < holeCount(); ++i) {
    upper = upper || hole(i).Bottom <= yw;
    lower = lower || hole(i).Top >= yw;
  }
  if (!upper || !lower) return false;

  const int32_t p = gR(H - 1 - H / 4);
  if (!(gR(H - 1 - H / 5) >= p || gR(H - 2 - H / 5) >= p || gR(H - 1 - 2 * H / 5) >= p ||
        gR(H - 2 - 2 * H / 5) >= p)) {
    return false;
  }

  bool threeStrokes = false;
  for (int32_t y = rH(2); y <= H - 1 && !threeStrokes; ++y) threeStrokes = nRow(y) > 2;
  if (threeStrokes) Penalise(conf, 96);

  // The right waist again: its deepest row (yf, first) and the last row as deep (ye).
  int32_t g = 0, ye = H / 3, yf = H / 3;
  for (int32_t y = H / 3; y <= H - 1 - H / 3; ++y) {
    const int32_t a = gR(y);
    if (a >= g) ye = y;
    if (a > g) {
      g = a;
      yf = y;
    }
  }
  if (!(yf <= H / 2 + H / 10 && g <= W / 2)) return false;
  if (!(nRow(yf) == 1 || nRow(yf + 1) == 1 || nRow((yf + ye) / 2) == 1)) return false;
  if (std::abs(yw - yf) > (H + 5) / 10) Penalise(conf, 99);
  if (std::abs(yw - yf) > (H + 4) / 8) return false;
  return true;
}

bool TDigitTests::eightOutline(int32_t& conf) const {
  // Rounded top and bottom: going towards the middle the left edge never
  // steps back right by more than W/16.
  int32_t m = W;
  for (int32_t y = 0; y <= H / 8 + 1; ++y) {
    if (gL(y) > W / 16 + m) return false;
    m = std::min(m, gL(y));
  }
  m = W;
  for (int32_t i = 0; i <= H / 8 + 1; ++i) {
    if (gL(H - 1 - i) > W / 16 + m) return false;
    m = std::min(m, gL(H - 1 - i));
  }
  if (!(H < 17 || nRow(H - 1) < 2 || gL(H - 1) >= W / 8 + 1)) return false;

  int32_t tripled = 0;
  for (int32_t y = H / 2; y <= H - 1; ++y) {
    if (nRow(y) > 2 && ++tripled > H / 8) return false;
  }

  if (gR(0) == 0) Penalise(conf, 99);
  if (nRow(H - 1) > 1) Penalise(conf, 98);
  if (runs(W - 1, H / 2, W - 1, H - 1) > 1) Penalise(conf, 98);
  if (nRow(0) > 1) Penalise(conf, 98);
  if (nRow(1) > 1) Penalise(conf, 98);
  const TCharRecord& gl = glyph();
  if (!isTall()) Penalise(conf, 8 * (gl.LineMean - gl.Top) < H ? 99 : 98);
  if (hasDescender() && 8 * (gl.Bottom - gl.LineBase) >= H) Penalise(conf, 99);
  return true;
}

TDigitVerdict TDigitTests::Digit8() const {
  if (W < 3 || H <= 4 || holeCount() <= 1) return std::nullopt;
  if (nRow(H / 4) != 2) return std::nullopt;
  if (nRow(H - 1 - H / 4) != 2 && nRow(H - 1 - 3 * H / 8) != 2) return std::nullopt;
  if (!ink(0, W / 4, H - 1 - H / 4, H - 1 - H / 4) || !ink(0, W / 2, H / 4, H / 4) ||
      !ink(W / 2, W / 2, H / 4, H - 1 - H / 4)) {
    return std::nullopt;
  }
  int32_t conf = 100;
  if (!eightWaists(conf)) return std::nullopt;
  if (!eightOutline(conf)) return std::nullopt;
  return conf;
}

// ---------------------------------------------------------------------------
// 9: a closed upper loop whose right stroke runs on down as a tail.

TDigitVerdict TDigitTests::Digit9() const {
  if (W < 3 || H <= 4 || holeCount() > 2) return std::nullopt;
  if (!(runs(W / 2, 0, W / 2, H - 1 - H / 4) == 2 || nCol(W / 2) == 3 || nCol(3 * W / 8) == 3 ||
        runs(W / 4, 0, W - 1 - W / 4, H - 1) == 3)) {
    return std::nullopt;
  }
  if (runs(W / 2, 0, W / 2, H / 4) <= 0 || runs(W / 2, H / 2, W - 1, H / 2) <= 0) {
    return std::nullopt;
  }
  if (nRow(H / 4) != 2 && nRow(3 * H / 8) != 2) return std::nullopt;
  int32_t conf = 100;

  // The opening left of the tail, under the loop.
  int32_t yt = H / 2;
  int32_t g = widestGap(TEdge::Left, H / 2, H - 1 - H / 4, 1, false, yt);
  if (g < 1 || g < W / 8) return std::nullopt;
  if (g < W / 2) {
    // A shallow opening: drop to the middle of the paper under its deepest
    // point and see how far that paper reaches to the right.
    yt += gap(g - 1, yt, dirDown, H / 8 + 1) / 2;
    g += gap(g - 1, yt, dirRight, W / 2);
    if (g < W / 2) return std::nullopt;
  }
  // From the opening a single stroke leads to the bottom right.
  if (!(runs(W / 2, yt, W - 1, H - 1) == 1 || runs(W / 2, yt, W - 1, H - 2) == 1 ||
        runs(W / 2, yt, W - 2, H - 1) == 1)) {
    return std::nullopt;
  }

  // The loop lies above the opening.
  if (holeCount() < 1) return std::nullopt;
  if (!(hole(0).Bottom <= yt && hole(0).Top <= yt - 1)) return std::nullopt;
  if (holeCount() == 2 && hole(1).Top > yt - 1) return std::nullopt;

  if (gL(H - 1, H) > W / 3 && gL(H - 2, H) > W / 3) Penalise(conf, 98);

  // The right side stays close to the edge and bows out.
  for (int32_t y = H / 3; y <= H - 1 - H / 3; ++y) {
    if (gR(y) > W / 2) return std::nullopt;
  }
  int32_t r = gR(H / 8);
  if (r > W / 2) return std::nullopt;
  int32_t s = gR(H - 1 - H / 8);
  const int32_t u = gR(H / 2);
  if (r + s - 2 * u < 0) return std::nullopt;
  r = gR(H / 4);
  if (r > W / 2) return std::nullopt;
  s = gR(H - 1 - H / 8);
  for (int32_t y = H / 4; y < H - 1 - H / 4; ++y) {
    if (2 * gR(y) >= r + s + 2) return std::nullopt;
  }

  // Ink right of the tail close above the bottom: the tail hooks back to the right.
  const int32_t gr = gR(6 * H / 8);
  if (gr > 0 && gap(W - gr, H - 1, dirUp, H) < H / 8) return std::nullopt;

  if (hasDescender()) Penalise(conf, 97);
  if (!isTall()) Penalise(conf, 90);
  return conf;
}

// ---------------------------------------------------------------------------
// 0: a ring, or a ring divided by a centre stroke (slashed or dotted zero).

TDigitVerdict TDigitTests::Digit0Ring() const {
  // 2W <= 3H is W <= 1.5H without rounding.
  if (W < 3 || H <= 3 || 2 * W > 3 * H || holeCount() > 1) return std::nullopt;
  if (!ink(0, W / 3, H / 2, H / 2) || !ink(W - 1 - W / 3, W - 1, H / 2, H / 2)) return std::nullopt;
  int32_t conf = 99;

  const int32_t xc = W / 2;
  if (!ink(xc, xc, H - 1 - H / 3, H - 1) || !ink(xc, xc, 0, H / 3) ||
      !blank(xc, xc, H / 3, H - 1 - H / 3) || nCol(xc) != 2 || !ringOutlineSingle() ||
      holeCount() != 1) {
    return std::nullopt;
  }

  // The top-left curve: the left gap narrows from row 0 to row 2.
  const int32_t d = gL(0, W + 1) - gL(2, W + 1);
  if (d < 0) return std::nullopt;
  if (d == 0) {
    if (gR(2, W + 1) < gR(0, W + 1)) Penalise(conf, 98);
    Penalise(conf, 98);
  }

  // The bottom-right curve: the right gap widens towards the bottom.
  for (int32_t y = H - 1 - H / 4 + 1; y <= H - 1; ++y) {
    if (gR(y, W + 1) < gR(y - 1, W + 1)) return std::nullopt;
  }

  // Both sides bow out at the middle.
  const int32_t q = gL(H / 16) + gL(H - 1 - H / 16) - 2 * gL(H / 2);
  const int32_t b = 2 * gR(H / 2) >= gR(H / 16) + gR(H - 1 - H / 16) ? 1 : 0;
  if (!(q >= -(W / 8) && W / 8 + q >= b)) return std::nullopt;
  if (!(gR(H / 16) <= W / 8 || gL(H / 16) >= W / 16)) return std::nullopt;
  if (!(gR(H - 1 - H / 16) <= W / 8 || gL(H - 1 - H / 16) >= W / 16)) return std::nullopt;

  if (openRightCorners()) {
    // Square left corners with round right ones: a "D" rather than a "0".
    if (W > 31) return std::nullopt;
    Penalise(conf, 98);
  }
  if (!isTall()) Penalise(conf, 95);
  return std::min(conf, 99);
}

TDigitVerdict TDigitTests::Digit0Divided() const {
  if (W <= 4 || H <= 5 || holeCount() < 1 || holeCount() > 3) return std::nullopt;
  int32_t conf = holeCount() == 2 ? 100 : 95;

  const int32_t xc = W / 2;
  if (!ink(0, W / 2, H / 2, H / 2) || !ink(W - 1 - W / 2, W - 1, H / 2, H / 2) ||
      !ink(xc, xc, H - 1 - H / 2, H - 1) || !ink(xc, xc, 0, H / 2) ||
      !ink(xc, xc, H / 3, H - 1 - H / 3) || nCol(xc) != 3 || !ringOutlineSingle()) {
    return std::nullopt;
  }
  if (holeCount() != 2) Penalise(conf, 85);

  if (gL(H / 32 + 2) >= gL(0)) return std::nullopt;

  // The sides bow out at the middle, left and right.
  int32_t g = std::max(gL(H / 2), gL(H / 2 - 1));
  if (H > 8) g = std::max(g, gL(H / 2 - 2));
  if (gL(H / 4) < g) return std::nullopt;
  g = std::max(gR(H / 2), gR(H / 2 - 1));
  if (gR(3 * H / 4) < g) return std::nullopt;
  g = gR(H - 1 - H / 3);
  for (int32_t y = H - 1 - H / 3; y <= H - 1; ++y) {
    if (gR(y) < g - W / 16) return std::nullopt;
    g = std::max(g, gR(y));
  }

  // Up the centre column: the bottom of the ring, then the paper under the
  // centre stroke.
  int32_t t = gB(xc);
  if (t > H / 4) return std::nullopt;
  t += inkRun(xc, H - 1 - t, dirUp);
  if (t > H / 3) return std::nullopt;
  if (t > H / 4) Penalise(conf, 99);
  t += gap(xc, H - 1 - t, dirUp);
  if (3 * t > 2 * H) return std::nullopt;

  // The centre stroke's foot: paper to its right, ink above that paper.
  const int32_t a = gap(xc, H - t, dirRight, W / 2);
  if (a == 0) return std::nullopt;
  if (gap(xc + a - W / 16 - 1, H - t, dirUp, H) == 0) return std::nullopt;

  for (int32_t y = H / 4; y < H - 1 - H / 4; ++y) {
    if (gL(y, W - 1) > W / 4 || gR(y, W - 1) > W / 4) return std::nullopt;
  }

  if (!(W / 8 + 2 * gL(H / 2) < gL(H / 16) + gL(H - 1 - H / 16))) return std::nullopt;
  if (!(gR(H / 16) <= W / 8 || gL(H / 16) >= W / 16)) return std::nullopt;
  if (!(gR(H - 1 - H / 16) <= W / 8 || gL(H - 1 - H / 16) >= W / 16)) return std::nullopt;
  if (openRightCorners()) return std::nullopt;

  // Most low rows crossing three strokes: the centre stroke reaches too far down.
  int32_t s = 0;
  for (int32_t y = 6 * H / 8; y < H - H / 16; ++y) s += nRow(y) < 3 ? -1 : 1;
  if (s > 0) Penalise(conf, 98);

  if (!isTall()) Penalise(conf, 90);
  return conf;
}

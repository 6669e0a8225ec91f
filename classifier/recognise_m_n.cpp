// Recognisers for the letters M and N, each with a test for the small letter
// and one for the capital. Both tests of a recogniser always run.
//
//   "m"  three stems on the middle row, two counters open below, arches above
//   "M"  two straight sides with a notch from the top between them
//   "n"  two stems on the middle row, one counter open below, an arch above
//   "N"  two stems joined by a diagonal falling from the top left
#include <algorithm>
#include <cstdlib>

#include "classifier/letter_rules.h"

namespace {

// ---------------------------------------------------------------- "m"

// The columns where the stems of an "m" or "n" start and end along its middle
// row; runs to the right stop at the box's right edge.
struct TMiddleRow {
  const Probes& c;
  int32_t y;
  int32_t W;
  int32_t inkFrom(int32_t x) const { return c.inkRun(x, y, dirRight, W - x); }
  int32_t gapFrom(int32_t x) const { return c.gap(x, y, dirRight, W - x); }
};

struct TStemsM {
  int32_t s1 = 0;  // end of the first stem
  int32_t s2 = 0;  // start of the middle stem
  int32_t s3 = 0;  // end of the middle stem
  int32_t s4 = 0;  // start of the last stem
  int32_t e = 0;   // width of the first counter
  int32_t g = 0;   // width of the second counter
};

std::optional<TStemsM> FindStemsM(const TLetterView& v) {
  const int32_t W = v.W;
  const TMiddleRow row{v.crop, v.H / 2, W};
  TStemsM s;
  s.s1 = v.crop.gL(row.y);
  if (s.s1 > W / 4) return std::nullopt;
  s.s1 += row.inkFrom(s.s1);
  if (s.s1 > W / 2) return std::nullopt;
  s.e = row.gapFrom(s.s1);
  s.s2 = s.s1 + s.e;
  if (s.s2 > 3 * W / 4) return std::nullopt;
  s.s3 = s.s2 + row.inkFrom(s.s2);
  if (s.s3 > 3 * W / 4) return std::nullopt;
  s.g = row.gapFrom(s.s3);
  s.s4 = s.s3 + s.g;
  if (s.s4 < 5 * W / 8) return std::nullopt;
  // The two counters of an "m" are about equally wide.
  if (std::abs(s.e - s.g) > (s.e + s.g) / 16 + 2) return std::nullopt;
  return s;
}

// Both counters open downwards, the middle stem reaches the bottom, and the
// arches close both counters at the top.
bool HasCountersM(const TLetterView& v, const TStemsM& s) {
  const Probes& c = v.crop;
  const int32_t H = v.H;
  const int32_t yb = c.firstRun(5 * H / 8) + 1 < c.firstRun(H - 1 - H / 32) ? H - 2 : H - 1;
  const auto openBelow = [&](int32_t x) { return c.gap(x, yb, dirUp) > H / 4; };
  if (!AnyIn(s.s1, s.s2, openBelow) || !AnyIn(s.s3, s.s4, openBelow)) return false;
  if (!AnyIn(s.s1, s.s3, [&](int32_t x) { return c.inkRun(x, H - 2, dirUp) > H / 4; }))
    return false;
  return !AnyIn(s.s1, s.s4, [&](int32_t x) { return c.gT(x) >= H / 2; });
}

// An arch that thins too much (tooThin(thickness, thickest so far)) between
// the middle of its counter and the next stem is no arch at all.
template <typename TooThin>
bool ArchHoldsItsThickness(const Probes& c, int32_t from, int32_t to, TooThin tooThin) {
  int32_t k = 0;
  for (int32_t x = from; x < to; ++x) {
    const int32_t l = c.inkRun(x, c.gT(x), dirDown);
    k = std::max(k, l);
    if (tooThin(l, k)) return false;
  }
  return true;
}

// The top edge from the end of the first run of row H/4 to the last stem: a
// dip costs a little, a deep one ends the test.
std::optional<int32_t> TopEdgePenaltyM(const TLetterView& v, const TStemsM& s, int32_t conf) {
  const Probes& c = v.crop;
  const int32_t H = v.H;
  for (int32_t x = c.gL(H / 4) + c.firstRun(H / 4); x < s.s4; ++x) {
    const int32_t t = c.gT(x);
    if (t >= H / 4) conf = Times(conf, 99);
    if (t > (H + 2) / 4) conf = Times(conf, 95);
    if (3 * t > H) return std::nullopt;
  }
  return conf;
}

void TestSmallM(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 4 || H <= 3 || v.holes.Count > 1) return;
  if (c.nRow(H / 2) != 3 && c.nRow(H / 2 + 1) != 3) return;

  const auto stems = FindStemsM(v);
  if (!stems) return;
  const TStemsM& s = *stems;
  if (!HasCountersM(v, s)) return;
  const auto belowHalf = [](int32_t l, int32_t k) { return 2 * l < k; };
  if (s.g + W / 16 < s.e && !ArchHoldsItsThickness(c, (s.s1 + s.s2) / 2, s.s2, belowHalf)) return;

  int32_t conf = 100;
  if (v.ctx.HasDescender) conf = Times(conf, 90);
  if (v.ctx.IsTall) conf = Times(conf, 95);
  // A foot reaching further left than the shoulder: an early, cautious "m"
  // that stands even if the top edge below fails.
  if (c.gL(7 * H / 8) < c.gap(1, H / 4, dirRight)) v.propose(u'm', Times(conf, 90));

  const auto topConf = TopEdgePenaltyM(v, s, conf);
  if (!topConf) return;
  conf = *topConf;
  if (v.glyph.MarksAbove >= 1) conf = Times(conf, 99);
  v.propose(u'm', conf);
}

// ---------------------------------------------------------------- "M"

bool HasEnoughStrokesM(const Probes& c, int32_t H) {
  if (c.nRow(H / 2) < 3 && c.nRow(H / 4) < 3 && c.nRow(5 * H / 8) < 3 && c.nRow(3 * H / 4) < 3)
    return false;
  if (c.nRow(H / 4) < 2 && c.nRow(H / 8) < 2) return false;
  return c.nRow(3 * H / 4) >= 2;
}

// Both sides of an "M" are equally straight: their edges wander by about the
// same amount between a sixth and five sixths of the height.
bool HasEquallyStraightSides(const Probes& c, int32_t W, int32_t H) {
  int32_t sL = 0, sR = 0;
  for (int32_t y = H / 6 + 1; y <= 5 * H / 6; ++y) {
    sL += std::abs(c.gL(y) - c.gL(y - 1));
    sR += std::abs(c.gR(y) - c.gR(y - 1));
  }
  return std::abs(sL - sR) <= W / 4;
}

bool HasNarrowFeetAndFullWaist(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (c.inkRun(W - 1 - c.gR(H - 1), H - 1, dirLeft) > W / 2) return false;
  if (c.gL(7 * H / 16) + c.gR(7 * H / 16) > W / 2) return false;
  if (H > 8 && c.gB(W / 4) < H / 4 && c.gB(3 * W / 8) < H / 4 &&
      c.gL(H - 1 - H / 8) < c.gL(H - 1 - H / 16) - W / 32)
    return false;
  return true;
}

// Shapes with crossings that an "M" cannot have: a middle row crossing two
// strokes between richer rows, a bottom centre below a two-stroke row, and a
// top notch and bottom notch that lean the same way.
bool HasConsistentMiddleM(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (c.nRow(H / 2) == 2 && c.nRow(H / 4) > 2 && c.nRow(3 * H / 4) > 2) return false;
  if (c.nRow(3 * H / 4) == 2 && c.runs(W / 2, 3 * H / 4, W / 2, H - 1) > 0) return false;
  if (c.gT(W / 2) < c.gT(3 * W / 4) && c.gB(3 * W / 4) < c.gB(W / 2)) return false;
  if (c.gap(W / 2, H / 8, dirDown) < c.gap(3 * W / 4, H / 8, dirDown) &&
      c.gap(3 * W / 4, H - 1 - H / 8, dirUp) < c.gap(W / 2, H - 1 - H / 8, dirUp))
    return false;
  return true;
}

// Below a middle row crossing three strokes, the first row crossing fewer
// must exist; where it crosses two, the paper left of the right stem on the
// row above must not open far upwards.
bool HasClosedLowerMiddle(const Probes& c, int32_t W, int32_t H) {
  if (c.nRow(H / 2) != 3) return true;
  const auto fewer = FirstIn(H / 2 + 1, H, [&](int32_t y) { return c.nRow(y) < 3; });
  if (!fewer) return false;
  int32_t y = *fewer;
  if (c.nRow(y) != 2) return true;
  y = y - 1;
  const int32_t a = c.gR(y);
  const int32_t b = c.inkRun(W - 1 - a, y, dirLeft);
  const int32_t g2 = c.gap(W - 1 - a - b, y, dirLeft);
  return c.gap(W - a - b - g2, y, dirUp) <= H / 4;
}

struct TNotchM {
  int32_t xv = 0;  // column where the top gap is deepest
  int32_t k = 0;   // depth reached
};

// Follows the gap from the top rightwards from the middle while it deepens.
TNotchM FindNotchM(const Probes& c, int32_t W) {
  TNotchM n{W / 2, 0};
  for (int32_t x = W / 2; x < W - W / 4; ++x) {
    const int32_t t = c.gT(x);
    if (t <= n.k) break;
    n.xv = x;
    n.k = t;
  }
  return n;
}

// With four crossings at a quarter and at three quarters of the height, the
// inner strokes must converge downwards.
bool InnerStrokesConverge(const Probes& c, int32_t W, int32_t H) {
  if (c.nRow(H / 4) != 4 || c.nRow(3 * H / 4) != 4) return true;
  struct TStarts {
    int32_t second, afterSecond, third;
  };
  const auto along = [&](int32_t y) {
    const int32_t end1 = c.gL(y) + c.firstRun(y);
    const int32_t second = end1 + c.gap(end1, y, dirRight);
    const int32_t afterSecond = second + c.inkRun(second, y, dirRight);
    const int32_t third = afterSecond + c.gap(afterSecond, y, dirRight);
    return TStarts{second, afterSecond, third};
  };
  const TStarts t = along(H / 4);
  const TStarts b = along(3 * H / 4);
  return t.second < b.second && t.afterSecond < b.afterSecond && b.third < t.third;
}

// A waist where the middle strokes meet in a single run: costs confidence and
// needs ink right above it across the inner width.
std::optional<int32_t> WaistPenaltyM(const Probes& c, int32_t W, int32_t H, int32_t conf) {
  if (c.nRow(H / 4) > 2 || c.nRow(3 * H / 4) > 2 || W <= 8 || H <= 12) return conf;
  const auto y1 = FirstIn(5 * H / 16, 5 * H / 8, [&](int32_t y) { return c.nRow(y) == 1; });
  conf = Times(conf, 98);
  if (!y1) return conf;
  conf = Times(conf, 95);
  for (const int32_t y : {*y1 - 2, *y1 - 1})
    if (c.runs(W / 6 + 2, y, W - 3 - W / 6, y) == 0) return std::nullopt;
  return conf;
}

void TestCapitalM(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 4 || H <= 3 || 2 * H < W || v.holes.Count > 1) return;

  if (!HasEnoughStrokesM(c, H)) return;
  if (!HasEquallyStraightSides(c, W, H)) return;
  if (!HasNarrowFeetAndFullWaist(v)) return;
  if (!HasConsistentMiddleM(v)) return;
  if (!HasClosedLowerMiddle(c, W, H)) return;

  const TNotchM notch = FindNotchM(c, W);
  int32_t a = 100;
  if (notch.k < H / 4) {
    if (!v.ctx.IsTall) return;
    a = 99;
  }
  if (v.holes.Count != 0) return;
  if (7 * (c.firstRun(3 * H / 4) + 1) < W && (c.runs(notch.xv, notch.k, W - 1, notch.k) != 2 ||
                                              c.runs(0, notch.k, notch.xv, notch.k) != 2))
    return;
  if (c.nRow(0) != 2 && c.nRow(1) != 2 && c.nRow(2) != 2) return;
  if (!InnerStrokesConverge(c, W, H)) return;
  if (c.nRow(H / 2) == 2 && c.nRow(H / 4) == 2 && !v.ctx.IsTall) return;

  int32_t conf = a;
  if (H <= 16 && c.nRow(0) < 2) conf = Times(conf, 99);
  if (c.nRow(1) <= 1) conf = Times(conf, 96);
  if (c.runs(W / 2, 0, W / 2, H - 1) != 1) conf = Times(conf, 98);
  const auto waistConf = WaistPenaltyM(c, W, H, conf);
  if (!waistConf) return;
  conf = *waistConf;
  if (c.gT(3 * W / 8) > H / 2 && c.gB(5 * W / 8) > H / 2) conf = Times(conf, 95);
  if (!v.ctx.IsTall) {
    if (c.gL(H / 4) < c.gL(H - 1 - H / 8) - W / 16) return;
    conf = Times(conf, 98);
  }
  if (v.ctx.HasDescender) conf = Times(conf, 94);
  v.propose(u'M', conf);
}

// ---------------------------------------------------------------- "n"

bool PassesPreconditionsSmallN(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 2 || H <= 3 || v.holes.Count > 1) return false;
  const int32_t quarter = c.nRow(H / 4);
  if (quarter != 2 && quarter != 3 && c.nRow(H / 2) != 2) return false;
  if (c.gT(W / 2) > H / 8 && v.ctx.IsTall) return false;
  const int32_t y = 7 * H / 8;
  return c.runs(0, y, W / 2, y) == 1 || c.runs(0, y - 1, W / 2, y - 1) == 1 ||
         c.runs(W / 2, y, W - 1, y) > 0;
}

struct TStemsN {
  int32_t s1 = 0;  // end of the left stem
  int32_t s2 = 0;  // start of the right stem
};

std::optional<TStemsN> FindStemsN(const TLetterView& v) {
  const int32_t W = v.W;
  const TMiddleRow row{v.crop, v.H / 2, W};
  TStemsN s;
  s.s1 = v.crop.gL(row.y);
  if (s.s1 > W / 4) return std::nullopt;
  s.s1 += row.inkFrom(s.s1);
  if (s.s1 > W / 2) return std::nullopt;
  s.s2 = s.s1 + row.gapFrom(s.s1);
  if (s.s2 < W / 2 || s.s2 + row.inkFrom(s.s2) < 3 * W / 4) return std::nullopt;
  return s;
}

// The arch closes the counter near the top and the counter opens at the bottom.
bool HasArchN(const TLetterView& v, const TStemsN& s) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  int32_t G = c.runs(W / 2, 13 * H / 16, W - 1, 13 * H / 16) == 2 ? 3 * H / 8 : H / 4;
  if (G < 2 && G < H / 2) G = G + 1;
  if (AnyIn(s.s1, s.s2, [&](int32_t x) { return c.gT(x) >= G; })) return false;
  if (!AnyIn(s.s1, s.s2, [&](int32_t x) { return c.gB(x) > H / 4; })) return false;
  const auto belowHalf = [](int32_t l, int32_t k) { return l < k / 2; };
  return ArchHoldsItsThickness(c, (s.s1 + s.s2) / 2, s.s2, belowHalf);
}

// The right stem of an "n" stands free above its shoulder, and the arch
// passes over the first column left of the stem.
bool HasRightStemN(const Probes& c, int32_t W, int32_t H) {
  const int32_t a = c.gR(H / 2);
  if (a >= 6 && c.ink(W - 1 - a / 2, W - 1 - a / 2, 0, H / 2)) return false;
  const int32_t b = c.inkRun(W - 1 - a, H / 2, dirLeft);
  return c.ink(W - 1 - a - b, W - 1 - a - b, 0, H / 2);
}

// A mark detached above the right half (ink up to the line top) over top
// rows that cross more than two strokes: not a plain "n".
bool LooksLikeDottedPair(const TLetterView& v) {
  const TCharRecord& g = v.glyph;
  if (g.MarksAbove < 1 || g.LineTop < 1) return false;
  const int32_t tl = g.LineTop - g.Top;
  return v.raster.ink((v.W - 1) / 2, v.W - 1, tl, -1) && (v.crop.nRow(0) > 2 || v.crop.nRow(1) > 2);
}

// The right stem of a tall "n" does not recede at its foot, and the left
// column carries ink near the top or the bottom.
bool HasTallStemsN(const Probes& c, int32_t W, int32_t H) {
  const int32_t m = c.gR(H - 1) > W / 2 ? c.gR(H - 2) : c.gR(H - 1);
  if (m - c.gR(H - 1 - H / 4) > 1) return false;
  return c.inkAt(0, 1) || c.inkAt(0, 2) || c.inkAt(0, H - 2) || c.inkAt(0, H - 1);
}

bool HasStraightStemsN(const Probes& c, int32_t H) {
  return !AnyIn(H / 4 + 1, 3 * H / 4, [&](int32_t y) {
    return std::abs(c.gL(y) - c.gL(y - 1)) > 2 || std::abs(c.gR(y) - c.gR(y - 1)) > 2;
  });
}

void TestSmallN(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!PassesPreconditionsSmallN(v)) return;

  const int32_t t = c.gT(W - 1 - W / 4);
  if (t > H / 2) return;
  if (t >= 2 && c.ink(W - 1 - W / 4, W - 1, 0, t - 2)) return;
  if (c.nRow(3 * H / 4) == 1) return;
  if (c.nRow(H / 2) != 2 && c.nRow(H / 2 + 1) != 2) return;
  const auto stems = FindStemsN(v);
  if (!stems || !HasArchN(v, *stems)) return;
  if (!HasRightStemN(c, W, H)) return;
  if (c.paperAt(W / 2, H / 4) && c.paperAt(W / 2, H - 2) && c.ink(W / 2, W / 2, H / 4, H - 2))
    return;
  if (LooksLikeDottedPair(v)) return;

  int32_t conf = 100;
  if (H > 7 && c.gR(H - 1 - H / 2) + c.gL(H - 1 - H / 2) <
                   c.gR(H - 1 - H / 8) + c.gL(H - 1 - H / 8) - W / 8 - 1)
    conf = 90;
  if (H > 7 && W > 7 && c.gR(H / 2) == 0 && c.gR(H - 1 - H / 8) > W / 8) conf = Times(conf, 98);
  if (v.ctx.IsTall && !HasTallStemsN(c, W, H)) return;
  if (!HasStraightStemsN(c, H)) return;

  const TCharRecord& g = v.glyph;
  if (c.nRow(H / 4) >= 3) conf = Times(conf, 98);
  if (v.ctx.IsTall || 2 * g.Top < g.LineTop + g.LineMean) conf = Times(conf, 96);
  if (v.ctx.HasDescender) conf = Times(conf, 96);
  v.propose(u'n', conf);
}

// ---------------------------------------------------------------- "N"

// Where the diagonal leaves the left stem (x1, y1) and meets the right stem
// (x2, y2).
struct TDiagonalN {
  int32_t x1 = 0, y1 = 0;
  int32_t x2 = 0, y2 = 0;
};

// A middle row crossing the diagonal alone: the diagonal must fall from left
// to right through it.
std::optional<TDiagonalN> DiagonalThroughSingleRow(const Probes& c, int32_t W, int32_t yd) {
  TDiagonalN d{W / 2 - W / 8 - 1, yd - 1, W / 2 + W / 8 + 1, yd + 1};
  if (c.inkRun(d.x2, yd, dirUp) >= c.inkRun(d.x1, yd, dirUp)) return std::nullopt;
  if (c.inkRun(d.x1, yd, dirDown) >= c.inkRun(d.x2, yd, dirDown)) return std::nullopt;
  return d;
}

// The middle rows cross three strokes far more often than not: every
// three-stroke row adds two, every other row takes one off, and the running
// balance must stay positive.
bool MiddleRowsCrossThree(const Probes& c, int32_t H) {
  int32_t n = 0;
  for (int32_t y = 3 * H / 8; y < H - 1 - 3 * H / 8; ++y) {
    n = c.nRow(y) == 3 ? n + 2 : n - 1;
    if (n < 1) return false;
  }
  return true;
}

// The upper notch: the first row from the top whose first paper column after
// the left stem (or the one after it) is blank down to three quarters of the
// height.
std::optional<int32_t> UpperNotchN(const Probes& c, int32_t W, int32_t H, int32_t& x1) {
  int32_t y = 1;
  while (y < 5 * H / 8) {
    x1 = c.gL(y) + c.firstRun(y);
    if (x1 > 3 * W / 4) {
      y = H / 2;
      break;
    }
    if (c.blank(x1, x1, y, H - 1 - H / 4) || c.blank(x1 + 1, x1 + 1, y, H - 1 - H / 4)) break;
    ++y;
  }
  if (y >= 5 * H / 8) return std::nullopt;
  return y;
}

std::optional<TDiagonalN> DiagonalFromNotches(const Probes& c, int32_t W, int32_t H) {
  if (!MiddleRowsCrossThree(c, H)) return std::nullopt;
  TDiagonalN d;
  const auto y1 = UpperNotchN(c, W, H, d.x1);
  if (!y1) return std::nullopt;
  d.y1 = *y1;
  // The lower notch: the deepest paper reach downwards from just below the top.
  int32_t deepest = 0;
  d.x2 = W / 2;
  for (int32_t x = W / 2; x < W - W / 5; ++x) {
    const int32_t depth = c.gap(x, H / 8 + 1, dirDown, H - 1 - H / 8);
    if (depth > deepest) {
      deepest = depth;
      d.x2 = x;
    }
  }
  d.y2 = H / 8 + deepest;
  if (d.y2 < H / 4) return std::nullopt;
  return d;
}

// Lines from the two ends of the diagonal cross the strokes as an "N" does.
bool DiagonalEndsCrossN(const Probes& c, int32_t W, int32_t H, const TDiagonalN& d) {
  const int32_t yRight = d.x2 < d.y1 ? d.y1 - H / 8 : d.y1;
  if (c.runs(d.x1, d.y1, W - 1, yRight) != 2) return false;
  if (c.runs(0, d.y1, d.x1, d.y1) != 1 || c.runs(d.x2, d.y2, W - 1, d.y2) != 1) return false;
  return c.runs(0, d.y2, d.x2, d.y2) == 2 || c.runs(d.x1, d.y1, W - 1, d.y1) == 2;
}

// The gap right of the left stem widens downwards: a narrowing by more than
// W/16 + 1 costs one percent (at most twice), by more than W/8 + 1 it fails.
std::optional<int32_t> WideningGapConfN(const Probes& c, int32_t W, int32_t H,
                                        const TDiagonalN& d) {
  int32_t conf = 100;
  int32_t m = 0;
  for (int32_t y = std::max(d.y1, d.y2); y < H - 1 - H / 4; ++y) {
    const int32_t e = c.gap(c.gL(y) + c.firstRun(y), y, dirRight);
    if (e + W / 16 + 1 < m && conf > 98) conf = Times(conf, 99);
    if (e + W / 8 + 1 < m) return std::nullopt;
    m = std::max(m, e);
  }
  return conf;
}

void TestCapitalN(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 4 || H <= 3 || v.holes.Count > 1) return;
  if (c.nRow(0) != 2 && c.nRow(1) != 2) return;
  if (c.nRow(H - 1) != 2 && c.nRow(H - 2) != 2) return;

  if (c.gL(H / 2) + c.gR(H / 2) > W / 2) return;
  if (W > 3 && H > 7 && c.runs(0, H / 2 + H / 8, W - 1, H / 2 - H / 8) < 2) return;
  const auto yd = FirstIn(3 * H / 8, H - 1 - 3 * H / 8, [&](int32_t y) { return c.nRow(y) == 1; });
  const auto diagonal = yd ? DiagonalThroughSingleRow(c, W, *yd) : DiagonalFromNotches(c, W, H);
  if (!diagonal || !DiagonalEndsCrossN(c, W, H, *diagonal)) return;
  const auto widening = WideningGapConfN(c, W, H, *diagonal);
  if (!widening) return;
  int32_t conf = *widening;

  const int32_t a = c.gL(7 * H / 8);
  const int32_t b = c.firstRun(7 * H / 8);
  if (a + b + c.gap(a + b, 7 * H / 8, dirRight) < (W - c.gR(7 * H / 8)) * 5 / 8) return;
  if (!v.ctx.IsTall) {
    const int32_t quarter = c.gL(H / 4) + c.gR(H / 4);
    const int32_t threeQuarters = c.gL(3 * H / 4) + c.gR(3 * H / 4);
    if (std::abs(quarter - threeQuarters) > W / 32 + 1) return;
    conf = Times(conf, 99);
  }
  if (v.ctx.HasDescender) conf = Times(conf, 98);
  v.propose(u'N', conf);
}

}  // namespace

void RecogniseM(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestSmallM(v);
  TestCapitalM(v);
}

void RecogniseN(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestSmallN(v);
  TestCapitalN(v);
}

// Recognisers for the letters S, T and U.
//
//   "S"/"s"  one test: two bowls opening to opposite sides, one stroke across
//            the middle
//   "T", "t" a bar over a centred stem; a short crossbar on a stem that bends
//            right at the foot
//   "U"/"u"  one test: two sides joined at the bottom, open at the top
//
// Both tests of T always run.
#include <algorithm>
#include <cstdlib>

#include "classifier/letter_rules.h"

namespace {

// ---------------------------------------------------------------- "S"

// The middle of the paper right of the left stroke on row H/4 (the upper
// bowl), or nothing when the stroke is not in the left half.
std::optional<int32_t> UpperBowlS(const Probes& c, int32_t W, int32_t H) {
  const int32_t y = H / 4;
  const int32_t a = c.gL(y);
  if (a > 3 * W / 8) return std::nullopt;
  const int32_t b = c.inkRun(a, y, dirRight);
  if (a + b > W / 2) return std::nullopt;
  return a + b + c.gap(a + b, y, dirRight) / 2;
}

// The middle of the paper left of the right stroke on row 11H/16 (the lower
// bowl), or nothing when the stroke is not in the right half.
std::optional<int32_t> LowerBowlS(const Probes& c, int32_t W, int32_t H) {
  const int32_t y = 11 * H / 16;
  const int32_t r = c.gR(y);
  if (r > W / 4) return std::nullopt;
  const int32_t s = c.inkRun(W - 1 - r, y, dirLeft);
  if (r + s > W / 2) return std::nullopt;
  return W - 1 - (r + s + c.gap(W - 1 - r - s, y, dirLeft) / 2);
}

// The upper bowl has its stroke on the left all the way down to the middle
// and opens to the right somewhere; the opening at the lower left leads
// along the border into the lower bowl.
bool HasOpeningsS(const TLetterView& v, int32_t xa, int32_t xb) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!AllIn(H / 4, H / 2, [&](int32_t y) { return c.ink(0, xa, y, y); })) return false;
  if (!AnyIn(H / 4, H / 2, [&](int32_t y) { return c.gR(y) > W / 8; })) return false;
  int32_t ys = H / 2 + c.inkRun(0, H / 2, dirDown, H / 2);
  if (ys >= H) ys = H - 1;
  if (!TraceReaches(c.raster(), 0, ys, xb, 11 * H / 16, c.threshold())) return false;
  return !(v.holes.Count > 0 && v.holes.Items[0].Top > H / 4);
}

// The left edge of the upper bowl bulges out: its gap at a quarter of the
// height lies left of the mean of the gaps above and below it. Small glyphs
// with no bulge may show it on the inner edge instead.
bool HasBulgingUpperLeftS(const Probes& c, int32_t W, int32_t H) {
  const int32_t twice = 2 * c.gL(H / 4) + W / 32;
  const int32_t around = c.gL(H / 16) + c.gL(7 * H / 16);
  if (twice < around) return true;
  if (twice > around || W > 9) return false;
  const auto innerEdge = [&](int32_t y) { return c.gL(y) + c.firstRun(y); };
  return 2 * innerEdge(H / 4) + W / 32 < innerEdge(H / 16) + innerEdge(7 * H / 16);
}

// A spine that splits below the middle: a row of two strokes, the first at
// the left edge, over a row of one.
bool HasSplitSpineS(const Probes& c, int32_t W, int32_t H) {
  return AnyIn(7 * H / 16, 5 * H / 8, [&](int32_t y) {
    return c.nRow(y) == 2 && c.nRow(y + 1) == 1 && c.runs(0, y, W / 4, y) == 1;
  });
}

// A capital-height "S" must show its three strokes: the top stroke reaching
// the right half, the middle stroke clear of the left half below it, and
// on large glyphs one run from the upper left to the lower right.
int32_t TallStrokesPenaltyS(const Probes& c, int32_t W, int32_t H, int32_t conf) {
  const int32_t top = c.gT(W / 2);
  const int32_t y1 = top + c.inkRun(W / 2, top, dirDown) + H / 32;
  if (!c.ink(W / 2, W - 1, y1, y1)) conf = Times(conf, 90);
  int32_t y2 = y1 + c.gap(W / 2, y1, dirDown);
  y2 = y2 + c.inkRun(W / 2, y2, dirDown) + H / 32;
  if (c.ink(0, W / 2, y2, y2)) conf = Times(conf, 95);
  if (H > 29 && W > 15 && c.inkAt(W / 4, 3 * H / 10) && c.inkAt(W - 2, 3 * H / 4) &&
      c.runs(W / 4, 3 * H / 10, W - 2, 3 * H / 4) != 1)
    conf = Times(conf, 90);
  return conf;
}

void TestS(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (W <= 2 || H <= 4 || v.holes.Count > 1) return;
  if (c.nCol(W / 2) != 3 && c.runs(5 * W / 8, 0, 3 * W / 8, H - 1) != 3) return;
  if (c.nRow(H / 2) != 1 && c.nRow(H / 2 - 1) != 1) return;
  const auto xa = UpperBowlS(c, W, H);
  if (!xa) return;
  const auto xb = LowerBowlS(c, W, H);
  if (!xb) return;
  if (!HasOpeningsS(v, *xa, *xb)) return;
  if (!HasBulgingUpperLeftS(c, W, H)) return;
  if (HasSplitSpineS(c, W, H)) return;
  if (c.gL(H / 32 + 1) + W / 4 < c.gR(H - 2 - H / 32)) return;

  int32_t conf = v.ctx.HasDescender ? 98 : 100;
  if (v.ctx.IsTall) conf = TallStrokesPenaltyS(c, W, H, conf);
  ProposeByLinePosition(v, u'S', u's', conf);
}

// ---------------------------------------------------------------- "T"

// A full bar near the top (in the raster) and ink across the middle row and
// in the top-left corner; the lower sides stay empty.
bool HasBarAndClearSidesT(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!AnyIn(0, H / 6, [&](int32_t y) { return v.raster.allInk(W / 4, W - 1 - W / 8, y); }))
    return false;
  if (!c.ink(0, W - 1, H / 2, H / 2) || !c.ink(0, W / 3, 0, H / 8)) return false;
  return !c.ink(0, W / 8, H / 2, H - 1 - H / 8) && !c.ink(0, 3 * W / 16, H / 2, H - 1 - H / 4) &&
         !c.ink(W - 1 - W / 4, W - 1, H / 2, H - 1 - H / 4);
}

// The stem is less than half as wide as the bar in the upper part and less
// than three quarters of it below.
bool HasNarrowStemT(const Probes& c, int32_t W, int32_t H, int32_t D) {
  const auto stemFrom = [&](int32_t y) { return W / 4 + c.gap(W / 4, y, dirRight); };
  for (int32_t y = H / 4; y < 3 * H / 4; ++y) {
    const int32_t x = stemFrom(y);
    if (x == 3 * W / 16) return false;
    if (2 * c.inkRun(x, y, dirRight) > D) return false;
  }
  for (int32_t y = 3 * H / 4; y < H; ++y) {
    const int32_t x = stemFrom(y);
    if (4 * c.inkRun(x, y, dirRight) > 3 * D) return false;
  }
  return true;
}

// The stem ends before three quarters of the width on row H/4 and stands
// alone at the bottom and at two thirds of the height.
bool HasCentredStemT(const Probes& c, int32_t W, int32_t H) {
  int32_t x = W / 2 + c.gap(W / 2, H / 4, dirRight);
  if (x > 3 * W / 4) return false;
  x = x + c.inkRun(x, H / 4, dirRight);
  if (x > 3 * W / 4) return false;
  if (c.nRow(H - 1) != 1 && c.nRow(H - 2) != 1) return false;
  return c.runs(0, 2 * H / 3, W - 1, 2 * H / 3) == 1;
}

void TestCapitalT(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  const TCharRecord& g = v.glyph;
  if (W <= 2 || H <= 3 || v.holes.Count > 1) return;
  if (!HasBarAndClearSidesT(v)) return;
  int32_t D = 0;
  for (int32_t y = 0; y < H / 4; ++y) D = std::max(D, c.firstRun(y));
  if (D <= W / 2) return;
  if (!HasNarrowStemT(c, W, H, D)) return;
  if (!HasCentredStemT(c, W, H)) return;
  // A glyph reaching well below the baseline must start with ink at its top left.
  if (g.LineBase > 0 && g.LineBase + g.LineBottom < 2 * g.Bottom && c.gT(0, H / 4) >= H / 4) return;

  int32_t conf = v.ctx.HasDescender ? 95 : 100;
  if (c.gL(H - 1) <= W / 8) conf = Times(conf, 99);
  if (c.firstRun(H / 2) >= c.gL(H / 2)) conf = Times(conf, 95);
  v.propose(u'T', conf);
}

// ---------------------------------------------------------------- "t"

struct TCrossbarT {
  int32_t D = 0;   // widest first run: the crossbar
  int32_t yb = 0;  // its row
};

// The crossbar between a fifth and half the height: the widest first run,
// on rows that cross one stroke (or whose next row does, on larger glyphs).
std::optional<TCrossbarT> FindCrossbarT(const Probes& c, int32_t W, int32_t H) {
  TCrossbarT bar{0, H / 32 + 3 * H / 16};
  for (int32_t y = std::max(H / 32 + 3 * H / 16, 1); y < H / 2; ++y) {
    if (y > H / 4 && c.gL(y) > W / 2) return std::nullopt;
    const int32_t run = c.firstRun(y);
    if (run > bar.D) {
      bar.D = run;
      bar.yb = y;
    }
    if (c.nRow(y) != 1 && (c.nRow(y + 1) != 1 || H < 13)) return std::nullopt;
  }
  return bar;
}

// A wide crossbar high on a large glyph whose right part rises as high as
// its left part, over a left column with ink rising from mid-height: not a
// "t".
bool HasFlatTopRightT(const Probes& c, int32_t W, int32_t H, const TCrossbarT& bar) {
  if (H <= 12 || bar.D <= 4 || bar.D <= W / 2 || bar.yb > (H + 4) / 8) return false;
  return c.inkRun(W - 1 - bar.D / 4, bar.yb, dirUp) + 1 >=
             c.inkRun(W - 1 - 3 * bar.D / 4, bar.yb, dirUp) &&
         c.inkRun(0, H / 2, dirUp) > W / 8;
}

// Above the crossbar: a single stroke that does not step out to the right,
// with the crossbar sticking out to the right of it.
bool HasSlimTopT(const Probes& c, int32_t H, const TCrossbarT& bar) {
  for (int32_t y = 0; y < H / 4; ++y) {
    if (c.nRow(y) == 2 && c.nRow(y + 1) == 2) return false;
    if (y >= 1 && c.gR(y) - c.gR(y - 1) > 1) return false;
  }
  if (H / 8 <= bar.yb && !AnyIn(H / 8, bar.yb, [&](int32_t y) { return c.gR(y) > c.gR(bar.yb); }))
    return false;
  return true;
}

// No ink edge faces down above the crossbar (two paper pixels side by side
// right under two ink pixels).
bool HasEdgeFacingDownAboveBar(const Probes& c, int32_t W, int32_t yb) {
  for (int32_t y = 1; y < yb; ++y)
    for (int32_t x = 0; x < W - 2; ++x)
      if (c.paperAt(x, y) && c.paperAt(x + 1, y) && c.inkAt(x, y - 1) && c.inkAt(x + 1, y - 1))
        return true;
  return false;
}

// Stem shapes the earlier checks let through that a "t" cannot have: a
// crossbar sticking out past neither the stem below nor the top above, a
// downward edge above the bar, two feet, a top bending the wrong way, a hook
// at the top right of a narrow glyph, and a closed loop low in a two-stroke
// lower part.
bool LooksLikeOtherStemT(const TLetterView& v, const TCrossbarT& bar) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (c.gR(bar.yb) >= c.gR(H / 2) - W / 8 && c.gR(bar.yb) - W / 8 >= c.gR(bar.yb / 2)) return true;
  if (HasEdgeFacingDownAboveBar(c, W, bar.yb)) return true;
  if (c.nRow(H - 2) == 2 && c.nRow(H - 1) == 2) return true;
  if (H > 15 && c.gL(3 * H / 4) >= c.gL(H - 2) && c.gR(H - 2) >= c.gR(3 * H / 4) &&
      c.gR(1) < c.gR(3 * H / 16) && (c.gL(3 * H / 16) < c.gL(1) || c.gR(0) == 0 || c.gR(1) == 0))
    return true;
  if (W < 8 && H > 12) {
    const int32_t j = c.gR(3 * H / 16);
    if (j > 0 && c.gT(W - j) < 3 * H / 16 && c.gL(3 * H / 4) + 1 >= c.gL(H - 2) &&
        c.gR(H - 2) >= c.gR(3 * H / 4))
      return true;
  }
  return W > 7 && c.nRow(2 * H / 3) > 1 && c.runs(0, 2 * H / 3, W / 2, 2 * H / 3) > 0 &&
         c.runs(W / 2, 2 * H / 3, W - 1, 2 * H / 3) > 0 && v.holes.Count > 0 &&
         v.holes.Items[0].Top > H / 4;
}

// The foot: where the lower part crosses two strokes, the centre must reach
// close to the bottom. A right edge that recedes from the top to the middle
// over an empty column costs.
std::optional<int32_t> FootPenaltyT(const Probes& c, int32_t W, int32_t H, int32_t conf) {
  if (c.nRow(3 * H / 4) > 1 && c.nRow(3 * H / 4 - 1) > 1) {
    if (c.gB(W / 2) > H / 4 || c.gB(W / 2 + 1) > H / 4) return std::nullopt;
    conf = Times(conf, 99);
  }
  const int32_t j = c.gR(H / 2);
  if (j < c.gR(H / 8) && c.gT(W - j) >= H / 2) conf = Times(conf, 90);
  return conf;
}

void TestSmallT(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  const TCharRecord& g = v.glyph;
  if (W <= 2 || H < g.LineBase - g.LineMean - 1 || v.holes.Count > 1) return;
  const int32_t base = g.LineBase - g.LineMean + 1 < H ? 100 : 96;
  const auto crossbar = FindCrossbarT(c, W, H);
  if (!crossbar) return;
  const TCrossbarT& bar = *crossbar;
  if (HasFlatTopRightT(c, W, H, bar)) return;

  int32_t conf = bar.D < W / 2 ? Times(base, 95) : base;
  if (bar.D >= W && 9 * W >= 8 * H) conf = Times(conf, 99);
  if (!HasSlimTopT(c, H, bar)) return;
  if (2 * bar.D < 3 * c.firstRun(H / 2)) return;
  if (LooksLikeOtherStemT(v, bar)) return;
  const auto footConf = FootPenaltyT(c, W, H, conf);
  if (!footConf) return;
  conf = *footConf;
  if (c.gL(H / 4) - std::min(c.gL(0), c.gL(1)) > 1) return;

  if (!v.ctx.IsTall) conf = Times(conf, 98);
  if (g.Top >= g.LineMean - (g.LineMean - g.LineTop) / 4) conf = Times(conf, 98);
  if (g.Top >= g.LineMean) conf = Times(conf, 98);
  if (v.holes.Count > 0) conf = Times(conf, 95);
  if (v.ctx.HasDescender) conf = Times(conf, 98);
  if (g.MarksAbove >= 1) conf = Times(conf, 90);
  v.propose(u't', conf);
}

// ---------------------------------------------------------------- "U"

// The opening at the top: the deepest gap from the top between three eighths
// and three quarters of the width, with ink on both sides one row above its
// bottom.
bool HasTopOpeningU(const Probes& c, int32_t W, int32_t H) {
  int32_t u = 0;
  int32_t x = 3 * W / 8;
  for (; x < W - W / 4; ++x) {
    const int32_t depth = c.gT(x);
    u = std::max(u, depth);
    if (depth < u && u > 1) break;
  }
  if (u < H / 4) return false;
  u = u - 1;
  return c.ink(0, x - 1, u, u) && c.ink(x - 1, W - 1, u, u);
}

// Rows of the upper half cross one or two strokes in the left half and one
// in the right; rows of the lower half one stroke left of the centre. Each
// stray row uses up one of H/8 + 2 allowances.
std::optional<int32_t> SidesConfU(const Probes& c, int32_t W, int32_t H) {
  int32_t n = H / 8 + 2;
  int32_t conf = 100;
  for (int32_t y = H / 8; y < H - (H + 2) / 4 && n > 0; ++y) {
    const int32_t xr = y > H / 2 ? W / 2 - W / 8 : W / 2;
    const int32_t w = c.runs(0, y, xr, y);
    if (y < H / 2) {
      if (c.runs(W / 2, y, W - 1, y) > 1) n = n - 1;
      if (w < 1 || w > 2) {
        n = n - 1;
        conf = Times(conf, 90);
      }
    }
    if (y > H / 2 && w != 1) {
      n = n - 1;
      conf = Times(conf, 95);
    }
  }
  if (n == 0) return std::nullopt;
  return conf;
}

// The right side of the upper half is a single stroke: each other row uses
// up one of H/16 + 1 allowances.
bool HasSingleRightSideU(const Probes& c, int32_t W, int32_t H) {
  int32_t a = H / 16 + 1;
  for (int32_t y = H / 8; y < H - H / 4 && a > 0; ++y)
    if (y < H / 2 && c.runs(W - W / 2, y, W - 1, y) != 1) a = a - 1;
  return a != 0;
}

// In the raster: the top of the middle columns is open, their middle third
// mostly empty, and every one of them reaches the bottom stroke.
std::optional<int32_t> MiddleColumnsConfU(const TLetterView& v, int32_t conf) {
  const Probes& r = v.raster;
  const int32_t W = v.W, H = v.H;
  const int32_t x0 = W / 3, x1 = W - 1 - W / 3;
  if (AllIn(x0, x1 + 1, [&](int32_t x) { return r.ink(x, x, 0, H / 3); })) return std::nullopt;
  int32_t k = W / 4 + 1;
  for (int32_t x = x0; x <= x1 && k > 0; ++x)
    if (r.ink(x, x, H / 3, H - 1 - H / 3)) k = k - 1;
  if (k == 0) return std::nullopt;
  for (int32_t x = x0; x <= x1; ++x) {
    if (r.blank(x, x, H - 1 - H / 2, H - 1)) return std::nullopt;
    if (r.blank(x, x, H - 1 - H / 3, H - 1)) conf = Times(conf, 98);
  }
  return conf;
}

// Outlines that are not a "U": an upper left with two strokes over a lower
// right with one, a foot stepping out on the left, a top right corner cut
// away, a tall glyph standing on a full-width bar with indented sides, and a
// bottom that narrows to a point from both sides.
bool HasFaultyOutlineU(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (c.runs(0, H / 4, W / 2, H / 4) == 2 && c.runs(W - W / 2, H - H / 4, W - 1, H - H / 4) == 1)
    return true;
  if (c.gL(H - 1 - H / 16) < c.gL(H - 1 - H / 8)) return true;
  if (H > 15 && c.gR(H / 8) + W / 32 + 1 < c.gR(H / 16)) return true;
  if (v.ctx.IsTall && H > 7 && c.inkRun(0, H - 1, dirRight) == W && c.gR(3 * H / 4) > W / 16 &&
      c.gL(3 * H / 4) > W / 16 && c.gR(H / 2) > W / 16 && c.gL(H / 2) > W / 16)
    return true;
  const int32_t e = c.gL(H - 2 - H / 8), f = c.gR(H - 2 - H / 8);
  return e > W / 4 && f > W / 4 && e + f >= W / 2;
}

void TestU(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  // 1.5 H >= W, exactly.
  if (W <= 2 || H <= 3 || 3 * H < 2 * W || v.holes.Count > 1) return;
  if (!AllIn(H / 8, H - 1 - H / 4, [&](int32_t y) { return v.raster.nRow(y) >= 2; })) return;
  if (!c.ink(W / 2, W / 2, H / 2, H - 1) || !c.ink(W / 2, W - 1, H / 2, H / 2)) return;
  if (!HasTopOpeningU(c, W, H)) return;
  const auto sidesConf = SidesConfU(c, W, H);
  if (!sidesConf) return;
  if (!HasSingleRightSideU(c, W, H)) return;
  const auto columnsConf = MiddleColumnsConfU(v, *sidesConf);
  if (!columnsConf) return;
  int32_t conf = *columnsConf;
  if (HasFaultyOutlineU(v)) return;

  if (c.gL(H - 2 - H / 8) + c.gR(H - 2 - H / 8) >= W / 2) conf = Times(conf, 97);
  if (c.nRow(H / 2) != 2) conf = Times(conf, 96);
  if (c.gB(W / 2) > 0) conf = Times(conf, 98);
  if (v.glyph.MarksAbove > 0) conf = Times(conf, 99);
  if (v.ctx.HasDescender) conf = Times(conf, 98);
  ProposeByLinePosition(v, u'U', u'u', conf);
}

}  // namespace

void RecogniseS(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestS(v);
}

void RecogniseT(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestCapitalT(v);
  TestSmallT(v);
}

void RecogniseU(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  TestU(v);
}

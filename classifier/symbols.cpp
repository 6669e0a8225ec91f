// Symbols that are neither letters, digits nor brackets: sharp s, "+", "$",
// "&", "?", "!", "*", "@", section sign, "#", the euro-shaped code 0x80 and
// "%". Several of them are made of more than one ink component or reach
// outside their box, so these tests lean on probes of the working raster
// (neighbours included) and on hole counts more than the letter tests do.
// Fourteen independent tests; each proposes its character at most once.
#include <algorithm>

#include "classifier/letters.h"

namespace {

// The letter view with the row scans the dotted symbols need.
struct SymbolGlyph : TLetterView {
  using TLetterView::TLetterView;

  int32_t holeCount() const { return holes.Count; }
  // Row y of the box holds ink on the raster.
  bool rowInk(int32_t y) const { return raster.ink(0, W - 1, y, y); }
  // The lowest box-relative row from `from` up to `to` whose box columns hold
  // ink on the raster, or `none`.
  int32_t lowestInkRow(int32_t from, int32_t to, int32_t none) const {
    for (int32_t y = from; y >= to; --y) {
      if (rowInk(y)) return y;
    }
    return none;
  }
  // The first row above the bottom row that is blank on the raster, or -1.
  int32_t firstBlankRow() const {
    for (int32_t y = 0; y < H - 1; ++y) {
      if (!rowInk(y)) return y;
    }
    return -1;
  }
};

void SharpS(const SymbolGlyph& s) {
  const Probes &c = s.crop, &o = s.raster;
  const int32_t W = s.W, H = s.H;
  if (!(s.ctx.IsTall && W > 3 && H > 6 && s.holeCount() <= 2)) return;
  if (!(o.nRow(c.rH(4)) == 2 || o.nRow(c.rH(4) + 1) == 2)) return;

  // The two bowls: two runs per row, ink near both sides, a few misses allowed.
  int32_t budget = H / 16 + 1;
  for (int32_t y = H / 8; y < H - 1 - H / 4 && budget >= 1; ++y) {
    if (y >= H - 1 - 6 * H / 16) {
      if (o.nRow(y) < 2) --budget;
    } else if (o.nRow(y) != 2) {
      --budget;
    }
    if (o.blank(0, c.rW(2), y, y)) --budget;
    if (y < H - 1 - 5 * H / 16 && o.blank(W - 1 - c.rW(2), W - 1, y, y)) --budget;
  }
  if (budget <= 0) return;

  bool waist = false;  // the right-hand waist between the two bowls
  for (int32_t y = H / 3; y < H - 1 - H / 3 && !waist; ++y) {
    const int32_t gr = o.gR(y);
    waist = gr >= W / 8 || gr + o.inkRun(W - 1 - gr, y, dirLeft) >= W / 2;
  }
  if (!waist) return;

  bool upperRight = false, lowerRight = false;
  for (int32_t y = H / 5; y < H / 3 && !upperRight; ++y)
    upperRight = o.ink(W - 1 - W / 6, W - 1, y, y);
  for (int32_t y = H / 2; y < H - 1 && !lowerRight; ++y)
    lowerRight = o.ink(W - 1 - W / 6, W - 1, y, y);
  if (!upperRight || !lowerRight) return;

  for (int32_t y = H - 1 - H / 3; y < H - 1 - H / 8; ++y) {
    if (o.gR(y) > W / 4 && o.ink(W - 1 - W / 8, W - 1 - W / 8, y, H - 1)) return;
  }
  const TCharRecord& g = s.glyph;
  const bool reachesDescender = g.LineBase != 0 && 2 * g.Bottom >= g.LineBase + g.LineBottom;
  if (!(reachesDescender || o.gR(H - 1) != 0 || o.gR(H - 1 - H / 4) <= W / 8)) return;

  bool threeCrossings = false;
  for (int32_t x = W / 4; x < W - 1 - W / 4 && !threeCrossings; ++x)
    threeCrossings = o.nCol(x) == 3;
  if (!threeCrossings) return;

  bool notch = false;
  for (int32_t x = W / 5; x < W / 2 && !notch; ++x) notch = c.gB(x) > c.gB(W / 2) + H / 64;
  if (!notch) return;

  for (int32_t x = c.gL(H / 4); x < W - 1 - W / 3; ++x) {  // the top arch
    if (!o.ink(x, x, 0, H / 4)) return;
  }
  if (s.ctx.HasDescender || s.holeCount() == 0) s.propose(u'\u00DF', 98);
}

void Plus(const SymbolGlyph& s) {
  const Probes& o = s.raster;
  const int32_t W = s.W, H = s.H;
  if (!(W >= 5 && H > 4 && s.holeCount() <= 1)) return;
  const int32_t cw = (W + 1) / 3 - 1, ch = (H + 1) / 3 - 1, cq = (W + 1) / 4;
  if (o.ink(0, cw, 0, ch) || o.ink(0, cw, H - 1 - ch, H - 1) || o.ink(W - 1 - cq, W - 1, 0, ch) ||
      o.ink(W - 1 - cw, W - 1, H - 1 - ch, H - 1)) {
    return;
  }
  for (int32_t y = ch; y <= H - 1 - ch; ++y) {
    if (o.allInk(W / 9, W - 1 - W / 9, y)) return s.propose(u'+', 100);  // a full bar
  }
}

void Dollar(const SymbolGlyph& s) {
  const Probes& o = s.raster;
  const int32_t W = s.W, H = s.H;
  if (!(W > 3 && H > 5 && s.holeCount() == 2)) return;
  if (o.ink(0, W / 5, 0, H / 18) || o.ink(0, W / 9, H - 1 - H / 23, H - 1) ||
      o.ink(W - 1 - W / 9, W - 1, 0, H / 18) ||
      o.ink(W - 1 - W / 5, W - 1, H - 1 - H / 23, H - 1)) {
    return;
  }
  if (!o.ink(0, W / 3, H / 3, H / 2) ||
      !o.ink(W - 1 - W / 3, W - 1, H - 1 - H / 2, H - 1 - H / 3)) {
    return;
  }
  const int32_t top = o.gL(0);
  if (!(W / 3 <= top && top <= W - 1 - W / 5)) return;
  const int32_t bot = o.gL(H - 1);
  if (!(bot >= W / 5 && top >= bot)) return;
  for (int32_t y = 0; y <= H - 1; ++y) {  // the vertical stroke
    if (!o.ink(bot, top + 2, y, y)) return;
  }
  s.propose(u'$', 100);
}

void AmpersandLooped(const SymbolGlyph& s) {
  const Probes &c = s.crop, &o = s.raster;
  const int32_t W = s.W, H = s.H;
  if (!(W >= 5 && H > 6 && s.holeCount() <= 3)) return;
  if (o.ink(W - 1 - W / 9, W - 1, 0, H / 4) || c.gT(W / 2) > H / 2) return;
  if (!(c.gL(H / 8) <= W / 2 && c.gL(H - H / 4) <= W / 2)) return;
  const int32_t lt = std::min(c.gL(H / 8), c.gL(H / 4));
  const int32_t lb = std::min(c.gL(H - H / 4), c.gL(H - H / 4 - 1));
  if (lt < lb) return;
  int32_t lm = 0;  // the waist between the upper and the lower loop
  for (int32_t y = H / 4; y <= H / 2 + 1; ++y) lm = std::max(lm, c.gL(y));
  if (!(2 * lm > lt + lb && s.holeCount() == 2 && s.holesIn(0, W - 1 - W / 4, 0, H - 1) == 2 &&
        c.runs(W - 1, H / 4, W - 1, H - 1) > 0)) {
    return;
  }
  bool tail = false;
  for (int32_t x = W - 1; x >= W / 2 && !tail; --x) tail = c.runs(x, H / 4, x, H - 1) > 1;
  if (!tail) return;
  int32_t conf = 100;
  if (c.nRow(H - 1 - H / 4) > 3) {
    if (H > 15) return;
    conf = Times(conf, 96);
  }
  // Walking left from the right edge, the top gap must grow before the middle.
  // At the right edge the neighbour column lies outside the box and reads 0.
  bool grows = false;
  for (int32_t x = W - 1; x > W / 2 && !grows; --x) grows = c.gT(x) > c.gT(x + 1);
  if (!grows) return;
  int32_t ls = 0, rs = 0;
  for (int32_t y = 0; y < H / 4; ++y) {
    ls += c.gL(y);
    rs += c.gR(y);
  }
  if (3 * ls > 2 * rs) conf = Times(conf, 95);
  if (c.ink(W - W / 8, W - 1, H - H / 8, H - 1)) {
    if (!s.ctx.IsTall) conf = Times(conf, 98);
    s.propose(u'&', conf);
  }
}

void AmpersandOpen(const SymbolGlyph& s) {
  const Probes& c = s.crop;
  const int32_t W = s.W, H = s.H;
  if (!(W >= 8 && H > 7 && s.holeCount() <= 2)) return;
  if (!(c.nRow(H / 4) == 3 && c.nRow(H / 2) == 4 && c.runs(W / 2, H / 2, W - 1, H / 2) == 2 &&
        c.nRow(3 * H / 4) == 2 && c.nRow(H - 1) == 1 && c.nCol(0) == 1 && c.nCol(W / 3) == 4)) {
    return;
  }
  if (c.runs(13 * W / 16, 0, 13 * W / 16, H / 8) != 0) return;
  for (int32_t x : {W / 2, 3 * W / 8, 5 * W / 8}) {
    if (c.runs(x, H - H / 4, x, H - 1) != 1) return;
  }
  if (s.holesIn(0, (W - 1) / 2, 0, H - 1) == 1 &&
      s.holesIn(W / 8, W - 1 - W / 4, 0, H - 1 - H / 4) == 1) {
    s.propose(u'&', 100);
  }
}

void Question(const SymbolGlyph& s) {
  const Probes& o = s.raster;
  const TCharRecord& g = s.glyph;
  const int32_t W = s.W, H = s.H;
  if (!(W > 3 && H > 5 && s.holeCount() <= 1)) return;
  const int32_t blankRow = s.firstBlankRow();
  const bool noBlankRow = blankRow < 0;
  if (!noBlankRow && 2 * blankRow < H - 1) return;  // the hook reaches at least the middle
  int32_t dotEnd = H - 1;
  if (noBlankRow && g.LineBottom > 0) {
    // The dot is a separate component under the box, down to the line's bottom.
    if (!o.ink(1, W - 2, H, g.LineBottom - g.Top)) return;
    dotEnd = s.lowestInkRow(g.LineBottom - g.Top, H, H - 1);
  }
  if (!(o.runs(0, 0, W - 1, H / 2) > 1 && s.holeCount() == 0)) return;
  int32_t u = H / 2;
  while (u <= dotEnd && s.rowInk(u)) ++u;
  if (u == dotEnd) return;
  while (u <= dotEnd && !s.rowInk(u)) ++u;  // never past dotEnd + 1
  if (s.rowInk(u) && o.blank(7 * W / 8, W - 1, u, dotEnd)) s.propose(u'?', 100);
}

void Exclamation(const SymbolGlyph& s) {
  const Probes &c = s.crop, &o = s.raster;
  const TCharRecord& g = s.glyph;
  const int32_t W = s.W, H = s.H;
  if (!(H > 4 && 2 * W < H && s.holeCount() <= 1 && o.nRow(0) == 1 && o.nRow(H / 2) == 1)) return;
  const int32_t blankRow = s.firstBlankRow();
  const bool noBlankRow = blankRow < 0;
  if (!noBlankRow && 2 * blankRow < H - 1) return;
  int32_t conf = 100;
  int32_t dotEnd = H - 1;
  if (noBlankRow) {
    if (g.LineBase - H / 8 < g.Bottom) conf = Times(conf, 97);
    const bool inkBelow =
        W > 2 ? o.ink(1, W - 2, H, g.LineBottom - g.Top) : o.ink(0, W - 1, H, g.LineBottom - g.Top);
    if (g.LineBottom > 0 && inkBelow) dotEnd = s.lowestInkRow(g.LineBottom - g.Top, H, H - 1);
  }
  int32_t gapRow = -1;  // the paper between the stem and the dot
  for (int32_t y = 0; y <= dotEnd; ++y) {
    const int32_t n = o.nRow(y);
    if (n > 1) return;
    if (n == 0 && gapRow < 0) gapRow = y;
  }
  if (gapRow < 0 || gapRow < H / 2) return;
  if (c.gR(H / 8) - c.gR(0) <= W / 4 + 1) {
    if (!s.ctx.IsTall) conf = Times(conf, 96);
    s.propose(u'!', conf);
  }
}

// An arm of an asterisk is accepted when the line from the centre follows ink.
bool ArmCovered(int32_t cv, int32_t& conf) {
  if (cv < 80) return false;
  if (cv < 95) conf = Times(conf, 98);
  return true;
}

void AsteriskFiveArms(const SymbolGlyph& s) {
  const Probes& c = s.crop;
  const int32_t W = s.W, H = s.H;
  if (!(W >= 5 && H > 4 && s.holeCount() <= 1 && (c.nRow(0) == 1 || c.nRow(1) == 1) &&
        (c.nRow(H - 1) == 2 || c.nRow(H - 2) == 2))) {
    return;
  }
  const int32_t rW2 = c.rW(2), rH2 = c.rH(2), rW5 = c.rW(5), rH5 = c.rH(5);
  const int32_t xc = rW2 - 1;
  int32_t f = 0;
  for (int32_t x : {rW2 - 1, rW2 - 2, rW2}) f = std::max(f, c.gB(x, rH2));
  const int32_t yc = H - 1 - f - c.rH(6);  // the centre

  int32_t conf = 100;
  int32_t up = 0;
  for (int32_t x : {rW2 - 1, rW2 - 2, rW2}) up = std::max(up, c.cover(x, yc, x, 0));
  if (!ArmCovered(up, conf)) return;

  auto firstRowTouching = [&](bool left) {
    for (int32_t y = 0; y < rH2; ++y) {
      if ((left ? c.gL(y, rW5) : c.gR(y, rW5)) == 0) return y;
    }
    return -1;
  };
  const int32_t yl = firstRowTouching(true);
  if (yl < 0 || !ArmCovered(c.cover(xc, yc, 0, yl), conf)) return;
  const int32_t yr = firstRowTouching(false);
  if (yr < 0 || !ArmCovered(c.cover(xc, yc, W - 1, yr), conf)) return;

  // The lower arms end in the bottom row, or nearest to it.
  auto lowerArmColumn = [&](bool left) {
    int32_t best = -1, bestGap = 0;
    for (int32_t x = 0; x < rW2; ++x) {
      const int32_t gap = c.gB(left ? x : W - 1 - x, rH5);
      if (gap == 0) return x;
      if (best < 0 || gap < bestGap) {
        best = x;
        bestGap = gap;
      }
    }
    return best < 0 ? 0 : best;
  };
  const int32_t xl = lowerArmColumn(true);
  if (!ArmCovered(c.cover(xc, yc, xl, H - 1), conf)) return;
  const int32_t xr = lowerArmColumn(false);
  if (!ArmCovered(c.cover(xc, yc, W - 1 - xr, H - 1), conf)) return;
  s.propose(u'*', conf);
}

void AsteriskThreeStrokes(const SymbolGlyph& s) {
  const Probes& c = s.crop;
  const int32_t W = s.W, H = s.H;
  if (!(W >= 5 && H > 4 && s.holeCount() <= 1)) return;
  const int32_t rH2 = c.rH(2), rH4 = c.rH(4), rH8 = c.rH(8), rW2 = c.rW(2), rW8 = c.rW(8);
  if (!(c.nRow(rH8) == 3 || c.nRow(rH4) == 3)) return;
  if (!(c.nRow(H - 1 - rH8) == 3 || c.nRow(H - 1 - rH4) == 3)) return;
  if (!(c.nCol(0) == 2 && c.nCol(W - 1) == 2)) return;
  if (!(c.nRow(rH2) == 1 && c.runs(0, rH2, rW8, rH2) == 0 &&
        c.runs(W - 1 - rW8, rH2, W - 1, rH2) == 0)) {
    return;
  }
  int32_t conf = 100;
  if (W > 5) {
    if (!ArmCovered(c.cover(0, H - 1 - rH4, W - 1, rH4), conf)) return;
    if (!ArmCovered(c.cover(0, rH4, W - 1, H - 1 - rH4), conf)) return;
    if (!ArmCovered(c.cover(rW2, 0, rW2, H - 1), conf)) return;
  }
  s.propose(u'*', conf);
}

void CommercialAt(const SymbolGlyph& s) {
  const Probes& c = s.crop;
  const int32_t W = s.W, H = s.H;
  if (!(W > 5 && H > 7 && s.holeCount() <= 3 && c.gL(H / 2) <= W / 4 && c.gR(H / 2) <= W / 4 &&
        c.gB(W / 2) <= W / 8 && c.gT(W / 2) <= W / 8)) {
    return;
  }
  int32_t conf = 100;
  const int32_t ym = c.rH(2) - 1;
  int32_t n = c.nRow(ym);
  if (n != 4) conf = Times(conf, 98);
  if (n != 3 && n != 4) return;
  const int32_t xm = platform::Round(7.0 * W / 16);
  n = c.nCol(xm);
  if (n <= 1) return;
  if (n != 4) n = c.nCol(xm + 1);
  if (n != 3 && n != 4) return;
  if (n != 4) conf = Times(conf, 97);
  if (!(c.runs(0, ym, xm, ym) == 2 && c.runs(xm, ym, W - 1, ym) == 2 &&
        c.runs(xm, 0, xm, ym) == 2 && c.runs(xm, ym, xm, H - 1) == 2)) {
    return;
  }
  if (W < 8 || (s.holeCount() == 1 &&
                s.holesIn(c.rW(8), W - 1 - 3 * c.rW(16), c.rH(8), H - 1 - c.rH(8)) == 1)) {
    s.propose(u'@', conf);
  }
}

void Section(const SymbolGlyph& s) {
  const Probes &c = s.crop, &o = s.raster;
  const int32_t W = s.W, H = s.H;
  if (!(s.ctx.IsTall && W >= 5 && H > 15 && s.holeCount() <= 3)) return;
  // The S-curves cross the quarter rows on opposite sides.
  if (!(c.blank(0, W / 2, 3 * H / 4, 3 * H / 4) && c.ink(3 * W / 4, W - 1, 3 * H / 4, 3 * H / 4) &&
        c.ink(0, W / 4, H / 4, H / 4) && c.blank(W / 2, W - 1, H / 4, H / 4))) {
    return;
  }
  if (!(c.ink(W / 2, W / 2, 0, H / 4) && c.ink(W / 2, W / 2, H - 1 - H / 4, H - 1) &&
        c.nCol(W / 2) == 4 && o.nRow(H / 2) == 2)) {
    return;
  }
  if (s.holesIn(0, W - 1, H / 4, H - 1 - H / 4) == 1) s.propose(u'\u00A7', 100);
}

void NumberSign(const SymbolGlyph& s) {
  const Probes& c = s.crop;
  const int32_t W = s.W, H = s.H;
  if (!(W >= 5 && H > 4 && s.holeCount() >= 1 && s.holeCount() <= 2)) return;
  const int32_t rH2 = c.rH(2), rH8 = c.rH(8), rW2 = c.rW(2), rW8 = c.rW(8);
  if (!(c.nRow(rH8) == 2 && c.nRow(H - 1 - rH8) == 2 && c.nRow(rH2) == 2 &&
        c.runs(0, rH2, rW2, rH2) == 1)) {
    return;
  }
  int32_t conf = 100;
  struct EdgeGap {
    int32_t gap;
    bool middleRow;
  };
  for (const EdgeGap e : {EdgeGap{c.gL(rH8), false}, EdgeGap{c.gL(rH2), true},
                          EdgeGap{c.gR(rH2), true}, EdgeGap{c.gR(H - 1), false}}) {
    if (!(e.gap > 0 && e.gap >= c.rW(16))) return;
    if (e.middleRow && !(e.gap < rW2)) return;
    if (e.gap < rW8) conf = Times(conf, 96);
  }
  int32_t wide = 0;  // the widest first run of the upper middle: a crossbar
  for (int32_t y = H / 4; y < H / 2; ++y) {
    if (c.gL(y) > 3 * c.rW(4)) {
      wide = 0;
      break;
    }
    wide = std::max(wide, c.firstRun(y));
  }
  if (wide < W - rW8) return;
  if (s.holeCount() != 1) conf = Times(conf, 95);
  if (s.holesIn(rW8, W - 1 - rW8, rH8, H - 1 - rH8) == 1) {
    if (s.ctx.HasDescender) conf = Times(conf, 97);
    s.propose(u'#', conf);
  }
}

void EuroShape(const SymbolGlyph& s) {
  const Probes& c = s.crop;
  const int32_t W = s.W, H = s.H;
  if (!(W >= 5 && H > 6 && s.holeCount() <= 1)) return;
  int32_t conf = 100;
  const int32_t n = c.nCol(c.rW(2));
  if (n != 3 && n != 4) return;
  if (n == 3) conf = Times(conf, 98);
  if (!(c.nRow(0) == 1 && c.nRow(H - 1) == 1 && c.nRow(c.rH(2)) == 1)) return;
  int32_t wide = 0;
  bool openRight = false;  // a crescent open to the right
  for (int32_t y = c.rH(4); y < H - c.rH(4) - 1; ++y) {
    if (c.gL(y) > c.rW(4)) return;
    wide = std::max(wide, c.firstRun(y));
    openRight = openRight || c.gR(y) > c.rW(2);
  }
  if (wide < c.rW(2) || !openRight) return;
  if (s.holeCount() == 0) s.propose(char16_t{0x80}, conf);
}

void Percent(const SymbolGlyph& s) {
  const Probes& o = s.raster;
  const int32_t W = s.W, H = s.H;
  if (!(W >= 6 && H >= 8 && s.holeCount() <= 2)) return;
  const int32_t rW4 = o.rW(4), rH4 = o.rH(4), rH8 = o.rH(8);
  if (!(o.nRow(rH4) == 3 || o.nRow(rH8) == 3)) return;
  // The lower ring may stand a little right of the box.
  if (!(o.runs(0, H - 1 - rH4, W - 1 + rW4, H - 1 - rH4) == 3 ||
        o.runs(0, H - 1 - rH8, W - 1 + rW4, H - 1 - rH8) == 3)) {
    return;
  }
  const int32_t diagonal = o.runs(0, 0, W - 1, H - 1);
  if (W >= 8 && H > 15 && diagonal < 4 && o.runs(o.rW(8), 0, W - 1, H - 1) < 4 &&
      o.runs(0, 0, W - 1 + rW4, H - 1) < 4) {
    return;
  }
  int32_t conf = 100;
  if (diagonal != 5) conf = Times(conf, 99);
  if (W < 8 || H < 13) {
    conf = Times(conf, 98);
  } else if (!(s.holesIn(0, W - 1, 0, H - 1 - rH4) == 1 &&
               s.holesIn(rW4, W - 1 + rW4, rH4, H - 1) == 1 &&
               s.holesIn(0, W - 1 + rW4, 0, H - 1) == 2)) {
    return;
  }
  const int32_t rH16 = o.rH(16);
  if (o.gL(rH16 + 1) >= o.gL(0)) conf = Times(conf, 96);
  if (o.gR(H - 2 - rH16) >= o.gR(H - 1)) conf = Times(conf, 96);
  if (s.ctx.HasDescender) conf = Times(conf, 98);
  s.propose(u'%', conf);
}

}  // namespace

void RecogniseSymbols(TOmnifontOCR& engine, TGlyphContext& context) {
  const SymbolGlyph s(engine, context);
  SharpS(s);
  Plus(s);
  Dollar(s);
  AmpersandLooped(s);
  AmpersandOpen(s);
  Question(s);
  Exclamation(s);
  AsteriskFiveArms(s);
  AsteriskThreeStrokes(s);
  CommercialAt(s);
  Section(s);
  NumberSign(s);
  EuroShape(s);
  Percent(s);
}

// Brackets, chevrons and slashes: "<" ">" "(" ")" "/" "\" "[" "]" "{" "}".
// These glyphs have no holes worth speaking of; they are told apart by their
// two side profiles (the paper from the left and from the right edge of each
// row) read at a few characteristic rows, and by how straight those are.
// Four sections run in order; each proposes at most one character, except the
// slash rules, which may propose the same slash twice.
#include <algorithm>
#include <cstdlib>

#include "classifier/letters.h"

namespace {

// The row nearest the middle where one of the side gaps is smallest: the tip
// of a chevron. Rows are read from H/2 - H/8 to H/2 + H/8; equal minima widen
// the span and the tip is its middle.
int32_t TipRow(const Probes& c, int32_t W, int32_t H) {
  const int32_t from = H / 2 - H / 8, to = H / 2 + H / 8;
  int32_t m = W, yFirst = from, yLast = from;
  for (int32_t y = from; y <= to; ++y) {
    for (int32_t v : {c.gL(y), c.gR(y)}) {
      if (v == m) {
        yLast = y;
      } else if (v < m) {
        m = v;
        yFirst = yLast = y;
      }
    }
  }
  return (yFirst + yLast) / 2;
}

// A side gap that never grows from one row to the next along rows
// from, from + step, ... (n rows), the first row compared with itself.
template <typename Gap>
bool NeverGrows(Gap gap, int32_t from, int32_t step, int32_t n) {
  int32_t prev = gap(from);
  for (int32_t i = 0; i < n; ++i) {
    const int32_t cur = gap(from + i * step);
    if (cur > prev) return false;
    prev = cur;
  }
  return true;
}

// A side gap that changes by at most maxStep between neighbouring rows over
// the whole height, row 0 being compared with `first`.
template <typename Gap>
bool Straight(Gap gap, int32_t first, int32_t H, int32_t maxStep) {
  int32_t prev = first;
  for (int32_t y = 0; y < H; ++y) {
    const int32_t cur = gap(y);
    if (std::abs(cur - prev) > maxStep) return false;
    prev = cur;
  }
  return true;
}

void ChevronsParenthesesSlashes(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!(W > 2 && H > 4 && v.holes.Count <= 1)) return;

  // Single stroke: at most two rows (none in short glyphs) cross more than one run.
  int32_t multiRunRows = 0;
  for (int32_t y = 0; y < H; ++y) {
    if (c.nRow(y) != 1) ++multiRunRows;
    if (c.gL(y) + c.gR(y) < 3 * W / 8) return;  // a row too wide for a single stroke
  }
  if (multiRunRows > 2 || (multiRunRows > 0 && H < 16)) return;

  const int32_t tip = TipRow(c, W, H);
  const int32_t rT = c.gR(H / 16), rM = c.gR(tip), rB = c.gR(H - 1 - H / 16);
  const int32_t lT = c.gL(H / 16), lM = c.gL(tip), lB = c.gL(H - 1 - H / 16);

  // Wide chevrons.
  if (H < W) {
    if (rM == 0 && 3 * lM > W && lT <= W / 8 && lB <= W / 8) return v.propose(u'>', 98);
    if (lM == 0 && 3 * rM > W && rT <= W / 8 && rB <= W / 8) return v.propose(u'<', 98);
  }

  if (W > 4 && H <= 2 * W) {
    int32_t conf = 100;
    if (W < 8) conf = Times(conf, 99);
    if (W < 6) conf = Times(conf, 96);
    if (2 * W > v.engine.AvgCharWidth && H < 4 * W) conf = 98;
    if (lM == 0 && rT <= W / 8 + 1 && rB <= W / 8 + 1 && rT + rB <= W / 8 + 1 && rM >= W / 2 &&
        lT >= 3 * W / 4 && lB >= 3 * W / 4) {
      if (2 * c.gL(tip / 2) + W / 16 + 1 < lT + lM) conf = Times(conf, 95);  // upper arm bent
      if (2 * c.gL(H - 1 - tip / 2) + W / 16 + 1 < lB + lM) conf = Times(conf, 95);  // lower arm
      return v.propose(u'<', conf);
    }
    if (rM == 0 && lT <= W / 8 && lB <= W / 8 && lM >= W / 2 && rT >= 3 * W / 4 &&
        rB >= 3 * W / 4) {
      if (2 * c.gR(tip / 2) + W / 16 + 1 < rT + rM) conf = Times(conf, 95);
      if (2 * c.gR(H - 1 - tip / 2) + W / 16 + 1 < rB + rM) conf = Times(conf, 95);
      return v.propose(u'>', conf);
    }
  }

  // Parentheses: the open side's gap narrows from both ends toward the middle.
  const int32_t gRm = c.gR(H / 2), gL0 = c.gL(0), gLm = c.gL(H / 2);
  const TCharRecord& g = v.glyph;
  const int32_t dz = (g.LineBase + g.LineBottom) / 2 - g.LineMean;
  const int32_t k = H / 12, n = H / 5;
  auto gR = [&c](int32_t y) { return c.gR(y); };
  auto gL = [&c](int32_t y) { return c.gL(y); };
  if (2 * gRm < rT + rB && gL0 + lB < 2 * gLm && 2 * W < H && H >= dz) {
    if (NeverGrows(gR, k, 1, n) && NeverGrows(gR, H - k, -1, n)) return v.propose(u')', 98);
  }
  if (rT + rB < 2 * gRm && 2 * gLm < gL0 + lB && 2 * W < H && H >= dz) {
    if (NeverGrows(gL, k, 1, n) && NeverGrows(gL, H - k, -1, n)) return v.propose(u'(', 98);
  }

  // Slashes: both side profiles straight, the stroke crossing from corner to corner.
  if (!Straight(gL, gL0, H, W / 6 + 1) || !Straight(gR, c.gR(H / 16), H, W / 6 + 1)) return;
  const bool rising = gL0 + rB - W > W / 4;
  const bool falling = lB + rT - W > W / 4;
  if (rT <= W / 8 && gRm >= W / 4 && gLm >= W / 4 && lB <= W / 8 && rising) v.propose(u'/', 96);
  if (gL0 <= W / 8 && gRm >= W / 4 && gLm >= W / 4 && rB <= W / 8 && falling) v.propose(u'\\', 96);
  if (rT <= W / 10 && gRm > W / 4 && gLm > W / 4 && lB <= W / 10 && rising) {
    v.propose(u'/', 99);
  } else if (gL0 <= W / 10 && gRm > W / 4 && gLm > W / 4 && rB <= W / 10 && falling) {
    v.propose(u'\\', 99);
  }
}

void SquareBrackets(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!(W > 3 && H > 4 && 2 * H > 3 * W && v.holes.Count <= 1)) return;
  int32_t conf = 100;
  if (!v.ctx.IsTall) conf = Times(conf, 97);

  // One straight stem over the middle two thirds.
  const int32_t sw = c.firstRun(H / 2);
  for (int32_t y = H / 6; y < H - H / 6; ++y) {
    if (c.nRow(y) != 1 || std::abs(c.firstRun(y) - sw) > W / 6) return;
  }
  // Arms of about equal length at both ends.
  int32_t top = 0, bot = 0;
  for (int32_t y = 0; y < H / 6; ++y) {
    top = std::max(top, c.firstRun(y));
    bot = std::max(bot, c.firstRun(H - 1 - y));
  }
  if (std::abs(top - bot) > W / 6) return;

  const int32_t sR = c.gR(0) + c.gR(H / 3) + c.gR(2 * H / 3) + c.gR(H - 1);
  const int32_t sL = c.gL(0) + c.gL(H / 3) + c.gL(2 * H / 3) + c.gL(H - 1);
  if (sR < sL) {
    if (!c.ink(W - 3, W - 1, 0, 1)) conf = Times(conf, 95);
    if (!(c.gL(H / 2) > W / 3)) return;
    if (c.gR(H / 2) > c.gL(H / 2) / 2) conf = Times(conf, 95);
    v.propose(u']', conf);
  } else if (sL < sR) {
    if (!c.ink(0, 1, H - 3, H - 1)) conf = Times(conf, 95);
    if (!(c.gR(H / 2) > W / 3)) return;
    if (c.gL(H / 2) > c.gR(H / 2) / 2) conf = Times(conf, 95);
    v.propose(u'[', conf);
  }
}

bool EveryRowOneRun(const Probes& c, int32_t H) {
  for (int32_t y = 0; y < H; ++y) {
    if (c.nRow(y) != 1) return false;
  }
  return true;
}

void OpeningBrace(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!(W > 4 && H > 5 && 3 * W < 2 * H && v.holes.Count <= 1)) return;
  int32_t conf = 99;
  if (!v.ctx.IsTall) conf = Times(conf, 97);
  if (!EveryRowOneRun(c, H)) return;
  // The open side crosses both arms.
  for (int32_t x = W - 1; x >= W - W / 2; --x) {
    if (c.nCol(x) != 2) return;
  }
  if (c.runs(W - 2, H / 4, W - 2, H - 1 - H / 4) != 0) return;
  if (c.runs(0, H / 4, 0, H - 1 - H / 4) != 1) return;  // the point on the left
  if (c.gL(H - 1) > 3 * W / 4) conf = Times(conf, 99);
  if (c.gL(0) > 3 * W / 4) conf = Times(conf, 99);
  if (c.gT(1) < H / 2 - 1) conf = Times(conf, 98);
  if (c.gB(1) < H / 2 - 2) conf = Times(conf, 98);
  if (c.gB(W - 2) > H / 4) return;
  if (v.raster.ink(0, 0, 0, H / 4) || v.raster.ink(0, 0, H - 1 - H / 4, H - 1)) return;
  v.propose(u'{', conf);
}

void ClosingBrace(const TLetterView& v) {
  const Probes& c = v.crop;
  const int32_t W = v.W, H = v.H;
  if (!(W > 4 && H > 5 && 3 * W < 2 * H)) return;
  int32_t conf = 99;
  if (!v.ctx.IsTall) conf = Times(conf, 97);
  if (!EveryRowOneRun(c, H)) return;
  for (int32_t x = 0; x < W / 2; ++x) {
    if (c.nCol(x) != 2) return;
  }
  if (c.runs(1, H / 4, 1, H - 1 - H / 4) != 0) return;
  if (c.runs(W - 1, H / 4, W - 1, H - 1 - H / 4) != 1) return;
  if (c.gR(H - 1) > 3 * W / 4) conf = Times(conf, 99);
  if (c.gR(0) > 3 * W / 4) conf = Times(conf, 99);
  if (c.gT(W - 2) < H / 2 - 1) conf = Times(conf, 98);
  if (c.gB(W - 2) < H / 2 - 2) conf = Times(conf, 98);
  if (c.gB(1) > H / 4) return;
  if (v.raster.ink(W - 1, W - 1, 0, H / 4) || v.raster.ink(W - 1, W - 1, H - 1 - H / 4, H - 1))
    return;
  v.propose(u'}', conf);
}

}  // namespace

void RecogniseBrackets(TOmnifontOCR& engine, TGlyphContext& context) {
  const TLetterView v(engine, context);
  ChevronsParenthesesSlashes(v);
  SquareBrackets(v);
  OpeningBrace(v);
  ClosingBrace(v);
}

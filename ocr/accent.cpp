// The accent detector: a mark standing detached above a glyph, one or two of
// them, and which of the ten spacing accents its shape is.
#include "classifier/classifier.h"
#include "classifier/primitives.h"
#include "ocr/boxprobe.h"
#include "ocr/recognition.h"

namespace {

// The shape of a single mark in columns u..R, rows T..Bm. Lx and Rx are the
// paper before the mark from its left and right edge on a row.
char16_t ClassifyMark(TOmnifontOCR& engine, const TBoxProbe& p, int32_t u, int32_t R, int32_t T,
                      int32_t Bm, int32_t W) {
  const int32_t limit = R - u;
  auto Lx = [&](int32_t y) { return p.Gap(u, y, dirRight, limit); };
  auto Rx = [&](int32_t y) { return p.Gap(R, y, dirLeft, limit); };
  auto runs = [&](int32_t y) { return p.Runs(u, y, R, y); };
  const int32_t e8 = W / 8, e10 = W / 10;
  const int32_t markW = R - u + 1, markH = Bm - T + 1;
  const bool solid = p.NoPaper(u, R, T, Bm);
  // A V opening downwards: narrow at the top, both flanks spreading.
  const bool caron = (Lx(T) < Lx(Bm) - e10 || Lx(T + 1) < Lx(Bm) - e10) &&
                     (Rx(T) < Rx(Bm) - e10 || Rx(T + 1) < Rx(Bm) - e10) &&
                     (runs(T) == 2 || runs(T + 1) == 2) && runs(Bm) == 1;

  char16_t accent = 0;
  // Each test that holds replaces the accent of the tests before it.
  if (Lx(T) - Rx(T) > Lx(Bm) - Rx(Bm) + 1) accent = accAcute;
  if (markW > 3 * markH && solid) accent = accMacron;
  if (markW < 2 * markH && markH < 2 * markW && solid) accent = accDotAbove;
  if (Lx(T) - Rx(T) < Lx(Bm) - Rx(Bm) - 1) accent = accGrave;
  if ((Lx(T) > Lx(Bm) - e8 || Lx(T) > Lx(Bm - 1) - e8) &&
      (Rx(T) > Rx(Bm) - e8 || Rx(T) > Rx(Bm - 1) - e8) && runs(T) == 1 &&
      (runs(Bm) == 2 || runs(Bm - 1) == 2)) {
    accent = accCircumflex;
  }
  if (caron) accent = accCaron;
  if (Lx(T) + Lx(Bm) - 2 * Lx((Bm + T) / 2) > W / 16 + 1 && R - u > 10 && caron) {
    accent = accBreve;
  }
  if (R - u > 3 && Bm - T > 1 && Lx(T) > Lx(Bm) && Rx(T) < Rx(Bm) && runs(T) == 2 &&
      runs(Bm) == 2) {
    accent = accTilde;
  }
  if (R - u > 2 && Bm - T > 2 && runs((T + Bm) / 2) > 1 &&
      p.Runs((R + u) / 2, T, (R + u) / 2, Bm) > 1 &&
      FindHoles(engine, p.Raster(), u, R, T, Bm, p.Threshold(), nullptr) == 1) {
    accent = accRingAbove;
  }
  return accent;
}

// The ink components of a rectangle of the working raster. Labelling left the
// fill mark on every ink pixel there, and CountInkParts never starts a part on
// a marked pixel; so the parts are counted on a copy that holds only the
// rectangle's ink and paper as the threshold sees them.
int32_t InkParts(TOmnifontOCR& engine, const TBoxProbe& p, int32_t x0, int32_t x1, int32_t y0,
                 int32_t y1) {
  if (x0 > x1 || y0 > y1) return 0;
  constexpr std::uint8_t kInk = 0, kPaper = 248;
  TDIB copy;
  copy.NewImage(x1 - x0 + 1, y1 - y0 + 1, df8Bit, p.Raster().XDpi(), p.Raster().YDpi());
  for (int32_t y = y0; y <= y1; ++y) {
    std::uint8_t* row = copy.Row(y - y0);
    for (int32_t x = x0; x <= x1; ++x) row[x - x0] = p.InkAt(x, y) ? kInk : kPaper;
  }
  return CountInkParts(engine, copy, 0, x1 - x0, 0, y1 - y0, p.Threshold());
}

}  // namespace

int32_t DetectAccent(TOmnifontOCR& engine, TCharRecord& r, int32_t threshold, char16_t* accent,
                     int32_t mode) {
  const int32_t L = r.Left, R = r.Right, T = r.Top, B = r.Bottom;
  const int32_t W = R - L + 1, H = B - T + 1;
  const int32_t TL = r.LineTop, ML = r.LineMean, BL = r.LineBase;
  const bool writes = mode != 0;
  const bool movesTopBelowMark = (mode & 2) != 0;
  const TBoxProbe p(*r.Raster, threshold);
  auto rowInk = [&](int32_t y) { return p.Ink(L, R, y, y); };
  auto write = [&](int32_t result, char16_t found) {
    if (writes) {
      r.MarksAbove = result;
      r.Accent = found;
    }
    if (accent != nullptr) *accent = found;
  };

  // Too small, or its top below the middle of the x-height: nothing to look for.
  if (H < 5 || 4 * T > 3 * ML + BL) return 0;
  // The whole glyph lies above the middle between top line and mean line.
  if (2 * B <= ML + TL) {
    if (accent != nullptr) *accent = 0;
    return 0;
  }
  // A blank row in the upper half separates a possible mark from the body.
  int32_t i = T;
  while (2 * i < T + B && rowInk(i)) ++i;
  if (2 * i < T + B) {
    int32_t g = i;
    while (!rowInk(g) && 2 * g <= T + B) ++g;
    if (movesTopBelowMark) r.Top = g;
  } else {
    i = T;
  }
  if (i <= T) {
    if (writes) r.MarksAbove = 0;
    return 0;
  }
  const int32_t t = i - 1;  // the top part is rows T..t
  if (t <= T) {
    write(0, 0);
    return 0;
  }
  // Skip a stroke coming in from the left neighbour.
  int32_t u = L;
  if (p.Ink(L - 1, L - 1, T, t)) {
    while (p.Ink(u, u, T, t) && 2 * u < L + R) ++u;
  }
  const bool touchesLeft = p.Ink(u, u, T, t) && p.Ink(u - 1, u - 1, T, t);
  const bool touchesRight = p.Ink(R, R, T, t) && p.Ink(R + 1, R + 1, T, t);
  if (!p.Ink(u, R + 1, T, t) || touchesLeft || touchesRight) {
    // Not a mark: only the blank rows above the glyph go.
    int32_t d = T;
    while (!rowInk(d) && 2 * d < T + B) ++d;
    if (writes) r.Top = d;
    write(0, 0);
    return 0;
  }

  int32_t result = 1;
  char16_t found = 0;
  // Two marks side by side: the first ink rows of the top part, then two
  // separate columns of ink across them.
  int32_t j = T;
  while (j < i && !p.Ink(u, R, j, j)) ++j;
  while (j < i && p.Ink(u, R, j, j)) ++j;
  int32_t k = u;
  while (k < R && !p.Ink(k, k, T, j)) ++k;
  while (k < R && p.Ink(k, k, T, j)) ++k;
  int32_t m = k;
  while (m < R && !p.Ink(m, m, T, j)) ++m;
  const int32_t upperRow = T + (i - T) / 4;
  const int32_t lowerRow = i - 1 - (i - T) / 2;
  if (k < R && m < R && k < m && R - u > 2 && InkParts(engine, p, u, R, T, t) >= 2 &&
      p.Runs(u, upperRow, R, upperRow) == 2 && p.Runs(u, lowerRow, R, lowerRow) == 2) {
    while (2 * i < T + B && !p.Ink(u, R, i, i)) ++i;
    result = 2;
    found = accDiaeresis;
  }
  if (movesTopBelowMark) r.Top = i;
  if (result == 1) found = ClassifyMark(engine, p, u, R, T, i - 1, W);
  write(result, found);
  return result;
}

// The geometric probes and the component fill.
//
//   RectColours    which colours a clipped rectangle holds
//   RunLength      steps to the next pixel of a colour
//   CountInkRuns   paper-to-ink entries along a sampled line
//   LineCoverage   share of a Bresenham line that follows ink
//   WalkByColour   colour-driven walk through a box
//   TraceReaches   square trace along a region border
//   FindHoles      enclosed paper regions, largest first
//   CountInkParts  ink components of a rectangle
//   FillComponent  the flood fill that marks the low three bits
//
// A pixel is ink when its whole byte, marks included, is below the threshold.
// Where a caller's coordinates leave the raster, the probes read paper instead
// of reading out of bounds.
#include "classifier/primitives.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ocr/omnifontocr.h"
#include "platform/exceptions.h"

namespace {

constexpr std::uint8_t kMarkBits = 7;
constexpr std::uint8_t kPaperValue = 248;
// A one-pixel hole is kept only in boxes of at most this many pixels: in a
// small glyph it is the counter of an "o" or "e", in a big one it is noise.
constexpr int32_t kTinyBoxArea = 40;
// Holes whose area is below a fifth of the largest are specks in the stroke.
constexpr int32_t kSmallHoleDivisor = 5;

bool Inside(const TDIB& r, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < r.Width() && y < r.Height();
}

// Ink test that reads paper outside the raster.
bool InkOrOutside(const TDIB& r, int32_t x, int32_t y, std::uint8_t threshold) {
  return Inside(r, x, y) && IsInk(r, x, y, threshold);
}

bool IsMarked(std::uint8_t value) {
  return (value & kMarkBits) != 0;
}

bool EightConnected(const TOmnifontOCR& engine) {
  return (engine.Pass & 1) != 0;
}

// A copy of the rectangle x0..x1 by y0..y1 with (0, 0) at (x0, y0). Parts of the
// rectangle outside the raster are paper, so a probe near the border cannot
// read outside it.
std::unique_ptr<TDIB> CopyRect(const TDIB& r, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  if (x0 >= 0 && y0 >= 0 && x1 < r.Width() && y1 < r.Height()) return r.Crop(x0, y0, x1, y1);
  auto copy = std::make_unique<TDIB>();
  copy->NewImage(x1 - x0 + 1, y1 - y0 + 1, df8Bit, r.XDpi(), r.YDpi());
  copy->Fill(kPaperValue);
  const int32_t cx0 = std::max(x0, 0), cx1 = std::min(x1, r.Width() - 1);
  const int32_t cy0 = std::max(y0, 0), cy1 = std::min(y1, r.Height() - 1);
  for (int32_t y = cy0; y <= cy1; ++y) {
    for (int32_t x = cx0; x <= cx1; ++x) copy->Row(y - y0)[x - x0] = r.Row(y)[x];
  }
  return copy;
}

// Inserts a hole after all holes of at least its area; the last item falls off
// when all 16 are in use.
void InsertHole(THoleList& list, const THole& hole) {
  const int32_t size = static_cast<int32_t>(list.Items.size());
  int32_t j = 0;
  while (j < list.Count && list.Items[j].Area >= hole.Area) ++j;
  if (j >= size) return;
  for (int32_t k = std::min(list.Count, size - 1); k > j; --k) list.Items[k] = list.Items[k - 1];
  list.Items[j] = hole;
  list.Count = std::min(list.Count + 1, size);
}

void DropSmallHoles(THoleList& list) {
  if (list.Count == 0) return;
  const int32_t limit = list.Items[0].Area / kSmallHoleDivisor;
  int32_t kept = 0;
  for (int32_t k = 0; k < list.Count; ++k) {
    if (list.Items[k].Area >= limit) list.Items[kept++] = list.Items[k];
  }
  list.Count = kept;
}

}  // namespace

std::uint8_t RectColours(const TDIB& r, int32_t x0, int32_t x1, int32_t y0, int32_t y1,
                         std::uint8_t threshold, std::uint8_t wanted) {
  x0 = std::max(x0, 0);
  x1 = std::min(x1, r.Width() - 1);
  y0 = std::max(y0, 0);
  y1 = std::min(y1, r.Height() - 1);
  std::uint8_t present = 0;
  for (int32_t y = y0; y <= y1; ++y) {
    const std::uint8_t* row = r.Row(y);
    for (int32_t x = x0; x <= x1; ++x) {
      present |= row[x] < threshold ? cfInk : cfPaper;
      // Both colours seen: nothing further can change the answer.
      if (present == (cfInk | cfPaper)) return wanted & present;
    }
  }
  return wanted & present;
}

int32_t RunLength(const TDIB& r, int32_t x, int32_t y, int32_t direction, std::uint8_t stopColour,
                  int32_t maxSteps, std::uint8_t threshold) {
  if (!Inside(r, x, y)) return 0;
  int32_t dx = 0, dy = 0;
  switch (direction) {
    case dirUp:
      dy = -1;
      break;
    case dirDown:
      dy = 1;
      break;
    case dirLeft:
      dx = -1;
      break;
    case dirRight:
      dx = 1;
      break;
    default:
      return 0;
  }
  const bool stopOnInk = stopColour == cfInk;
  int32_t i = 0;
  // Only the moving coordinate can leave the raster.
  while (i < maxSteps && Inside(r, x, y)) {
    if (IsInk(r, x, y, threshold) == stopOnInk) return i;
    ++i;
    x += dx;
    y += dy;
  }
  return i;
}

int32_t CountInkRuns(const TDIB& r, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                     std::uint8_t threshold) {
  const int32_t n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  int32_t count = 0;
  bool previousInk = false;
  for (int32_t k = 0; k <= n; ++k) {
    const int32_t x = n == 0 ? x0 : x0 + (x1 - x0) * k / n;
    const int32_t y = n == 0 ? y0 : y0 + (y1 - y0) * k / n;
    const bool ink = InkOrOutside(r, x, y, threshold);
    if (ink && !previousInk) ++count;
    previousInk = ink;
  }
  return count;
}

int32_t LineCoverage(const TDIB& r, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                     std::uint8_t threshold, int32_t scale) {
  const int32_t ax = std::abs(x1 - x0), ay = std::abs(y1 - y0);
  int32_t sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
  const bool xMajor = ax > ay;
  const int32_t major = std::max(ax, ay), minor = std::min(ax, ay);
  // Walk so that the major coordinate always increases.
  if ((xMajor ? sx : sy) < 0) {
    std::swap(x0, x1);
    std::swap(y0, y1);
    sx = -sx;
    sy = -sy;
  }
  // Bit 0: the plus side has not been seen as paper since the last ink pixel;
  // bit 1: likewise the minus side. A paper pixel of the line still counts as
  // covered while ink may lie on one of its sides.
  int32_t side = 3;
  int32_t covered = 0, uncovered = 0;
  int32_t x = x0, y = y0;
  int32_t e = 2 * minor - major;
  const int32_t px = xMajor ? 0 : 1, py = xMajor ? 1 : 0;  // the plus side's offset
  while ((xMajor ? x : y) <= (xMajor ? x1 : y1)) {
    if (InkOrOutside(r, x, y, threshold)) {
      side = 3;
    } else {
      if (Inside(r, x + px, y + py) && !IsInk(r, x + px, y + py, threshold)) side &= ~1;
      if (Inside(r, x - px, y - py) && !IsInk(r, x - px, y - py, threshold)) side &= ~2;
    }
    if (side > 0) {
      ++covered;
    } else {
      ++uncovered;
    }
    if (xMajor) {
      ++x;
    } else {
      ++y;
    }
    if (e > 0) {
      e += 2 * (minor - major);
      if (xMajor) {
        y += sy;
      } else {
        x += sx;
      }
    } else {
      e += 2 * minor;
    }
  }
  return covered * scale / (covered + uncovered);
}

void WalkByColour(const TDIB& r, int32_t& x, int32_t& y, int32_t minX, int32_t maxX, int32_t minY,
                  int32_t maxY, std::uint8_t threshold, int32_t codeOnPaper, int32_t codeOnInk) {
  if (!Inside(r, minX, minY)) return;
  while (minX <= x && x <= maxX && minY <= y && y <= maxY) {
    const int32_t code = InkOrOutside(r, x, y, threshold) ? codeOnInk : codeOnPaper;
    switch (code) {
      case dirUp:
        --y;
        break;
      case dirDown:
        ++y;
        break;
      case dirLeft:
        --x;
        break;
      case dirRight:
        ++x;
        break;
      case dirStop:
        return;
      default:
        throw platform::Exception("error...");
    }
  }
}

bool TraceReaches(const TDIB& r, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  std::uint8_t threshold) {
  // Headings in turning order: a left turn is +1, a right turn −1.
  static constexpr int32_t kDx[4] = {0, -1, 0, 1};  // up, left, down, right
  static constexpr int32_t kDy[4] = {-1, 0, 1, 0};
  if (!Inside(r, x0, y0)) return x0 == x1 && y0 == y1;
  const bool startInk = IsInk(r, x0, y0, threshold);
  const int32_t minX = std::min(x0, x1), maxX = std::max(x0, x1);
  const int32_t minY = std::min(y0, y1), maxY = std::max(y0, y1);
  auto inRegion = [&](int32_t x, int32_t y) {
    return x >= minX && x <= maxX && y >= minY && y <= maxY && Inside(r, x, y) &&
           IsInk(r, x, y, threshold) == startInk;
  };
  // Moving into the region and turning left, or staying and turning right, is
  // a one-to-one map of (position, heading) states, so the walk comes back to
  // its first state and always ends.
  int32_t x = x0, y = y0, h = 0;
  for (;;) {
    const int32_t qx = x + kDx[h], qy = y + kDy[h];
    if (inRegion(qx, qy)) {
      x = qx;
      y = qy;
      h = (h + 1) % 4;
    } else {
      h = (h + 3) % 4;
    }
    if (x == x1 && y == y1) return true;
    if (x == x0 && y == y0 && h == 0) return false;
  }
}

int32_t FindHoles(const TOmnifontOCR& engine, const TDIB& r, int32_t x0, int32_t x1, int32_t y0,
                  int32_t y1, std::uint8_t threshold, THoleList* holes) {
  THoleList ownList;
  THoleList& list = holes != nullptr ? *holes : ownList;
  list.Count = 0;
  const int32_t w = x1 - x0 + 1, h = y1 - y0 + 1;
  if (w < 3 || h < 3) return 0;
  const auto copy = CopyRect(r, x0, x1, y0, y1);
  const bool eight = EightConnected(engine);
  auto fillPaper = [&](int32_t x, int32_t y) {
    if (!IsInk(*copy, x, y, threshold)) FillComponent(*copy, x, y, kFillMark, threshold, eight);
  };
  // Paper reachable from the border is the outside, not a hole.
  for (int32_t x = 0; x < w; ++x) {
    fillPaper(x, 0);
    fillPaper(x, h - 1);
  }
  for (int32_t y = 0; y < h; ++y) {
    fillPaper(0, y);
    fillPaper(w - 1, y);
  }
  int32_t kept = 0;
  const int32_t maxHoles = static_cast<int32_t>(list.Items.size());
  for (int32_t x = 0; x < w; ++x) {
    for (int32_t y = 0; y < h; ++y) {
      const std::uint8_t v = copy->Row(y)[x];
      if (IsMarked(v) || v < threshold) continue;
      const TFillResult fill = FillComponent(*copy, x, y, kFillMark, threshold, eight);
      if (fill.Count <= 1 && w * h > kTinyBoxArea) continue;
      if (kept >= maxHoles) continue;
      ++kept;
      InsertHole(list, THole{fill.Count, x, y, fill.Left, fill.Top, fill.Right, fill.Bottom});
    }
  }
  DropSmallHoles(list);
  return list.Count;
}

int32_t CountInkParts(const TOmnifontOCR& engine, const TDIB& r, int32_t x0, int32_t x1, int32_t y0,
                      int32_t y1, std::uint8_t threshold) {
  if (x0 > x1 || y0 > y1) return 0;
  const auto copy = CopyRect(r, x0, x1, y0, y1);
  const bool eight = EightConnected(engine);
  int32_t parts = 0;
  for (int32_t x = 0; x < copy->Width(); ++x) {
    for (int32_t y = 0; y < copy->Height(); ++y) {
      const std::uint8_t v = copy->Row(y)[x];
      if (IsMarked(v) || v >= threshold) continue;
      ++parts;
      FillComponent(*copy, x, y, kFillMark, threshold, eight);
    }
  }
  return parts;
}

TFillResult FillComponent(TDIB& r, int32_t x, int32_t y, std::uint8_t mark, std::uint8_t threshold,
                          bool eightConnected) {
  TFillResult result;
  mark &= kMarkBits;
  // Without a mark bit nothing would tell a filled pixel from an open one.
  if (mark == 0 || !Inside(r, x, y) || IsMarked(r.Row(y)[x])) return result;
  const bool ink = IsInk(r, x, y, threshold);
  const int32_t width = r.Width(), height = r.Height();
  // One work stack per thread, reused by every fill: no allocation per point.
  thread_local std::vector<std::pair<int32_t, int32_t>> pending;
  pending.clear();
  r.Row(y)[x] |= mark;
  pending.emplace_back(x, y);
  result = TFillResult{0, x, y, x, y};
  while (!pending.empty()) {
    const auto [px, py] = pending.back();
    pending.pop_back();
    ++result.Count;
    result.Left = std::min(result.Left, px);
    result.Right = std::max(result.Right, px);
    result.Top = std::min(result.Top, py);
    result.Bottom = std::max(result.Bottom, py);
    const int32_t nx0 = std::max(px - 1, 0), nx1 = std::min(px + 1, width - 1);
    const int32_t ny0 = std::max(py - 1, 0), ny1 = std::min(py + 1, height - 1);
    for (int32_t nx = nx0; nx <= nx1; ++nx) {
      for (int32_t ny = ny0; ny <= ny1; ++ny) {
        if (!eightConnected && nx != px && ny != py) continue;
        std::uint8_t& v = r.Row(ny)[nx];
        if (IsMarked(v) || (v < threshold) != ink) continue;
        v |= mark;
        pending.emplace_back(nx, ny);
      }
    }
  }
  return result;
}

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
#include <cstddef>
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

// Whether any paper pixel is still without a mark: most glyphs have no hole,
// and one quick pass in memory order spares them the column-by-column scan.
bool HasOpenPaper(const TDIB& r, std::uint8_t threshold) {
  for (int32_t y = 0; y < r.Height(); ++y) {
    const std::uint8_t* row = r.Row(y);
    bool open = false;
    for (int32_t x = 0; x < r.Width(); ++x) open |= !IsMarked(row[x]) & (row[x] >= threshold);
    if (open) return true;
  }
  return false;
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
      // Every wanted colour seen: nothing further can change the answer.
      if ((present & wanted) == wanted) return wanted;
    }
  }
  return wanted & present;
}

int32_t RunLength(const TDIB& r, int32_t x, int32_t y, int32_t direction, std::uint8_t stopColour,
                  int32_t maxSteps, std::uint8_t threshold) {
  if (!Inside(r, x, y)) return 0;
  // Only the moving coordinate can leave the raster: the steps it may take
  // are bounded by the border ahead as well as by the limit. The walk moves a
  // pixel pointer by one byte along a row or by the row step along a column.
  int32_t room = 0;
  std::ptrdiff_t step = 0;
  switch (direction) {
    case dirUp:
      room = y + 1;
      step = -r.RowStep();
      break;
    case dirDown:
      room = r.Height() - y;
      step = r.RowStep();
      break;
    case dirLeft:
      room = x + 1;
      step = -1;
      break;
    case dirRight:
      room = r.Width() - x;
      step = 1;
      break;
    default:
      return 0;
  }
  const int32_t steps = std::min(maxSteps, room);
  const bool stopOnInk = stopColour == cfInk;
  const std::uint8_t* start = r.Row(y) + x;
  int32_t i = 0;
  while (i < steps && (start[i * step] < threshold) != stopOnInk) ++i;
  return i;
}

namespace {

// Ink runs of the `count` pixels from `first` on: the entries
// from paper into ink, with paper before the first pixel.
int32_t InkRunsAlong(const std::uint8_t* first, int32_t count, std::uint8_t threshold) {
  // A run starts at an ink pixel whose predecessor is paper; written without
  // a carried state so that the loop vectorises.
  int32_t runs = first[0] < threshold ? 1 : 0;
  for (int32_t k = 1; k < count; ++k) {
    runs += static_cast<int32_t>((first[k] < threshold) & (first[k - 1] >= threshold));
  }
  return runs;
}

// The ink runs of row y between columns x0 and x1 (either order); columns
// outside the raster are paper. Read in either direction a line crosses the
// same runs, so the row is read left to right.
int32_t InkRunsOnRow(const TDIB& r, int32_t y, int32_t x0, int32_t x1, std::uint8_t threshold) {
  if (y < 0 || y >= r.Height()) return 0;
  const int32_t from = std::max(std::min(x0, x1), 0);
  const int32_t to = std::min(std::max(x0, x1), r.Width() - 1);
  if (from > to) return 0;
  return InkRunsAlong(r.Row(y) + from, to - from + 1, threshold);
}

// Likewise for column x between rows y0 and y1.
int32_t InkRunsOnColumn(const TDIB& r, int32_t x, int32_t y0, int32_t y1, std::uint8_t threshold) {
  if (x < 0 || x >= r.Width()) return 0;
  const int32_t from = std::max(std::min(y0, y1), 0);
  const int32_t to = std::min(std::max(y0, y1), r.Height() - 1);
  if (from > to) return 0;
  const std::uint8_t* top = r.Row(from) + x;
  const std::ptrdiff_t step = r.RowStep();
  int32_t runs = 0;
  bool previousInk = false;
  for (int32_t k = 0; k <= to - from; ++k) {
    const bool ink = top[k * step] < threshold;
    runs += ink && !previousInk;
    previousInk = ink;
  }
  return runs;
}

// d * k / n truncated toward zero for k = 0, 1, ... n, stepped without a
// division: |d| <= n, so the quotient of |d| * k grows by at most one a step.
class TSampleOffset {
 public:
  TSampleOffset(int32_t d, int32_t n) : magnitude_(std::abs(d)), sign_(d < 0 ? -1 : 1), n_(n) {}
  int32_t Value() const { return sign_ * quotient_; }
  void Next() {
    remainder_ += magnitude_;
    if (remainder_ >= n_) {
      remainder_ -= n_;
      ++quotient_;
    }
  }

 private:
  int32_t magnitude_, sign_, n_;
  int32_t quotient_ = 0, remainder_ = 0;
};

}  // namespace

int32_t CountInkRuns(const TDIB& r, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                     std::uint8_t threshold) {
  // Horizontal and vertical probes, the common ones, sample every pixel.
  if (y0 == y1) return InkRunsOnRow(r, y0, x0, x1, threshold);
  if (x0 == x1) return InkRunsOnColumn(r, x0, y0, y1, threshold);
  const int32_t n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  TSampleOffset dx(x1 - x0, n), dy(y1 - y0, n);
  int32_t count = 0;
  bool previousInk = false;
  for (int32_t k = 0; k <= n; ++k) {
    const bool ink = InkOrOutside(r, x0 + dx.Value(), y0 + dy.Value(), threshold);
    if (ink && !previousInk) ++count;
    previousInk = ink;
    dx.Next();
    dy.Next();
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
  if (!HasOpenPaper(*copy, threshold)) return 0;
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
  auto open = [&](std::uint8_t v) { return !IsMarked(v) && (v < threshold) == ink; };
  // The fill works span by span: a seed grows into the whole open run of its
  // row, and every open run touching that span in the rows above and below
  // gets one seed. The pixels reached are the seed's component whatever the
  // order, so count and box are those of a pixel-by-pixel fill.
  // One seed stack per thread, reused by every fill: no allocation per fill.
  thread_local std::vector<std::pair<int32_t, int32_t>> seeds;
  seeds.clear();
  seeds.emplace_back(x, y);
  result = TFillResult{0, x, y, x, y};
  // Diagonal neighbours widen the band of the next row by one pixel a side.
  const int32_t reach = eightConnected ? 1 : 0;
  while (!seeds.empty()) {
    const auto [sx, sy] = seeds.back();
    seeds.pop_back();
    std::uint8_t* row = r.Row(sy);
    if (!open(row[sx])) continue;
    int32_t left = sx, right = sx;
    while (left > 0 && open(row[left - 1])) --left;
    while (right < width - 1 && open(row[right + 1])) ++right;
    for (int32_t i = left; i <= right; ++i) row[i] |= mark;
    result.Count += right - left + 1;
    result.Left = std::min(result.Left, left);
    result.Right = std::max(result.Right, right);
    result.Top = std::min(result.Top, sy);
    result.Bottom = std::max(result.Bottom, sy);
    const int32_t from = std::max(left - reach, 0), to = std::min(right + reach, width - 1);
    for (const int32_t ny : {sy - 1, sy + 1}) {
      if (ny < 0 || ny >= height) continue;
      const std::uint8_t* next = r.Row(ny);
      for (int32_t i = from; i <= to; ++i) {
        if (!open(next[i])) continue;
        seeds.emplace_back(i, ny);
        while (i < to && open(next[i + 1])) ++i;
      }
    }
  }
  return result;
}

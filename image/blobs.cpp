// Blob extraction (TDIB::FindBlobs), the blob and point lists, and the
// rectangle helpers.
//
// FindBlobs lists blobs ordered by their leftmost column and, within a
// column, by the top of that column's first pixel.
#include "image/blobs.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <string>

#include "platform/exceptions.h"
#include "platform/rounding.h"

namespace {

[[noreturn]] void IndexError(int32_t index) {
  throw platform::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

int32_t TBlobList::Add(const TRect& box, int32_t pixelCount, int32_t centreX, int32_t centreY) {
  auto rec = std::make_unique<TBlobRec>();
  rec->Left = box.Left;
  rec->Top = box.Top;
  rec->Right = box.Right;
  rec->Bottom = box.Bottom;
  rec->PixelCount = pixelCount;
  rec->CentreX = centreX;
  rec->CentreY = centreY;
  FItems.push_back(std::move(rec));
  return Count() - 1;
}

void TBlobList::CheckIndex(int32_t index) const {
  if (index < 0 || index >= Count()) IndexError(index);
}

TBlobRec& TBlobList::Items(int32_t index) {
  CheckIndex(index);
  return *FItems[index];
}

const TBlobRec& TBlobList::Items(int32_t index) const {
  CheckIndex(index);
  return *FItems[index];
}

void TBlobList::Delete(int32_t index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

void TBlobList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const auto& a, const auto& b) {
    return a->Left != b->Left ? a->Left < b->Left : a->Top < b->Top;
  });
}

int32_t TPointList::Add(int32_t x, int32_t y, std::uint8_t done) {
  FItems.push_back(TPointRec{x, y, done});
  return Count() - 1;
}

void TPointList::CheckIndex(int32_t index) const {
  if (index < 0 || index >= Count()) IndexError(index);
}

TPointRec& TPointList::Items(int32_t index) {
  CheckIndex(index);
  return FItems[index];
}

const TPointRec& TPointList::Items(int32_t index) const {
  CheckIndex(index);
  return FItems[index];
}

bool RectInside(const TRect& a, const TRect& b) {
  return a.Left >= b.Left && a.Right <= b.Right && a.Top >= b.Top && a.Bottom <= b.Bottom;
}

TRect RectUnion(const TRect& a, const TRect& b) {
  return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom)};
}

namespace {

// A horizontal stretch of ink in one row, and the component it joined.
struct TInkRun {
  int32_t Start;
  int32_t End;  // inclusive
  int32_t Row;
  int32_t Parent;  // union-find link; a root links to itself
};

// The first x from `x` on whose bit is `bit`, or `width` when there is none
// (the padding bits after the last pixel never count).
int32_t NextBitFrom(const std::uint8_t* row, int32_t x, int32_t width, int32_t bit) {
  const std::uint8_t flip = bit != 0 ? 0x00 : 0xFF;  // the wanted bits become ones
  const int32_t bytes = (width + 7) >> 3;
  int32_t b = x >> 3;
  if (b >= bytes) return width;
  auto v = static_cast<std::uint8_t>((row[b] ^ flip) & (0xFF >> (x & 7)));
  while (v == 0) {
    if (++b >= bytes) return width;
    v = static_cast<std::uint8_t>(row[b] ^ flip);
  }
  return std::min(width, (b << 3) + std::countl_zero(v));
}

int32_t RootOf(std::vector<TInkRun>& runs, int32_t i) {
  while (runs[i].Parent != i) {
    runs[i].Parent = runs[runs[i].Parent].Parent;  // path halving
    i = runs[i].Parent;
  }
  return i;
}

// Joins two components; the older run stays the root.
void Join(std::vector<TInkRun>& runs, int32_t a, int32_t b) {
  a = RootOf(runs, a);
  b = RootOf(runs, b);
  if (a < b)
    runs[b].Parent = a;
  else if (b < a)
    runs[a].Parent = b;
}

// What a component adds up to over its runs.
struct TBlobSums {
  TRect Box{INT32_MAX, INT32_MAX, 0, 0};
  int64_t Pixels = 0;
  int64_t SumX = 0;
  int64_t SumY = 0;
  // Its first pixel in a column-major scan: the blobs are listed in that order.
  int32_t FirstX = INT32_MAX;
  int32_t FirstY = INT32_MAX;
};

// The labelling's working lists, kept from call to call on each thread: a
// note holds tens of thousands of runs, and fresh lists of that size cost
// more in page faults than the labelling itself.
struct TBlobScratch {
  std::vector<TInkRun> Runs;
  std::vector<int32_t> Slot;
  std::vector<TBlobSums> Sums;
};

}  // namespace

// Labels runs of ink rather than pixels: each row is cut into runs, a run
// joins every run of the row above that touches it (sharing a column with
// 4-connectivity, also diagonally with 8), and a union-find merges the
// components. Each component's first pixel in a column-major scan orders the
// list, which therefore comes out as a pixel flood fill seeded column by
// column would give it: by leftmost column, then by the top of the blob's
// pixels in that column.
void TDIB::FindBlobs(int32_t connectivity, int32_t minWidth, int32_t minHeight, int32_t minPixels,
                     TBlobList* blobs) const {
  if (FFormat != df1Bit) {
    throw platform::Exception("This operation requires 1 bit per pixel bitmap !");
  }
  // Blob pixels are those showing black, whichever bit value that is.
  const int32_t ink = BlackValue();
  const int32_t width = Width();
  const int32_t height = Height();
  if (width <= 0 || height <= 0) return;
  // Runs of two rows touch when their column spans overlap, widened by one
  // column on each side when diagonal neighbours count.
  const int32_t reach = connectivity == 4 ? 0 : 1;

  thread_local TBlobScratch scratch;
  std::vector<TInkRun>& runs = scratch.Runs;
  runs.clear();
  std::size_t above = 0;  // first run of the previous row
  for (int32_t y = 0; y < height; ++y) {
    const std::size_t first = runs.size();
    const std::uint8_t* row = Row(y);
    for (int32_t x = NextBitFrom(row, 0, width, ink); x < width;) {
      const int32_t end = NextBitFrom(row, x, width, 1 - ink);
      const auto self = static_cast<int32_t>(runs.size());
      runs.push_back(TInkRun{x, end - 1, y, self});
      x = end < width ? NextBitFrom(row, end, width, ink) : width;
    }
    // Both rows' runs are in column order: walk them together, leaving behind
    // whichever run ends first, as it cannot reach the other row's next run.
    for (std::size_t i = above, j = first; i < first && j < runs.size();) {
      if (runs[i].Start <= runs[j].End + reach && runs[j].Start <= runs[i].End + reach)
        Join(runs, static_cast<int32_t>(i), static_cast<int32_t>(j));
      if (runs[i].End < runs[j].End)
        ++i;
      else
        ++j;
    }
    above = first;
  }

  // Sums per component, kept at its root run's index.
  std::vector<int32_t>& slot = scratch.Slot;
  slot.assign(runs.size(), -1);
  std::vector<TBlobSums>& sums = scratch.Sums;
  sums.clear();
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const TInkRun& r = runs[i];
    const int32_t root = RootOf(runs, static_cast<int32_t>(i));
    if (slot[root] < 0) {
      slot[root] = static_cast<int32_t>(sums.size());
      sums.emplace_back();
    }
    TBlobSums& s = sums[slot[root]];
    const int64_t length = r.End - r.Start + 1;
    s.Box.Left = std::min(s.Box.Left, r.Start);
    s.Box.Top = std::min(s.Box.Top, r.Row);
    s.Box.Right = std::max(s.Box.Right, r.End);
    s.Box.Bottom = std::max(s.Box.Bottom, r.Row);
    s.Pixels += length;
    s.SumX += (static_cast<int64_t>(r.Start) + r.End) * length / 2;
    s.SumY += static_cast<int64_t>(r.Row) * length;
    // Rows come in ascending order, so the first run to reach a column is the top one.
    if (r.Start < s.FirstX) {
      s.FirstX = r.Start;
      s.FirstY = r.Row;
    }
  }
  if (blobs == nullptr) return;

  std::vector<const TBlobSums*> kept;
  const int64_t leastPixels = std::max(0, minPixels);
  for (const TBlobSums& s : sums) {
    if (s.Pixels >= leastPixels && s.Box.Right - s.Box.Left + 1 >= minWidth &&
        s.Box.Bottom - s.Box.Top + 1 >= minHeight)
      kept.push_back(&s);
  }
  std::sort(kept.begin(), kept.end(), [](const TBlobSums* a, const TBlobSums* b) {
    return a->FirstX != b->FirstX ? a->FirstX < b->FirstX : a->FirstY < b->FirstY;
  });
  for (const TBlobSums* s : kept) {
    const auto count = static_cast<double>(s->Pixels);
    blobs->Add(s->Box, static_cast<int32_t>(s->Pixels),
               platform::Round(static_cast<double>(s->SumX) / count),
               platform::Round(static_cast<double>(s->SumY) / count));
  }
}

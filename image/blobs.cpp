// Blob extraction (TDIB::FindBlobs), speck removal on it
// (TDIB::EraseSmallBlobs), the blob and point lists, and the rectangle
// helpers.
//
// FindBlobs lists blobs ordered by their leftmost column and, within a
// column, by the top of that column's first pixel.
#include "image/blobs.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "platform/deadline.h"
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

// What a blob adds up to over its runs.
struct TBlobSums {
  TRect Box{INT32_MAX, INT32_MAX, 0, 0};
  int64_t Pixels = 0;
  int64_t SumX = 0;
  int64_t SumY = 0;
  // Its first pixel in a column-major scan: the blobs are listed in that order.
  int32_t FirstX = INT32_MAX;
  int32_t FirstY = INT32_MAX;

  void AddRun(int32_t start, int32_t end, int32_t row) {
    const int64_t length = end - start + 1;
    Box = RectUnion(Box, TRect{start, row, end, row});
    Pixels += length;
    SumX += (static_cast<int64_t>(start) + end) * length / 2;
    SumY += static_cast<int64_t>(row) * length;
    TakeFirst(start, row);
  }
  void Absorb(const TBlobSums& o) {
    Box = RectUnion(Box, o.Box);
    Pixels += o.Pixels;
    SumX += o.SumX;
    SumY += o.SumY;
    TakeFirst(o.FirstX, o.FirstY);
  }
  // The leftmost column wins, and in it the topmost row.
  void TakeFirst(int32_t x, int32_t y) {
    if (x < FirstX || (x == FirstX && y < FirstY)) {
      FirstX = x;
      FirstY = y;
    }
  }
};

// Labels the blobs of a 1-bit raster a row at a time, keeping only the runs
// of ink of the row above and the blobs they belong to: a run joins every run
// of the row above that touches it (sharing a column with 4-connectivity,
// also diagonally with 8), and a blob that no run of a row touches is
// complete and handed to `done`. Memory thus follows the width of the
// picture, not the number of its blobs. The blobs come in no particular
// order; rows already passed may be changed by `done`, as they are not read
// again.
class TBlobLabeller {
 public:
  explicit TBlobLabeller(int32_t connectivity) : reach_(connectivity == 4 ? 0 : 1) {}

  template <class Done>
  void Run(const TDIB& dib, const Done& done) {
    const int32_t ink = dib.BlackValue();
    const int32_t width = dib.Width();
    const int32_t height = dib.Height();
    for (int32_t y = 0; y < height; ++y) {
      platform::CheckDeadline();
      LabelRow(dib.Row(y), width, ink, y);
      FinishRow(y, done);
    }
    std::swap(above_, current_);
    current_.clear();
    FinishRow(height, done);
  }

 private:
  struct TRun {
    int32_t Start;
    int32_t End;  // inclusive
    int32_t Label;
  };

  int32_t Root(int32_t label) {
    while (parent_[label] != label) {
      parent_[label] = parent_[parent_[label]];  // path halving
      label = parent_[label];
    }
    return label;
  }

  int32_t NewLabel() {
    int32_t label;
    if (free_.empty()) {
      label = static_cast<int32_t>(parent_.size());
      parent_.push_back(label);
      sums_.emplace_back();
      seen_.push_back(-1);
    } else {
      label = free_.back();
      free_.pop_back();
      parent_[label] = label;
      sums_[label] = TBlobSums{};
      seen_[label] = -1;
    }
    return label;
  }

  // Joins the blob of `other` to that of `label`, which stays the root.
  void Join(int32_t label, int32_t other) {
    other = Root(other);
    if (other == label) return;
    sums_[label].Absorb(sums_[other]);
    parent_[other] = label;
    joined_.push_back(other);
  }

  // Cuts the row into runs and joins each to the runs above that it touches.
  void LabelRow(const std::uint8_t* row, int32_t width, int32_t ink, int32_t y) {
    std::swap(above_, current_);
    current_.clear();
    std::size_t first = 0;  // the first run above that can still touch a run of this row
    for (int32_t x = NextBitFrom(row, 0, width, ink); x < width;) {
      const int32_t end = NextBitFrom(row, x, width, 1 - ink) - 1;
      // Both rows' runs are in column order: a run above that ends before
      // this one (widened by the reach) starts cannot touch the next ones.
      while (first < above_.size() && above_[first].End + reach_ < x) ++first;
      int32_t label = -1;
      for (std::size_t k = first; k < above_.size() && above_[k].Start <= end + reach_; ++k) {
        if (label < 0)
          label = Root(above_[k].Label);
        else
          Join(label, above_[k].Label);
      }
      if (label < 0) label = NewLabel();
      sums_[label].AddRun(x, end, y);
      current_.push_back(TRun{x, end, label});
      x = end + 1 < width ? NextBitFrom(row, end + 1, width, ink) : width;
    }
  }

  // The blobs of the row above that this row does not continue are complete.
  // Labels joined to others are no longer named by any run: they are free
  // again, like those of complete blobs.
  template <class Done>
  void FinishRow(int32_t y, const Done& done) {
    for (TRun& r : current_) {
      r.Label = Root(r.Label);
      seen_[r.Label] = y;
    }
    for (const TRun& r : above_) {
      const int32_t root = Root(r.Label);
      if (seen_[root] == y) continue;
      seen_[root] = y;
      done(sums_[root]);
      free_.push_back(root);
    }
    free_.insert(free_.end(), joined_.begin(), joined_.end());
    joined_.clear();
  }

  const int32_t reach_;
  std::vector<TRun> above_, current_;
  // Per label: its union-find link (a root links to itself), the sums of its
  // blob (at the root), and the last row the blob was seen in.
  std::vector<int32_t> parent_;
  std::vector<TBlobSums> sums_;
  std::vector<int32_t> seen_;
  std::vector<int32_t> free_;
  std::vector<int32_t> joined_;  // labels joined to another blob in this row
};

}  // namespace

// Each blob's first pixel in a column-major scan orders the list, which
// therefore comes out as a pixel flood fill seeded column by column would
// give it: by leftmost column, then by the top of the blob's pixels in that
// column.
void TDIB::FindBlobs(int32_t connectivity, int32_t minWidth, int32_t minHeight, int32_t minPixels,
                     TBlobList* blobs) const {
  if (FFormat != df1Bit) {
    throw platform::Exception("This operation requires 1 bit per pixel bitmap !");
  }
  if (Width() <= 0 || Height() <= 0) return;
  std::vector<TBlobSums> kept;
  const int64_t leastPixels = std::max(0, minPixels);
  TBlobLabeller(connectivity).Run(*this, [&](const TBlobSums& s) {
    if (blobs != nullptr && s.Pixels >= leastPixels && s.Box.Right - s.Box.Left + 1 >= minWidth &&
        s.Box.Bottom - s.Box.Top + 1 >= minHeight)
      kept.push_back(s);
  });
  if (blobs == nullptr) return;
  std::sort(kept.begin(), kept.end(), [](const TBlobSums& a, const TBlobSums& b) {
    return a.FirstX != b.FirstX ? a.FirstX < b.FirstX : a.FirstY < b.FirstY;
  });
  for (const TBlobSums& s : kept) {
    const auto count = static_cast<double>(s.Pixels);
    blobs->Add(s.Box, static_cast<int32_t>(s.Pixels),
               platform::Round(static_cast<double>(s.SumX) / count),
               platform::Round(static_cast<double>(s.SumY) / count));
  }
}

// Only the outline of each small blob's box is painted white: specks up to
// 2 x 2 vanish, larger boxes keep whatever lies strictly inside the outline.
// Without a list, the blobs are painted as the labeller completes them, so
// that a page of specks needs no list of them.
void TDIB::EraseSmallBlobs(int32_t maxWidth, int32_t maxHeight, const TBlobList* blobs) {
  const int32_t white = WhiteValue();
  const auto erase = [&](const TRect& b) {
    if (b.Right - b.Left <= maxWidth && b.Bottom - b.Top <= maxHeight) DrawRect(b, white);
  };
  if (blobs != nullptr) {
    for (int32_t i = 0; i < blobs->Count(); ++i) {
      const TBlobRec& b = blobs->Items(i);
      erase(TRect{b.Left, b.Top, b.Right, b.Bottom});
    }
    return;
  }
  if (FFormat != df1Bit) {
    throw platform::Exception("This operation requires 1 bit per pixel bitmap !");
  }
  if (Width() <= 0 || Height() <= 0) return;
  // A blob is complete only once the labeller has passed its last row: its
  // outline is painted where nothing is read again.
  TBlobLabeller(8).Run(*this, [&](const TBlobSums& s) { erase(s.Box); });
}

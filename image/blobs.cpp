// Blob extraction (TDIB::FindBlobs), the blob and point lists, and the
// rectangle helpers.
//
// FindBlobs seeds a breadth-first flood fill at every unvisited black pixel
// of a column-major scan, so blobs come out ordered by their leftmost column
// and, within a column, by the top of that column's first pixel.
#include "image/blobs.h"

#include <algorithm>
#include <climits>
#include <string>

#include "platform/exceptions.h"
#include "platform/rounding.h"

namespace {

[[noreturn]] void IndexError(int32_t index) {
  throw platform::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

int32_t BitAt(const std::uint8_t* row, int32_t x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
void SetBit(std::uint8_t* row, int32_t x) {
  row[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
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

  // Visited pixels: one bit each, set as a pixel joins the queue so that no
  // pixel is queued twice and no visited pixel seeds another blob.
  TDIB mask;
  mask.NewImage(width, height, df1Bit, XDpi(), YDpi());
  auto isNew = [&](int32_t x, int32_t y) {
    return BitAt(mask.FRows[y], x) == 0 && BitAt(FRows[y], x) == ink;
  };
  TPointList points;  // reused from blob to blob: its storage is kept
  auto take = [&](int32_t x, int32_t y) {
    if (!isNew(x, y)) return;
    points.Add(x, y, 0);
    SetBit(mask.FRows[y], x);
  };
  const int32_t lastX = width - 1;
  const int32_t lastY = height - 1;
  const int32_t leastPixels = std::max(0, minPixels);

  for (int32_t x = 0; x < width; ++x) {
    for (int32_t y = 0; y < height; ++y) {
      if (!isNew(x, y)) continue;
      points.Clear();
      take(x, y);
      for (int32_t i = 0; i < points.Count(); ++i) {
        TPointRec& p = points.Items(i);
        if (p.Done != 0) continue;
        p.Done = 1;
        const int32_t px = p.X;  // `p` dangles once a neighbour is added
        const int32_t py = p.Y;
        if (connectivity == 4) {
          take(px, py);
          take(std::max(0, px - 1), py);
          take(std::min(px + 1, lastX), py);
          take(px, std::max(0, py - 1));
          take(px, std::min(py + 1, lastY));
        } else {
          for (int32_t nx = std::max(0, px - 1); nx <= std::min(px + 1, lastX); ++nx)
            for (int32_t ny = std::max(0, py - 1); ny <= std::min(py + 1, lastY); ++ny)
              take(nx, ny);
        }
      }

      const int32_t count = points.Count();
      if (count < leastPixels) continue;
      TRect box{INT32_MAX, INT32_MAX, 0, 0};
      int64_t sumX = 0, sumY = 0;
      for (int32_t i = 0; i < count; ++i) {
        const TPointRec& p = points.Items(i);
        box.Left = std::min(box.Left, p.X);
        box.Top = std::min(box.Top, p.Y);
        box.Right = std::max(box.Right, p.X);
        box.Bottom = std::max(box.Bottom, p.Y);
        sumX += p.X;
        sumY += p.Y;
      }
      if (blobs != nullptr && box.Right - box.Left + 1 >= minWidth &&
          box.Bottom - box.Top + 1 >= minHeight) {
        blobs->Add(box, count, platform::Round(static_cast<double>(sumX) / count),
                   platform::Round(static_cast<double>(sumY) / count));
      }
    }
  }
}

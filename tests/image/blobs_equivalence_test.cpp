// The run-based FindBlobs against a plain pixel flood fill, the way blobs
// were found before: a breadth-first fill seeded at every unvisited ink pixel
// of a column-major scan. Both must list the same blobs in the same order on
// binarised fixture notes and on random rasters of every density.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "image/blobs.h"
#include "image/dibops.h"
#include "image/dibunit.h"
#include "platform/rounding.h"

namespace {

// The reference: one flood fill per blob, neighbours clamped to the raster,
// pixels marked as they are queued.
void FloodFillBlobs(const TDIB& dib, int32_t connectivity, int32_t minWidth, int32_t minHeight,
                    int32_t minPixels, TBlobList& blobs) {
  const int32_t ink = dib.BlackValue();
  const int32_t width = dib.Width();
  const int32_t height = dib.Height();
  std::vector<std::uint8_t> seen(static_cast<std::size_t>(width) * height, 0);
  auto isNew = [&](int32_t x, int32_t y) {
    return seen[static_cast<std::size_t>(y) * width + x] == 0 && dib.GetPixel(x, y) == ink;
  };
  TPointList points;
  auto take = [&](int32_t x, int32_t y) {
    if (!isNew(x, y)) return;
    points.Add(x, y, 0);
    seen[static_cast<std::size_t>(y) * width + x] = 1;
  };
  const int32_t lastX = width - 1;
  const int32_t lastY = height - 1;
  for (int32_t x = 0; x < width; ++x) {
    for (int32_t y = 0; y < height; ++y) {
      if (!isNew(x, y)) continue;
      points.Clear();
      take(x, y);
      for (int32_t i = 0; i < points.Count(); ++i) {
        TPointRec& p = points.Items(i);
        if (p.Done != 0) continue;
        p.Done = 1;
        const int32_t px = p.X;
        const int32_t py = p.Y;
        if (connectivity == 4) {
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
      if (count < std::max(0, minPixels)) continue;
      TRect box{INT32_MAX, INT32_MAX, 0, 0};
      int64_t sumX = 0, sumY = 0;
      for (int32_t i = 0; i < count; ++i) {
        const TPointRec& p = points.Items(i);
        box = RectUnion(box, TRect{p.X, p.Y, p.X, p.Y});
        sumX += p.X;
        sumY += p.Y;
      }
      if (box.Right - box.Left + 1 >= minWidth && box.Bottom - box.Top + 1 >= minHeight)
        blobs.Add(box, count, platform::Round(static_cast<double>(sumX) / count),
                  platform::Round(static_cast<double>(sumY) / count));
    }
  }
}

std::vector<TBlobRec> Records(const TBlobList& list) {
  std::vector<TBlobRec> out;
  for (int32_t i = 0; i < list.Count(); ++i) out.push_back(list.Items(i));
  return out;
}

bool SameRecord(const TBlobRec& a, const TBlobRec& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom &&
         a.Group == b.Group && a.PixelCount == b.PixelCount && a.CentreX == b.CentreX &&
         a.CentreY == b.CentreY;
}

// Both searches with the minimums the serial reader and the speck eraser use
// and a stricter set; returns how many blobs the first search found.
std::size_t ExpectSameBlobs(const TDIB& dib, const std::string& what) {
  struct Minimums {
    int32_t width, height, pixels;
  };
  std::size_t found = 0;
  for (int32_t connectivity : {8, 4}) {
    for (const Minimums m : {Minimums{0, 0, 0}, Minimums{3, 5, 12}}) {
      TBlobList runs, fill;
      dib.FindBlobs(connectivity, m.width, m.height, m.pixels, &runs);
      FloodFillBlobs(dib, connectivity, m.width, m.height, m.pixels, fill);
      const std::vector<TBlobRec> a = Records(runs), b = Records(fill);
      EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end(), SameRecord))
          << what << " conn " << connectivity << " min " << m.width << "x" << m.height << " n"
          << m.pixels << ": " << a.size() << " blobs against " << b.size();
      if (found == 0) found = a.size();
    }
  }
  return found;
}

std::unique_ptr<TDIB> LoadNote(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  std::unique_ptr<TDibGraphic> graphic = LoadGraphic(path.filename().string(), bytes, 1);
  auto raster = std::make_unique<TDIB>();
  raster->AttachBlock(graphic->ExportPackedDib());
  return raster;
}

}  // namespace

// Every fixture note, binarised the way the serial reader's first pass does.
TEST(FindBlobsEquivalence, FixtureNotes) {
  const std::filesystem::path data(VEREVIZU_TEST_DATA);
  int32_t notes = 0;
  for (const auto& folder : {data, data / "notes"}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (!name.starts_with("note_")) continue;
      std::unique_ptr<TDIB> note = LoadNote(entry.path());
      if (note->Format() == df24Bit || note->Format() == df4Bit) note->ConvertTo(df8Bit);
      if (note->Format() == df8Bit) note->AutoThreshold(tmOtsu, true, 0, 255);
      ASSERT_EQ(note->Format(), df1Bit) << name;
      EXPECT_GT(ExpectSameBlobs(*note, name), 10u) << name;
      ++notes;
    }
  }
  EXPECT_GE(notes, 20);
}

// Random rasters from sparse specks to nearly solid ink, with widths off the
// byte grid, both colour-table orders and garbage in the row padding.
TEST(FindBlobsEquivalence, RandomRasters) {
  std::mt19937 random(20261210);
  for (int32_t trial = 0; trial < 120; ++trial) {
    const auto width = static_cast<int32_t>(1 + random() % 70);
    const auto height = static_cast<int32_t>(1 + random() % 50);
    const double density = (trial % 10) / 9.0;
    TDIB dib;
    dib.NewImage(width, height, df1Bit, 300, 300);
    if (trial % 2 == 1) {
      dib.SetPaletteEntry(0, 0x00FFFFFF);
      dib.SetPaletteEntry(1, 0);
    }
    std::bernoulli_distribution ink(density);
    for (int32_t y = 0; y < height; ++y) {
      std::uint8_t* row = dib.Row(y);
      for (int32_t b = 0; b < dib.RowBytes(); ++b) row[b] = static_cast<std::uint8_t>(random());
      for (int32_t x = 0; x < width; ++x)
        dib.SetPixel(x, y, ink(random) ? dib.BlackValue() : dib.WhiteValue());
    }
    ExpectSameBlobs(dib, "trial " + std::to_string(trial) + " " + std::to_string(width) + "x" +
                             std::to_string(height));
  }
}

// The speck eraser paints each blob as soon as the search has passed it; the
// result is that of painting after a whole search, from the list of the
// reference fill.
TEST(EraseSmallBlobsEquivalence, PaintingDuringTheSearchAsAfterIt) {
  std::mt19937 random(20261211);
  for (int32_t trial = 0; trial < 60; ++trial) {
    const auto width = static_cast<int32_t>(1 + random() % 70);
    const auto height = static_cast<int32_t>(1 + random() % 50);
    std::bernoulli_distribution ink((trial % 10) / 9.0);
    TDIB during;
    during.NewImage(width, height, df1Bit, 300, 300);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        during.SetPixel(x, y, ink(random) ? during.BlackValue() : during.WhiteValue());
    const std::unique_ptr<TDIB> after = during.Duplicate();
    TBlobList blobs;
    FloodFillBlobs(*after, 8, 0, 0, 0, blobs);
    after->EraseSmallBlobs(3, 3, &blobs);
    during.EraseSmallBlobs(3, 3, nullptr);
    for (int32_t y = 0; y < height; ++y)
      ASSERT_TRUE(std::equal(during.Row(y), during.Row(y) + during.RowBytes(), after->Row(y)))
          << "trial " << trial << " row " << y;
  }
}

#include "barcode/bardirections.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "image/blobs.h"  // RectUnion

namespace barcode {
namespace {

// Tiles of this many pixels a side hold a few modules of the smallest codes
// and a few bars of the largest.
constexpr int32_t kTile = 24;
// Gradients are taken at every third pixel of every third row: bars of two
// pixels still put an edge under one point in three, and the cost stays a
// small share of a sweep.
constexpr int32_t kGrid = 3;
// A point sits on an edge when the grey level changes by this much across
// two pixels: printed bars on paper do, sensor noise does not.
constexpr int32_t kEdgeContrast = 48;
// A tile speaks when this many of its points sit on edges ...
constexpr int32_t kLeastEdges = 8;
// ... and their normals agree this well (1: all parallel, 0: any way).
constexpr double kLeastCoherence = 0.8;
// An axis, and a field, needs this many tiles that agree on it within
// kSpread degrees.
constexpr int32_t kLeastTiles = 2;
constexpr int32_t kSpread = 3;

// Degrees between two axes, across 0/180.
double AnglesApart(double a, double b) {
  const double apart = std::abs(a - b);
  return std::min(apart, 180 - apart);
}

struct TTensor {
  int64_t Xx = 0, Yy = 0, Xy = 0;
  int32_t Edges = 0;
};

// The grey-level gradient at (x, y), over two pixels, with the neighbours
// on either side weighted 3, 10, 3: plain differences of neighbours turn the
// edges of bars a few pixels wide towards the diagonals. Points on flat paper
// are told apart first from the four nearest neighbours.
template <TDIBFormat Format>
bool EdgeGradient(const TGreyPixels& p, int32_t x, int32_t y, int32_t& gx, int32_t& gy) {
  const int32_t l = p.GreyOf<Format>(x - 1, y), r = p.GreyOf<Format>(x + 1, y);
  const int32_t u = p.GreyOf<Format>(x, y - 1), d = p.GreyOf<Format>(x, y + 1);
  if (std::abs(r - l) + std::abs(d - u) < kEdgeContrast / 2) return false;
  const int32_t ul = p.GreyOf<Format>(x - 1, y - 1), ur = p.GreyOf<Format>(x + 1, y - 1);
  const int32_t dl = p.GreyOf<Format>(x - 1, y + 1), dr = p.GreyOf<Format>(x + 1, y + 1);
  gx = 3 * (ur - ul) + 10 * (r - l) + 3 * (dr - dl);
  gy = 3 * (dl - ul) + 10 * (d - u) + 3 * (dr - ur);
  return std::abs(gx) + std::abs(gy) >= 16 * kEdgeContrast;
}

template <TDIBFormat Format>
TTensor TileTensor(const TGreyPixels& pixels, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  TTensor t;
  for (int32_t y = y0 + 1; y < y1; y += kGrid) {
    for (int32_t x = x0 + 1; x < x1; x += kGrid) {
      int32_t gx = 0, gy = 0;
      if (!EdgeGradient<Format>(pixels, x, y, gx, gy)) continue;
      t.Xx += int64_t{gx} * gx;
      t.Yy += int64_t{gy} * gy;
      t.Xy += int64_t{gx} * gy;
      ++t.Edges;
    }
  }
  return t;
}

TTensor TileTensorOf(const TGreyPixels& pixels, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  switch (pixels.Format()) {
    case df1Bit:
      return TileTensor<df1Bit>(pixels, x0, y0, x1, y1);
    case df8Bit:
      return TileTensor<df8Bit>(pixels, x0, y0, x1, y1);
    default:
      return TileTensor<df24Bit>(pixels, x0, y0, x1, y1);
  }
}

// The axes that enough coherent tiles agree on, from the tiles' angles
// (-1 for a tile that does not speak), strongest first.
std::vector<double> Axes(const std::vector<double>& angles) {
  // Tiles per whole degree, and the tiles within kSpread degrees of each.
  std::array<int32_t, 180> tiles{};
  std::array<double, 180> sumAngle{};
  for (const double angle : angles) {
    if (angle < 0) continue;
    const int32_t bin = static_cast<int32_t>(angle) % 180;
    ++tiles[bin];
    sumAngle[bin] += angle;
  }
  std::array<int32_t, 180> around{};
  for (int32_t b = 0; b < 180; ++b) {
    for (int32_t d = -kSpread; d <= kSpread; ++d) around[b] += tiles[(b + d + 180) % 180];
  }
  std::vector<std::pair<int32_t, double>> peaks;  // tiles, mean angle
  for (int32_t b = 0; b < 180; ++b) {
    const int32_t n = around[b];
    if (n < kLeastTiles || n < around[(b + 179) % 180] || n <= around[(b + 1) % 180]) continue;
    // The mean angle of the tiles around the peak, taken across 0/180.
    double sum = 0;
    int32_t count = 0;
    for (int32_t d = -kSpread; d <= kSpread; ++d) {
      const int32_t bin = (b + d + 180) % 180;
      if (tiles[bin] == 0) continue;
      double a = sumAngle[bin] / tiles[bin];
      if (b + d < 0) a -= 180;
      if (b + d >= 180) a += 180;
      sum += a * tiles[bin];
      count += tiles[bin];
    }
    double mean = sum / count;
    if (mean < 0) mean += 180;
    if (mean >= 180) mean -= 180;
    peaks.emplace_back(n, mean);
  }
  std::stable_sort(peaks.begin(), peaks.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  // A peak split by a dip within the spread is one axis.
  std::vector<double> axes;
  for (const auto& peak : peaks) {
    const double degrees = peak.second;
    const bool near = std::any_of(axes.begin(), axes.end(),
                                  [&](double d) { return AnglesApart(d, degrees) <= 2 * kSpread; });
    if (!near) axes.push_back(degrees);
  }
  return axes;
}

}  // namespace

TBarFields::TBarFields(const TGreyPixels& pixels) {
  const int32_t w = pixels.Width(), h = pixels.Height();
  FTilesX = std::max(w / kTile, 0);
  FTilesY = std::max(h / kTile, 0);
  const auto tileCount = static_cast<std::size_t>(FTilesX) * static_cast<std::size_t>(FTilesY);
  FTileField.assign(tileCount, -1);
  if (tileCount == 0) return;

  // Each tile's edge-normal angle, or -1 where the tile does not speak.
  std::vector<double> angles(tileCount, -1);
  for (int32_t ty = 0; ty < FTilesY; ++ty) {
    for (int32_t tx = 0; tx < FTilesX; ++tx) {
      const int32_t x0 = std::max(tx * kTile, 1), x1 = std::min((tx + 1) * kTile, w - 1);
      const int32_t y0 = std::max(ty * kTile, 1), y1 = std::min((ty + 1) * kTile, h - 1);
      const TTensor t = TileTensorOf(pixels, x0, y0, x1, y1);
      if (t.Edges < kLeastEdges) continue;
      const double diff = static_cast<double>(t.Xx - t.Yy);
      const double cross = 2.0 * static_cast<double>(t.Xy);
      const double coherence = std::hypot(diff, cross) / static_cast<double>(t.Xx + t.Yy);
      if (coherence < kLeastCoherence) continue;
      double angle = std::atan2(cross, diff) * 90 / M_PI;  // half the tensor's angle
      if (angle < 0) angle += 180;
      angles[static_cast<std::size_t>(ty) * FTilesX + tx] = std::fmod(angle, 180);
    }
  }
  const std::vector<double> axes = Axes(angles);

  // Each tile joins the axis it lies near; touching tiles of one axis make
  // a field.
  std::vector<int32_t> axisOf(tileCount, -1);
  for (std::size_t i = 0; i < tileCount; ++i) {
    if (angles[i] < 0) continue;
    for (std::size_t a = 0; a < axes.size(); ++a) {
      if (AnglesApart(angles[i], axes[a]) <= kSpread) {
        axisOf[i] = static_cast<int32_t>(a);
        break;
      }
    }
  }
  std::vector<std::pair<int32_t, int32_t>> stack;
  for (int32_t ty = 0; ty < FTilesY; ++ty) {
    for (int32_t tx = 0; tx < FTilesX; ++tx) {
      const std::size_t first = static_cast<std::size_t>(ty) * FTilesX + tx;
      if (axisOf[first] < 0 || FTileField[first] >= 0) continue;
      const auto index = static_cast<int32_t>(FFields.size());
      TBarField field{axes[static_cast<std::size_t>(axisOf[first])], {}, 0};
      FTileField[first] = index;
      stack.assign(1, {tx, ty});
      while (!stack.empty()) {
        const auto [cx, cy] = stack.back();
        stack.pop_back();
        const TRect tile{cx * kTile, cy * kTile, (cx + 1) * kTile - 1, (cy + 1) * kTile - 1};
        field.Box = field.Tiles++ ? RectUnion(field.Box, tile) : tile;
        for (int32_t dy = -1; dy <= 1; ++dy) {
          for (int32_t dx = -1; dx <= 1; ++dx) {
            const int32_t nx = cx + dx, ny = cy + dy;
            if (nx < 0 || ny < 0 || nx >= FTilesX || ny >= FTilesY) continue;
            const std::size_t n = static_cast<std::size_t>(ny) * FTilesX + nx;
            if (axisOf[n] != axisOf[first] || FTileField[n] >= 0) continue;
            FTileField[n] = index;
            stack.emplace_back(nx, ny);
          }
        }
      }
      FFields.push_back(field);
    }
  }

  // Fields of a single tile say too little; the rest, largest first.
  std::vector<int32_t> renumber(FFields.size(), -1);
  std::vector<std::size_t> order;
  for (std::size_t f = 0; f < FFields.size(); ++f) {
    if (FFields[f].Tiles >= kLeastTiles) order.push_back(f);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return FFields[a].Tiles > FFields[b].Tiles;
  });
  std::vector<TBarField> kept;
  for (const std::size_t f : order) {
    renumber[f] = static_cast<int32_t>(kept.size());
    kept.push_back(FFields[f]);
  }
  for (int32_t& f : FTileField) f = f >= 0 ? renumber[static_cast<std::size_t>(f)] : -1;
  FFields = std::move(kept);
}

int32_t TBarFields::FieldAt(int32_t x, int32_t y) const {
  if (x < 0 || y < 0) return -1;
  const int32_t tx = x / kTile, ty = y / kTile;
  if (tx >= FTilesX || ty >= FTilesY) return -1;
  return FTileField[static_cast<std::size_t>(ty) * FTilesX + tx];
}

}  // namespace barcode

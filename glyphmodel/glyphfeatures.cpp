#include "glyphmodel/glyphfeatures.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A glyph's ink as a bitmap of its own ink box.
struct TInkBox {
  int32_t Width = 0, Height = 0;
  std::vector<std::uint8_t> Ink;  // row-major, 1 = ink
  bool At(int32_t x, int32_t y) const { return Ink[static_cast<std::size_t>(y * Width + x)] != 0; }
};

TInkBox CutInkBox(const TDIB& raster, std::uint8_t threshold, const TRect& box) {
  const int32_t x0 = std::max(0, box.Left), x1 = std::min(raster.Width() - 1, box.Right);
  const int32_t y0 = std::max(0, box.Top), y1 = std::min(raster.Height() - 1, box.Bottom);
  // The ink's box, empty (left past right) until an ink pixel is seen: a box
  // clipped to nothing, wholly outside the raster, never counts as holding ink.
  int32_t left = raster.Width(), right = -1, top = raster.Height(), bottom = -1;
  for (int32_t y = y0; y <= y1; ++y) {
    const std::uint8_t* row = raster.Row(y);
    for (int32_t x = x0; x <= x1; ++x) {
      if (row[x] >= threshold) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  TInkBox ink;
  if (left > right) return ink;
  ink.Width = right - left + 1;
  ink.Height = bottom - top + 1;
  ink.Ink.resize(static_cast<std::size_t>(ink.Width * ink.Height));
  for (int32_t y = 0; y < ink.Height; ++y) {
    const std::uint8_t* row = raster.Row(top + y);
    for (int32_t x = 0; x < ink.Width; ++x) {
      ink.Ink[static_cast<std::size_t>(y * ink.Width + x)] = row[left + x] < threshold ? 1 : 0;
    }
  }
  return ink;
}

// How much of each grid cell along one axis a source pixel covers when
// `pixels` pixels are scaled by `scale` and start at grid position `offset`.
struct TCellShare {
  int32_t Cell;
  float Share;
};
std::vector<std::vector<TCellShare>> AxisShares(int32_t pixels, double scale, double offset) {
  std::vector<std::vector<TCellShare>> shares(static_cast<std::size_t>(pixels));
  for (int32_t p = 0; p < pixels; ++p) {
    const double from = offset + p * scale, to = offset + (p + 1) * scale;
    for (int32_t c = std::max(0, static_cast<int32_t>(std::floor(from))); c < kGlyphGrid && c < to;
         ++c) {
      const double overlap = std::min<double>(to, c + 1) - std::max<double>(from, c);
      if (overlap > 0)
        shares[static_cast<std::size_t>(p)].push_back({c, static_cast<float>(overlap)});
    }
  }
  return shares;
}

// Holes smaller than this share of the ink box are specks of noise, not the
// counter of an "A" or the loops of an "8".
constexpr int32_t kHoleShareOfBox = 100;
constexpr int32_t kMinHolePixels = 2;

// Paper regions (4-connected) that do not reach the border of the ink box.
int32_t CountHoles(const TInkBox& g) {
  const int32_t w = g.Width, h = g.Height;
  std::vector<int32_t> label(static_cast<std::size_t>(w * h), 0);  // 0 unvisited, 1 outside, 2 hole
  std::vector<int32_t> stack;
  auto fill = [&](int32_t start, int32_t mark) {
    int32_t area = 0;
    stack.assign(1, start);
    label[static_cast<std::size_t>(start)] = mark;
    while (!stack.empty()) {
      const int32_t p = stack.back();
      stack.pop_back();
      ++area;
      const int32_t x = p % w, y = p / w;
      const int32_t next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& n : next) {
        if (n[0] < 0 || n[1] < 0 || n[0] >= w || n[1] >= h) continue;
        const int32_t q = n[1] * w + n[0];
        if (label[static_cast<std::size_t>(q)] != 0 || g.At(n[0], n[1])) continue;
        label[static_cast<std::size_t>(q)] = mark;
        stack.push_back(q);
      }
    }
    return area;
  };
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
      if (border && !g.At(x, y) && label[static_cast<std::size_t>(y * w + x)] == 0)
        fill(y * w + x, 1);
    }
  }
  const int32_t minArea = std::max(kMinHolePixels, w * h / kHoleShareOfBox);
  int32_t holes = 0;
  for (int32_t p = 0; p < w * h; ++p) {
    if (label[static_cast<std::size_t>(p)] != 0 || g.Ink[static_cast<std::size_t>(p)] != 0)
      continue;
    if (fill(p, 2) >= minArea) ++holes;
  }
  return holes;
}

}  // namespace

TGlyphFeatures GlyphFeatures(const TDIB& raster, std::uint8_t threshold, const TRect& box) {
  TGlyphFeatures f{};
  const TInkBox g = CutInkBox(raster, threshold, box);
  if (g.Ink.empty()) return f;

  const double scale = static_cast<double>(kGlyphGrid) / std::max(g.Width, g.Height);
  const auto xs = AxisShares(g.Width, scale, (kGlyphGrid - g.Width * scale) / 2);
  const auto ys = AxisShares(g.Height, scale, (kGlyphGrid - g.Height * scale) / 2);
  std::array<float, kGlyphGrid> rowCover{};
  int32_t inkPixels = 0;
  for (int32_t y = 0; y < g.Height; ++y) {
    rowCover.fill(0);
    for (int32_t x = 0; x < g.Width; ++x) {
      if (!g.At(x, y)) continue;
      ++inkPixels;
      for (const TCellShare& s : xs[static_cast<std::size_t>(x)]) rowCover[s.Cell] += s.Share;
    }
    for (const TCellShare& s : ys[static_cast<std::size_t>(y)]) {
      float* cells = &f[static_cast<std::size_t>(s.Cell * kGlyphGrid)];
      for (int32_t c = 0; c < kGlyphGrid; ++c) cells[c] += s.Share * rowCover[c];
    }
  }
  // Shares are in grid units, so a cell's sum is the share of its area that
  // ink covers; rounding may carry it a hair past 1.
  for (std::size_t i = 0; i < kGridFeatures; ++i) f[i] = std::min(1.0f, f[i]);

  const int32_t holes = CountHoles(g);
  f[kGridFeatures + 0] = static_cast<float>(g.Width) / static_cast<float>(g.Height);
  f[kGridFeatures + 1] = holes >= 1 ? 1.0f : 0.0f;
  f[kGridFeatures + 2] = holes >= 2 ? 1.0f : 0.0f;
  f[kGridFeatures + 3] = static_cast<float>(inkPixels) / static_cast<float>(g.Width * g.Height);
  return f;
}

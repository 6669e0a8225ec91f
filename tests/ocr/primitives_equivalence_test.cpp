// The probes that read rows and columns directly and the span-by-span fill
// against plain pixel-at-a-time versions of the same rules, the way they were
// first written. Random rasters mix ink, paper and marked values on both
// sides of the threshold; probes start inside, on and beyond every border.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "classifier/primitives.h"
#include "ocr/omnifontocr.h"

namespace {

bool Inside(const TDIB& r, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < r.Width() && y < r.Height();
}

std::uint8_t PlainRectColours(const TDIB& r, int32_t x0, int32_t x1, int32_t y0, int32_t y1,
                              std::uint8_t threshold, std::uint8_t wanted) {
  std::uint8_t present = 0;
  for (int32_t y = std::max(y0, 0); y <= std::min(y1, r.Height() - 1); ++y) {
    for (int32_t x = std::max(x0, 0); x <= std::min(x1, r.Width() - 1); ++x) {
      present |= IsInk(r, x, y, threshold) ? cfInk : cfPaper;
    }
  }
  return wanted & present;
}

int32_t PlainRunLength(const TDIB& r, int32_t x, int32_t y, int32_t direction,
                       std::uint8_t stopColour, int32_t maxSteps, std::uint8_t threshold) {
  if (!Inside(r, x, y) || direction < dirUp || direction > dirRight) return 0;
  const int32_t dx = direction == dirLeft ? -1 : direction == dirRight ? 1 : 0;
  const int32_t dy = direction == dirUp ? -1 : direction == dirDown ? 1 : 0;
  int32_t i = 0;
  while (i < maxSteps && Inside(r, x, y)) {
    if (IsInk(r, x, y, threshold) == (stopColour == cfInk)) return i;
    ++i;
    x += dx;
    y += dy;
  }
  return i;
}

int32_t PlainCountInkRuns(const TDIB& r, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                          std::uint8_t threshold) {
  const int32_t n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  int32_t count = 0;
  bool previousInk = false;
  for (int32_t k = 0; k <= n; ++k) {
    const int32_t x = n == 0 ? x0 : x0 + (x1 - x0) * k / n;
    const int32_t y = n == 0 ? y0 : y0 + (y1 - y0) * k / n;
    const bool ink = Inside(r, x, y) && IsInk(r, x, y, threshold);
    if (ink && !previousInk) ++count;
    previousInk = ink;
  }
  return count;
}

TFillResult PlainFill(TDIB& r, int32_t x, int32_t y, std::uint8_t mark, std::uint8_t threshold,
                      bool eight) {
  TFillResult result;
  mark &= 7;
  if (mark == 0 || !Inside(r, x, y) || (r.Row(y)[x] & 7) != 0) return result;
  const bool ink = IsInk(r, x, y, threshold);
  std::vector<std::pair<int32_t, int32_t>> pending = {{x, y}};
  r.Row(y)[x] |= mark;
  result = TFillResult{0, x, y, x, y};
  while (!pending.empty()) {
    const auto [px, py] = pending.back();
    pending.pop_back();
    ++result.Count;
    result.Left = std::min(result.Left, px);
    result.Right = std::max(result.Right, px);
    result.Top = std::min(result.Top, py);
    result.Bottom = std::max(result.Bottom, py);
    for (int32_t nx = px - 1; nx <= px + 1; ++nx) {
      for (int32_t ny = py - 1; ny <= py + 1; ++ny) {
        if (!Inside(r, nx, ny) || (!eight && nx != px && ny != py)) continue;
        std::uint8_t& v = r.Row(ny)[nx];
        if ((v & 7) != 0 || (v < threshold) != ink) continue;
        v |= mark;
        pending.emplace_back(nx, ny);
      }
    }
  }
  return result;
}

// Ink, paper and marked values on both sides of the thresholds used below,
// with long enough runs of one value for strokes and holes to form.
std::unique_ptr<TDIB> RandomRaster(std::mt19937& random, int32_t width, int32_t height) {
  static constexpr std::uint8_t kValues[] = {0, 7, 120, 127, 128, 135, 200, 248, 255, 96};
  auto r = std::make_unique<TDIB>();
  r->NewImage(width, height, df8Bit, 300, 300);
  const int32_t palette = 2 + static_cast<int32_t>(random() % 9);  // how many of the values
  for (int32_t y = 0; y < height; ++y) {
    std::uint8_t v = kValues[random() % palette];
    for (int32_t x = 0; x < width; ++x) {
      if (random() % 4 == 0) v = kValues[random() % palette];
      r->Row(y)[x] = v;
    }
  }
  return r;
}

bool SamePixels(const TDIB& a, const TDIB& b) {
  for (int32_t y = 0; y < a.Height(); ++y) {
    if (!std::equal(a.Row(y), a.Row(y) + a.Width(), b.Row(y))) return false;
  }
  return true;
}

TEST(PrimitivesEquivalence, ProbesGiveThePixelByPixelResults) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 60);
    const int32_t height = 1 + static_cast<int32_t>(random() % 40);
    const auto r = RandomRaster(random, width, height);
    const std::uint8_t threshold = (round % 3 == 0) ? 128 : static_cast<std::uint8_t>(random());
    auto x = [&] { return static_cast<int32_t>(random() % (width + 8)) - 4; };
    auto y = [&] { return static_cast<int32_t>(random() % (height + 8)) - 4; };
    for (int probe = 0; probe < 100; ++probe) {
      const int32_t x0 = x(), x1 = x(), y0 = y(), y1 = y();
      const std::uint8_t wanted = static_cast<std::uint8_t>(random() % 4);
      ASSERT_EQ(RectColours(*r, x0, x1, y0, y1, threshold, wanted),
                PlainRectColours(*r, x0, x1, y0, y1, threshold, wanted));
      const int32_t direction = static_cast<int32_t>(random() % 6);
      const std::uint8_t stop = random() % 2 == 0 ? cfInk : cfPaper;
      const int32_t limit = static_cast<int32_t>(random() % 70) - 2;
      ASSERT_EQ(RunLength(*r, x0, y0, direction, stop, limit, threshold),
                PlainRunLength(*r, x0, y0, direction, stop, limit, threshold))
          << "from " << x0 << "," << y0 << " direction " << direction << " limit " << limit;
      // Horizontal, vertical and slanted lines, and single points.
      const int32_t kind = probe % 4;
      const int32_t ex = kind == 1 ? x0 : kind == 3 ? x0 : x1;
      const int32_t ey = kind == 0 ? y0 : kind == 3 ? y0 : y1;
      ASSERT_EQ(CountInkRuns(*r, x0, y0, ex, ey, threshold),
                PlainCountInkRuns(*r, x0, y0, ex, ey, threshold))
          << x0 << "," << y0 << " - " << ex << "," << ey;
    }
  }
}

TEST(PrimitivesEquivalence, SpanFillMarksAndMeasuresWhatAPixelFillDoes) {
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 50);
    const int32_t height = 1 + static_cast<int32_t>(random() % 50);
    const auto fast = RandomRaster(random, width, height);
    const auto plain = fast->Duplicate();
    const bool eight = round % 2 == 1;
    const std::uint8_t threshold = (round % 3 == 0) ? 128 : static_cast<std::uint8_t>(random());
    // Several fills on one raster, so later ones meet the marks of earlier ones.
    for (int fill = 0; fill < 6; ++fill) {
      const int32_t x = static_cast<int32_t>(random() % (width + 2)) - 1;
      const int32_t y = static_cast<int32_t>(random() % (height + 2)) - 1;
      const std::uint8_t mark = static_cast<std::uint8_t>(random() % 9);
      const TFillResult a = FillComponent(*fast, x, y, mark, threshold, eight);
      const TFillResult b = PlainFill(*plain, x, y, mark, threshold, eight);
      ASSERT_EQ(a.Count, b.Count);
      ASSERT_EQ(std::make_tuple(a.Left, a.Top, a.Right, a.Bottom),
                std::make_tuple(b.Left, b.Top, b.Right, b.Bottom));
      ASSERT_TRUE(SamePixels(*fast, *plain)) << "fill " << fill << " of round " << round;
    }
  }
}

// Holes are found with the span fill and skipped when no open paper is left
// after flooding the outside; count, order and every field stay those of
// the column-by-column search with the pixel fill.
TEST(PrimitivesEquivalence, HolesMatchTheColumnScanWithThePixelFill) {
  std::mt19937 random(3);
  TOmnifontOCR engine;
  for (int round = 0; round < 300; ++round) {
    const int32_t width = 3 + static_cast<int32_t>(random() % 30);
    const int32_t height = 3 + static_cast<int32_t>(random() % 30);
    const auto r = RandomRaster(random, width, height);
    engine.Pass = round % 2;
    const std::uint8_t threshold = 128;
    THoleList holes;
    const int32_t found = FindHoles(engine, *r, 0, width - 1, 0, height - 1, threshold, &holes);

    // The column scan over a copy, as the hole search is defined.
    const auto copy = r->Duplicate();
    const bool eight = engine.Pass == 1;
    auto fillPaper = [&](int32_t x, int32_t y) {
      if (!IsInk(*copy, x, y, threshold)) PlainFill(*copy, x, y, 7, threshold, eight);
    };
    for (int32_t x = 0; x < width; ++x) fillPaper(x, 0), fillPaper(x, height - 1);
    for (int32_t y = 0; y < height; ++y) fillPaper(0, y), fillPaper(width - 1, y);
    std::vector<THole> expected;
    for (int32_t x = 0; x < width; ++x) {
      for (int32_t y = 0; y < height; ++y) {
        const std::uint8_t v = copy->Row(y)[x];
        if ((v & 7) != 0 || v < threshold) continue;
        const TFillResult f = PlainFill(*copy, x, y, 7, threshold, eight);
        if (f.Count <= 1 && width * height > 40) continue;
        if (expected.size() < 16)
          expected.push_back({f.Count, x, y, f.Left, f.Top, f.Right, f.Bottom});
      }
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const THole& a, const THole& b) { return a.Area > b.Area; });
    if (!expected.empty()) {
      const int32_t limit = expected.front().Area / 5;
      std::erase_if(expected, [&](const THole& h) { return h.Area < limit; });
    }
    ASSERT_EQ(found, static_cast<int32_t>(expected.size())) << "round " << round;
    for (int32_t i = 0; i < found; ++i) {
      const THole& a = holes.Items[i];
      const THole& b = expected[i];
      ASSERT_EQ(std::make_tuple(a.Area, a.SeedX, a.SeedY, a.Left, a.Top, a.Right, a.Bottom),
                std::make_tuple(b.Area, b.SeedX, b.SeedY, b.Left, b.Top, b.Right, b.Bottom))
          << "hole " << i << " of round " << round;
    }
  }
}

}  // namespace

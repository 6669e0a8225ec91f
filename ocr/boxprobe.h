// Rectangle probes over the working raster for the recognition loop and the
// accent detector, all with one classification threshold (its low 8 bits).
#pragma once

#include <cstdint>

#include "classifier/primitives.h"

class TBoxProbe {
 public:
  TBoxProbe(const TDIB& raster, int32_t threshold)
      : r_(raster), thr_(static_cast<std::uint8_t>(threshold)) {}

  bool Ink(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
    return RectColours(r_, x0, x1, y0, y1, thr_, cfInk) == cfInk;
  }
  bool NoPaper(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
    return RectColours(r_, x0, x1, y0, y1, thr_, cfPaper) != cfPaper;
  }
  bool InkAt(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < r_.Width() && y < r_.Height() && IsInk(r_, x, y, thr_);
  }
  int32_t Gap(int32_t x, int32_t y, int32_t dir, int32_t limit) const {
    return RunLength(r_, x, y, dir, cfInk, limit, thr_);
  }
  int32_t Runs(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
    return CountInkRuns(r_, x0, y0, x1, y1, thr_);
  }
  const TDIB& Raster() const { return r_; }
  std::uint8_t Threshold() const { return thr_; }

 private:
  const TDIB& r_;
  const std::uint8_t thr_;
};

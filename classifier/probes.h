// The probe shorthands the recognisers are written in. A Probes object looks
// at a W x H box whose top-left pixel is (originX, originY) of a raster: the
// glyph crop (origin 0, 0) for the plain probes, or the working raster at the
// record's box for the probes that must see neighbouring ink as well.
//
//   gL(y)  paper pixels from the left edge in row y      (limit W)
//   gR(y)  paper pixels from the right edge in row y     (limit W)
//   gT(x)  paper pixels from the top edge in column x    (limit H)
//   gB(x)  paper pixels from the bottom edge in column x (limit H)
//   inkRun(x, y, dir)  ink pixels from (x, y)   (limit W across, H along)
//   gap(x, y, dir)     paper pixels from (x, y) (same limits)
//   nRow(y), nCol(x)   ink runs crossed by a whole row / column
//   runs(x0, y0, x1, y1)  ink runs crossed by a sampled straight line
//   ink(x0, x1, y0, y1)   the rectangle holds ink; blank(...) holds none;
//                         allInk(...) holds no paper
//   cover(x0, y0, x1, y1) percentage of the line that follows ink
//   firstRun(y)           width of the first ink run of row y
//   inkAt(x, y), paperAt(x, y)  one pixel; outside the raster counts as paper
//   rW(k), rH(k)          W / k and H / k rounded half to even
//   holes(engine, x0, x1, y0, y1)  enclosed paper regions of a rectangle
//   walk(x, y, box, onPaper, onInk)  WalkByColour in box-relative terms
//
// Coordinates are box-relative; nothing is clipped except where the primitive
// itself clips (RectColours, RunLength); the primitives read paper outside
// the raster.
#pragma once

#include <cstdint>

#include "classifier/primitives.h"
#include "platform/rounding.h"

class Probes {
 public:
  Probes(const TDIB& raster, int32_t originX, int32_t originY, int32_t width, int32_t height,
         int32_t threshold)
      : W(width),
        H(height),
        r_(raster),
        ox_(originX),
        oy_(originY),
        thr_(static_cast<std::uint8_t>(threshold)) {}

  const TDIB& raster() const { return r_; }
  std::uint8_t threshold() const { return thr_; }
  int32_t originX() const { return ox_; }
  int32_t originY() const { return oy_; }

  int32_t gL(int32_t y) const { return gL(y, W); }
  int32_t gL(int32_t y, int32_t limit) const { return along(0, y, dirRight, cfInk, limit); }
  int32_t gR(int32_t y) const { return gR(y, W); }
  int32_t gR(int32_t y, int32_t limit) const { return along(W - 1, y, dirLeft, cfInk, limit); }
  int32_t gT(int32_t x) const { return gT(x, H); }
  int32_t gT(int32_t x, int32_t limit) const { return along(x, 0, dirDown, cfInk, limit); }
  int32_t gB(int32_t x) const { return gB(x, H); }
  int32_t gB(int32_t x, int32_t limit) const { return along(x, H - 1, dirUp, cfInk, limit); }

  int32_t inkRun(int32_t x, int32_t y, int32_t dir) const {
    return along(x, y, dir, cfPaper, defaultLimit(dir));
  }
  int32_t inkRun(int32_t x, int32_t y, int32_t dir, int32_t limit) const {
    return along(x, y, dir, cfPaper, limit);
  }
  int32_t gap(int32_t x, int32_t y, int32_t dir) const {
    return along(x, y, dir, cfInk, defaultLimit(dir));
  }
  int32_t gap(int32_t x, int32_t y, int32_t dir, int32_t limit) const {
    return along(x, y, dir, cfInk, limit);
  }

  int32_t nRow(int32_t y) const { return runs(0, y, W - 1, y); }
  int32_t nCol(int32_t x) const { return runs(x, 0, x, H - 1); }
  int32_t runs(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
    return CountInkRuns(r_, ox_ + x0, oy_ + y0, ox_ + x1, oy_ + y1, thr_);
  }

  bool ink(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
    return RectColours(r_, ox_ + x0, ox_ + x1, oy_ + y0, oy_ + y1, thr_, cfInk) == cfInk;
  }
  bool blank(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const { return !ink(x0, x1, y0, y1); }
  // The rectangle holds no paper (an empty rectangle holds none).
  bool allInk(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
    return RectColours(r_, ox_ + x0, ox_ + x1, oy_ + y0, oy_ + y1, thr_, cfPaper) != cfPaper;
  }
  // The columns x0..x1 of row y are all ink.
  bool allInk(int32_t x0, int32_t x1, int32_t y) const {
    return RectColours(r_, ox_ + x0, ox_ + x1, oy_ + y, oy_ + y, thr_, cfPaper) != cfPaper;
  }

  int32_t cover(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
    return LineCoverage(r_, ox_ + x0, oy_ + y0, ox_ + x1, oy_ + y1, thr_, 100);
  }

  // Enclosed paper regions of the rectangle (no list kept).
  int32_t holes(const TOmnifontOCR& engine, int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
    return FindHoles(engine, r_, ox_ + x0, ox_ + x1, oy_ + y0, oy_ + y1, thr_, nullptr);
  }
  // WalkByColour inside the box minX..maxX by minY..maxY; x and y stay box-relative.
  void walk(int32_t& x, int32_t& y, int32_t minX, int32_t maxX, int32_t minY, int32_t maxY,
            int32_t codeOnPaper, int32_t codeOnInk) const {
    int32_t ax = ox_ + x, ay = oy_ + y;
    WalkByColour(r_, ax, ay, ox_ + minX, ox_ + maxX, oy_ + minY, oy_ + maxY, thr_, codeOnPaper,
                 codeOnInk);
    x = ax - ox_;
    y = ay - oy_;
  }

  int32_t firstRun(int32_t y) const { return inkRun(gL(y), y, dirRight); }

  bool inkAt(int32_t x, int32_t y) const {
    const int32_t ax = ox_ + x, ay = oy_ + y;
    if (ax < 0 || ay < 0 || ax >= r_.Width() || ay >= r_.Height()) return false;
    return IsInk(r_, ax, ay, thr_);
  }
  bool paperAt(int32_t x, int32_t y) const { return !inkAt(x, y); }

  int32_t rW(int32_t k) const { return platform::Round(static_cast<double>(W) / k); }
  int32_t rH(int32_t k) const { return platform::Round(static_cast<double>(H) / k); }

  const int32_t W;
  const int32_t H;

 private:
  int32_t defaultLimit(int32_t dir) const { return dir == dirLeft || dir == dirRight ? W : H; }
  int32_t along(int32_t x, int32_t y, int32_t dir, std::uint8_t stop, int32_t limit) const {
    return RunLength(r_, ox_ + x, oy_ + y, dir, stop, limit, thr_);
  }

  const TDIB& r_;
  const int32_t ox_;
  const int32_t oy_;
  const std::uint8_t thr_;
};

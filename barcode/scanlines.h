// Scan lines at any direction across a raster, for the sweeps that read
// codes turned away from upright.
//
//   TGreyPixels   the grey level of a pixel of a 1-, 8- or 24-bit raster,
//                 dark (ink) below 128 as the column profiles count it
//   TScanLines    a family of parallel lines a pixel apart, each sampled a
//                 pixel apart along it: the ink along a line and where a
//                 point of a line lies in the raster
#pragma once

#include <cstdint>
#include <vector>

#include "image/dibunit.h"

namespace barcode {

class TGreyPixels {
 public:
  // The raster must be 1-, 8- or 24-bit and outlive the reader.
  explicit TGreyPixels(const TDIB& dib);

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  TDIBFormat Format() const { return FDib.Format(); }
  // 0 black .. 255 white; (x, y) inside the raster.
  int32_t Grey(int32_t x, int32_t y) const;
  // The same for a raster known to be of `Format`, for hot loops.
  template <TDIBFormat Format>
  int32_t GreyOf(int32_t x, int32_t y) const {
    const std::uint8_t* row = FDib.Row(y);
    if constexpr (Format == df1Bit) {
      return ((row[x >> 3] >> (7 - (x & 7))) & 1) == FBlack ? 0 : 255;
    } else if constexpr (Format == df8Bit) {
      return row[x];
    } else {  // 24-bit, as the column profiles average it
      const std::uint8_t* p = row + 3 * x;
      return (p[0] + p[1] + p[2]) / 3;
    }
  }

 private:
  const TDIB& FDib;
  int32_t FWidth;
  int32_t FHeight;
  int32_t FBlack = 0;  // the 1-bit value of black
};

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
};

class TScanLines {
 public:
  // Lines running at `degrees` clockwise from the x axis (y points down)
  // across `region` (by default the whole raster), numbered across it from
  // 0, each from where it enters the region's box. Over the whole raster, at
  // 0 degrees line k is row k read left to right, at 90 column Width - 1 - k
  // read downwards, at 180 and 270 the same read backwards; points of other
  // lines take their grey from the four pixels around them, and points
  // outside the raster are paper.
  TScanLines(const TGreyPixels& pixels, double degrees);
  TScanLines(const TGreyPixels& pixels, double degrees, const TRect& region);

  double Degrees() const { return FDegrees; }
  // A quarter turn: every point of a line is a pixel.
  bool OnGrid() const { return FOnGrid; }
  // Points along every line.
  int32_t Length() const { return FLength; }
  // The lines that cross the raster's box: 0 .. LastLine().
  int32_t FirstLine() const { return 0; }
  int32_t LastLine() const { return FLines - 1; }

  // 1 where line k is dark, 0 where it is paper or outside the raster.
  TProfile LineInk(int32_t k) const;
  // Dark points of line k from `from` to `to`, both included, each taken
  // from its nearest pixel.
  int32_t InkCount(int32_t k, int32_t from, int32_t to) const;
  // The pixel nearest point t of line k (possibly outside the raster).
  TPoint At(int32_t k, int32_t t) const;

 private:
  // Calls visit(t, dark) for the points from .. to of line k (clipped to
  // the line), each dark as its nearest pixel or as the four around it.
  template <class Visit>
  void Walk(int32_t k, int32_t from, int32_t to, bool nearest, Visit visit) const;
  template <TDIBFormat Format, class Visit>
  void WalkAs(int32_t k, int32_t from, int32_t to, bool nearest, Visit visit) const;

  const TGreyPixels& FPixels;
  double FDegrees;
  bool FOnGrid = true;  // a quarter turn: every point is a pixel
  int32_t FLength = 0;
  int32_t FLines = 0;
  // In pixels with 16 bits of fraction: point 0 of line 0, and the steps
  // from a point to the next along its line and to the next line.
  int64_t FOriginX = 0, FOriginY = 0;
  int64_t FAlongX = 0, FAlongY = 0;
  int64_t FAcrossX = 0, FAcrossY = 0;
};

}  // namespace barcode

// Band profiles that slide over a raster, as the barcode sweeps read them:
// each line of a band is counted once, on entering the band, and the band's
// profile is kept as a running sum (the next band's profile is this one plus
// the lines that come in, less the lines that go out).
//
//   TSlidingBand      any family of lines, given the 0/1 profile of one line
//   TColumnInkBand    bands of rows: the counts of TDIB::ColumnInkProfile
//                     over the band's rectangle
#pragma once

#include <cstdint>
#include <deque>
#include <functional>

#include "image/dibunit.h"

class TSlidingBand {
 public:
  // The profile of one line; empty when the raster has none.
  using TLineProfile = std::function<TProfile(int32_t line)>;

  // Bands of `rows` (at least 1) consecutive lines.
  TSlidingBand(TLineProfile line, int32_t rows);

  // The sum of the profiles of lines top .. top + rows - 1; empty when a
  // line has no profile. Tops that go down by less than the band's height
  // reuse the lines already counted; any other top recounts the band.
  const TProfile& At(int32_t top);

 private:
  void Recount(int32_t top);

  TLineProfile FLine;
  int32_t FRows;
  int32_t FTop = 0;
  bool FCounted = false;
  std::deque<TProfile> FLineProfiles;  // one per line of the band, first line first
  TProfile FSum;
};

class TColumnInkBand : public TSlidingBand {
 public:
  // Columns left .. right of bands `rows` (at least 1) rows high; the raster must outlive
  // the band and stay unchanged while it is read. At(top) equals
  // ColumnInkProfile(TRect{left, top, right, top + rows - 1}), and is empty
  // for the formats that have no profile.
  TColumnInkBand(const TDIB& dib, int32_t left, int32_t right, int32_t rows);
};

// The column ink profile of a band of rows that slides down a raster, as the
// barcode sweep reads it: each row is counted once, on entering the band,
// and the profile is kept as a running sum (the next band's profile is this
// one plus the rows that come in, less the rows that go out). The counts are
// those of TDIB::ColumnInkProfile over the band's rectangle.
#pragma once

#include <cstdint>
#include <deque>

#include "image/dibunit.h"

class TColumnInkBand {
 public:
  // Columns left .. right of bands `rows` (at least 1) rows high; the raster must outlive
  // the band and stay unchanged while it is read.
  TColumnInkBand(const TDIB& dib, int32_t left, int32_t right, int32_t rows);

  // The profile of rows top .. top + rows - 1, equal to
  // ColumnInkProfile(TRect{left, top, right, top + rows - 1}); empty for the
  // formats that have no profile. Tops that go down by less than the band's
  // height reuse the rows already counted; any other top recounts the band.
  const TProfile& At(int32_t top);

 private:
  TProfile RowProfile(int32_t y) const;
  void Recount(int32_t top);

  const TDIB& FDib;
  int32_t FLeft;
  int32_t FRight;
  int32_t FRows;
  int32_t FTop = 0;
  bool FCounted = false;
  std::deque<TProfile> FRowProfiles;  // one per row of the band, top row first
  TProfile FSum;
};

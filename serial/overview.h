// A small grey copy of a picture, at about 100 dpi, on which a note and its
// serial lines are found quickly: a serial character is still a dozen cells
// tall there, and a 300-dpi note is a ninth of its pixels.
#pragma once

#include <cstdint>
#include <memory>

#include "image/dibunit.h"

namespace serial_detail {

// The resolution the reader works with: the picture's, or 200 dpi when it
// states none worth believing (as the reader's passes take it).
int32_t WorkingDpi(const TDIB& picture);

struct TOverview {
  int32_t Factor = 1;          // picture pixels per cell, each way
  double Dpi = 0;              // of the cells
  std::unique_ptr<TDIB> Grey;  // 8-bit, grey ramp; ink is dark whatever the colour table

  int32_t Width() const { return Grey->Width(); }
  int32_t Height() const { return Grey->Height(); }
  int32_t Level(int32_t x, int32_t y) const { return Grey->Row(y)[x]; }
  double CellsPerMm() const { return Dpi / 25.4; }
};

// Each cell the grey level (luminance for colour) of the pixel at its centre,
// Factor being the picture's working resolution over 100, at least 1. A
// stroke of a serial character is at least 3 pixels wide at 200 dpi and
// above, so sampling every second or third pixel keeps it, at a fraction of
// reading every pixel.
TOverview MakeOverview(const TDIB& picture);

// The overview with `by` x `by` cells averaged into one.
TOverview Reduced(const TOverview& overview, int32_t by);

}  // namespace serial_detail

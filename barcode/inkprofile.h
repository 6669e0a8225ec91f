// The raster measurements the sweep takes of each band: the dark pixels per
// column of a rectangle, the dark pixels along one row, and the run list of
// a thresholded profile. A pixel is dark when it is the black entry of a
// 1-bit colour table, or darker than mid-grey on 8 and 24 bits.
#pragma once

#include <cstdint>
#include <vector>

#include "image/dibunit.h"

namespace barcode {

// One entry per column left .. right: on 1 bit the black pixels of rows
// top .. bottom; on 8 bits the summed darkness (255 - value) of those rows
// divided by 255; on 24 bits the pixels whose channel mean is at most 127.
// Throws for other formats ("Unsupported bit depth..."), for a rectangle
// outside a 1-bit raster ("Invalid rect !") and for rows outside an 8 or
// 24-bit raster ("Invalid start line", "Invalid end line").
std::vector<int32_t> ColumnInkProfile(const TDIB& dib, int32_t left, int32_t top, int32_t right,
                                      int32_t bottom);

// Dark pixels among x .. x + length - 1 of row y (on 24 bits: luminance
// below 128). Throws "Unsupported bit depth..." for 4, 15 and 16 bits.
int32_t RowInkCount(const TDIB& dib, int32_t x, int32_t y, int32_t length);

// Each entry becomes `above` when greater than `threshold`, else `atOrBelow`.
void ThresholdProfile(std::vector<int32_t>& profile, int32_t threshold, int32_t atOrBelow,
                      int32_t above);

// Maximal runs of equal entries, left to right: a run's length, negated when
// its value is 0. An empty profile has no runs.
std::vector<int32_t> ProfileRuns(const std::vector<int32_t>& profile);

}  // namespace barcode

// The sweep's own rules, apart from the component so that they can be
// checked one by one: the band threshold, the rectangle overlap of two
// readings and the merging of a reading into the result store.
#pragma once

#include <cstdint>
#include <span>

#include "barcode/barcodereader.h"

namespace barcode {

// Dark rows a column needs above this count to be a bar column.
int32_t BandThreshold(int32_t laserSize, TBarCodeQuality quality);

// Overlap with left and top inclusive, right and bottom exclusive.
bool RectsIntersect(const TRect& a, const TRect& b);

// Folds a reading into store[0 .. count - 1], appending it (while there is
// room) when it matches no held code.
void MergeReading(std::span<TBarCodeResult> store, int32_t& count, const TBarCodeResult& reading);

}  // namespace barcode

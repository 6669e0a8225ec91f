// The short copy of a Europa euro serial: the serial's last six digits,
// printed a second time on the note's back beside the map, across the note
// and read from bottom to top. The reader finds it on a pass's bilevel note
// by turning the strip it lies in a quarter and grouping blobs there as it
// groups a horizontal zone, and reads it by turning its zone, not the note.
#pragma once

#include <memory>
#include <optional>

#include "image/dibunit.h"
#include "serial/serialvalidation.h"

namespace serial_detail {

// Where the short copy of `series` lies on `work` (a pass's work raster: the
// note upright, binarised), enlarged by the zone margin; none when no group
// of its length stands in the place the series prints it.
std::optional<TRect> LocateShortCopy(const TDIB& work, const TSerialSeries& series);
// The zone `zone` of `source` turned a quarter clockwise, so that the short
// copy's digits stand upright.
std::unique_ptr<TDIB> ShortCopyUpright(const TDIB& source, const TRect& zone);

}  // namespace serial_detail

// The printed serial lines of a note, found on its overview whatever the
// note's skew: rows of eight or more character-sized blobs of one height,
// side by side along a straight baseline. Their baselines give the skew of
// the print, which the note's edges give only when it lies on a bed; their
// boxes tell where to look at the glyphs to see which way up the note is.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/rect.h"
#include "serial/overview.h"

namespace serial_detail {

struct TSerialLine {
  std::vector<TRect> Glyphs;  // in overview cells, left to right
  double Slope = 0;           // of the baseline, cells down per cell right
  double Height = 0;          // median glyph height, cells

  double Degrees() const;
  TRect Box() const;  // of all the glyphs
};

// The lines, longest first.
std::vector<TSerialLine> FindSerialLines(const TOverview& overview);

// The skew of the print (degrees, clockwise) from the lines' baselines, or
// none without a line.
std::optional<double> PrintSkew(const std::vector<TSerialLine>& lines);

}  // namespace serial_detail

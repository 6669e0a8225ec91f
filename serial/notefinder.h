// Finding the note in a picture: the paper against the scanner bed (dark or
// light), its four edges and its angle. A picture that is the note already,
// cropped to it, is recognised as such without measuring edges.
//
// On the overview: the bed's level and noise come from the picture's
// corners; the bed is what is connected to the border at that level; the
// note is the largest region left, if its paper differs from the bed and it
// is as large as a note. Its rectangle, from the region's moments, is then
// measured on the picture itself: each edge where the level steps from bed
// to paper along short profiles across it, a straight line through the steps.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "image/dibunit.h"
#include "serial/overview.h"

namespace serial_detail {

// A note's rectangle in picture pixels (pixel centres at whole coordinates):
// its centre, its sides, and the direction of its Width side, clockwise from
// the picture's x axis, in (-45, 45] degrees.
struct TNoteOutline {
  bool WholePicture = false;  // the picture is the note; no edges were measured
  double CentreX = 0, CentreY = 0;
  double Width = 0, Height = 0;
  double Degrees = 0;

  // Corners in the order top left, top right, bottom right, bottom left (of
  // the note as it lies), on the pixel edges the sides run along.
  std::array<std::array<double, 2>, 4> Corners() const;
};

// The note of a picture, or none when the picture shows nothing but an even
// background (blank, a bare scanner bed) or something far smaller than a note.
std::optional<TNoteOutline> FindNote(const TDIB& picture, const TOverview& overview);

// The picture's bounds as a note outline.
TNoteOutline WholePictureOutline(const TDIB& picture);

}  // namespace serial_detail

// A raster turned by any angle, for measuring the readers on pictures turned
// as documents and labels are turned in practice (the readers themselves
// never turn a picture: they read along turned lines).
#pragma once

#include <memory>

#include "image/dibunit.h"

// An 8-bit grey copy of `source` (converted to grey first when it is not)
// turned clockwise by `degrees` about its centre, on a canvas that holds all
// of it, with the source's resolution. Quarter turns move pixels exactly
// (TurnQuarters);
// other angles take each pixel from the four source pixels around where it
// comes from, and paper (white) where the source does not reach. Four turns
// by 90 degrees give the source back.
std::unique_ptr<TDIB> TurnedCopy(const TDIB& source, double degrees);

// The box, in a picture `width` x `height`, around what `rect` of its
// TurnedCopy by `degrees` shows; exact for quarter turns.
TRect RectBeforeTurn(const TRect& rect, double degrees, int32_t width, int32_t height);

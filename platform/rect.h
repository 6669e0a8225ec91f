// The pixel rectangle shared by the raster side and the viewer.
#pragma once

#include <cstdint>

// An inclusive pixel rectangle (left, top, right, bottom) unless the user of
// a rectangle says otherwise.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

// Turning a raster: exact quarter turns, and resampling along a grid turned
// by any angle and scaled, which deskews, cuts out and enlarges in one pass.
//
//   TurnQuarters   90, 180, 270 degrees, every format, pixels copied exactly
//   TResampleGrid  where the pixels of a new raster lie on a source
//   ResampleGrid   a new raster sampled from a source along such a grid
//   RotateRaster   the whole raster turned by any angle on a grown canvas
//
// Angles are in degrees, clockwise as the raster is seen (x to the right, y
// downwards). Levels are interpolated (cubic convolution over 4 x 4 pixels,
// limited to 0..255) where a pixel value is a level: 8-bit rasters with the
// grey ramp, and each channel of 24-bit ones; where a value is a code (1 and
// 4 bits, 15 and 16 bits, 8 bits with another colour table) the nearest
// pixel is taken.
#pragma once

#include <cstdint>
#include <memory>

#include "image/dibunit.h"

// The source turned clockwise by quarterTurns x 90 degrees (negative counts
// turn counter-clockwise). A quarter or three-quarter turn swaps the width and
// height and the two resolutions. Same format and colour table.
std::unique_ptr<TDIB> TurnQuarters(const TDIB& source, int32_t quarterTurns);

// A grid of Width x Height points on a source raster, with pixel centres at
// whole coordinates: the grid's centre lies on (CentreX, CentreY), its rows
// run in the direction turned Degrees clockwise from the source's x axis and
// its points are Step source pixels apart. A grid turned by the skew of a
// note and as large as the note cuts the note out upright.
struct TResampleGrid {
  double CentreX = 0;
  double CentreY = 0;
  double Degrees = 0;
  double Step = 1;
  int32_t Width = 0;
  int32_t Height = 0;

  // The source point of grid point (u, v).
  double SourceX(double u, double v) const;
  double SourceY(double u, double v) const;
};

// A raster of the grid's size in the source's format and colour table whose
// pixel (u, v) is the source sampled at the grid point (u, v); the
// resolution is the source's divided by the step. Where the grid leaves the
// source, `background` (a pixel value of the format, such as WhiteValue())
// stands for the missing pixels, so edges blend into it.
std::unique_ptr<TDIB> ResampleGrid(const TDIB& source, const TResampleGrid& grid,
                                   int32_t background);

// The whole source turned clockwise by `degrees` about its centre, on a
// canvas just large enough to hold it; corners the source does not cover
// take `background`.
std::unique_ptr<TDIB> RotateRaster(const TDIB& source, double degrees, int32_t background);

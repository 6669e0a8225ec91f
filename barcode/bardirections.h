// Where the bars of a raster point: its fields of parallel bars and their
// reading axes, estimated from the grey-level gradients, so that a sweep can
// run along a code however it is turned.
//
// The raster is cut into tiles; in each, the gradients at a sparse grid of
// points that sit on an edge give the tile's dominant edge normal and how
// consistent the edges are (the coherence of their structure tensor). Bars
// make tiles of strong, nearly parallel edges; text, pictures and noise make
// tiles of edges turned every way. The coherent tiles vote for their
// normal's angle; the angles that enough tiles agree on are the axes, and
// the touching tiles of one axis make one field.
#pragma once

#include <cstdint>
#include <vector>

#include "barcode/scanlines.h"

namespace barcode {

struct TBarField {
  // The axis, in degrees from 0 (up to 180, excluded) clockwise from the x
  // axis. A code turned by a reads along a or a + 180.
  double Degrees = 0;
  // The box around the field's tiles, and how many there are.
  TRect Box;
  int32_t Tiles = 0;
};

class TBarFields {
 public:
  explicit TBarFields(const TGreyPixels& pixels);

  // The fields, largest first.
  const std::vector<TBarField>& Fields() const { return FFields; }
  // The index of the field whose tile holds (x, y), or -1.
  int32_t FieldAt(int32_t x, int32_t y) const;

 private:
  std::vector<TBarField> FFields;
  int32_t FTilesX = 0;
  int32_t FTilesY = 0;
  std::vector<int32_t> FTileField;  // per tile, row by row
};

}  // namespace barcode

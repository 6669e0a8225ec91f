// The bitmap (.bmp) and icon (.ico) readers.
//
// A bitmap file becomes an in-memory DIB that TDibGraphic::ImportPackedDib
// takes as it is (run-length rows expanded, the old 12-byte header widened to
// 40 bytes). An icon is drawn onto a black true-colour picture, as any picture
// that is not a bitmap is converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/dibgraphic.h"

struct TBitmapImage {
  std::vector<std::uint8_t> dib;  // info header, colour table, rows
  std::size_t bitsOffset = 0;     // start of the rows within `dib`
};

// Reads a bitmap file ("BM" file header and a DIB). Raises EInvalidGraphic
// "Invalid bitmap" for a malformed file, EZivuderoError "Unsupported
// compression" for rows compressed other than by run lengths or bit fields.
TBitmapImage DecodeBitmapFile(std::span<const std::uint8_t> data);

// Reads the first image of an icon file and draws it onto a new black
// true-colour picture of its size: opaque pixels keep their colour, pixels
// with partial alpha are blended onto black. Raises EInvalidGraphic
// "Invalid icon" for a malformed file.
void DrawIconOnBlack(std::span<const std::uint8_t> data, TDibGraphic& graphic);

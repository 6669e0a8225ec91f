// What a client of the engine may measure on the glyphs of a finished
// reading, on the engine's 8-bit working raster (`Image`, ink below
// `Threshold`): how alike two glyphs look, and which colours a rectangle
// holds. The engine's own stages use the same functions.
#pragma once

#include <cstdint>

#include "image/dibunit.h"
#include "ocr/omnifontocr.h"

// Colour flags of RectColours, also the stop colours of the engine's run
// lengths.
inline constexpr std::uint8_t cfInk = 1;
inline constexpr std::uint8_t cfPaper = 2;

// Wanted AND the colours present in the clipped rectangle (inclusive).
std::uint8_t RectColours(const TDIB& r, int32_t x0, int32_t x1, int32_t y0, int32_t y1,
                         std::uint8_t threshold, std::uint8_t wanted);

// 0 for identical glyphs, 100 for unrelated ones: the two records' boxes
// compared pixel by pixel from their top-left corners on the engine's raster;
// boxes of clearly different sizes, or glyphs reaching into line zones the
// other leaves empty, are unrelated.
int32_t GlyphDistance(const TOmnifontOCR& engine, const TCharRecord& a, const TCharRecord& b);

// What the glyph classifier sees of a glyph: its ink box resampled to a
// fixed grid of ink coverage, plus a few measures of the whole glyph that the
// grid loses (its proportions, its enclosed holes, how much of its box is
// ink). The same function serves the reader at run time and the training
// tool, so the classifier is trained on exactly what it later judges.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/dibunit.h"

// The grid is kGlyphGrid cells square. The glyph keeps its proportions: its
// longer side spans the grid and the shorter one is centred, so a narrow
// "1" stays narrow.
inline constexpr int32_t kGlyphGrid = 16;
inline constexpr std::size_t kGridFeatures = kGlyphGrid * kGlyphGrid;
// After the grid: width over height, one or more holes, two or more holes,
// and the share of ink in the ink box.
inline constexpr std::size_t kGlyphFeatureCount = kGridFeatures + 4;

using TGlyphFeatures = std::array<float, kGlyphFeatureCount>;

// The features of the ink inside `box` (inclusive, clipped to the raster) of
// an 8-bit raster, ink being a value below `threshold`. All features are 0
// when the box holds no ink.
TGlyphFeatures GlyphFeatures(const TDIB& raster, std::uint8_t threshold, const TRect& box);

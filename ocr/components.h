// The first segmentation stages of a run: ink components become records,
// specks are removed, one-pixel holes in large glyphs are filled, the typical
// character size is estimated and components too large to be text are marked.
//
//   LabelComponents      every 8-connected ink component becomes a record
//   AddWholeRasterRecord the whole raster as one record (single-character area)
//   RemoveSpots          speck removal by SpotRemoval and MaxSpotSize, then holes
//   LabelComponentsAndRemoveSpots  the two above, specks dropped while labelling
//                        where their size is fixed
//   MarkNonText          size estimate and NonTextMark for isolated giants
//   RecomputeSizeStatistics  the character size over ordinary-looking records
//   DeleteRecordsIf      drops the records a test picks, erasing their boxes
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "ocr/omnifontocr.h"

// Value painted over erased pixels: paper for any threshold, marker bits clear.
inline constexpr std::uint8_t kErasedValue = 248;

// A record whose box is at least this large (in pixels) cannot be one glyph.
inline constexpr int64_t kNonTextBoxArea = 20000;

void LabelComponents(TOmnifontOCR& engine);
void AddWholeRasterRecord(TOmnifontOCR& engine);
void RemoveSpots(TOmnifontOCR& engine);
// LabelComponents, then RemoveSpots when SpotRemoval asks for it, with the
// same records, raster and statistics; but when every component up to a fixed
// MaxSpotSize goes, the specks are dropped as they are labelled and never
// become records. False when there is no component at all.
bool LabelComponentsAndRemoveSpots(TOmnifontOCR& engine);
void MarkNonText(TOmnifontOCR& engine);
void RecomputeSizeStatistics(TOmnifontOCR& engine);

// Ink pixels (value below the engine's threshold) inside the inclusive box.
int32_t CountInkInBox(const TOmnifontOCR& engine, int32_t left, int32_t top, int32_t right,
                      int32_t bottom);
// Removes every record for which `doomed` is true: statistics drop it and its
// box is painted kErasedValue; the others keep their order. One pass over
// the list, however many records go.
void DeleteRecordsIf(TOmnifontOCR& engine, const std::function<bool(const TCharRecord&)>& doomed);

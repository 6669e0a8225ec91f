// The recognition loop: every record without a reading is classified, with
// retries while the answer stays weak, and diacritics are detected.
#pragma once

#include <cstdint>
#include <memory>

#include "ocr/omnifontocr.h"

// Stage 10: recognises every record whose Ch is NoChar.
void RecognitionLoop(TOmnifontOCR& engine);

// Tightens the record's box, isolates the glyph's own strokes and classifies
// it, retrying while the reading stays weak. Level 0 from the loop, 1 for the
// second attempt without the accent; touching-character splitting passes the
// pass counter. Returns the reading (NonTextMark for a box over 20000 pixels,
// which leaves the record untouched); callers use the record's Ch.
char16_t RecogniseBox(TOmnifontOCR& engine, TCharRecord& r, int32_t threshold, int32_t level);

// Looks for a detached diacritic above the glyph and returns the MarksAbove
// value found (0, 1 or 2). Mode 0 only measures; mode 1 also writes
// MarksAbove and Accent and may lower Top past blank rows; mode 2 also lowers
// Top below a detached mark. `accent`, when given, receives the accent found.
int32_t DetectAccent(TOmnifontOCR& engine, TCharRecord& r, int32_t threshold, char16_t* accent,
                     int32_t mode);

// A private copy of the record's box holding only the glyph's own strokes:
// the component through the seed and every component crossing the middle row
// or the lower row within the middle half of the width (marked with 1);
// every other pixel becomes paper (248).
std::unique_ptr<TDIB> IsolateGlyph(TOmnifontOCR& engine, const TCharRecord& r,
                                   std::uint8_t threshold);

// The bilevel retries of a glyph crop: smoothing, and single-pixel gap
// filling in ink and in paper. The crop becomes black ink (0) and white paper
// (255) by the threshold, is cleaned as a 1-bit raster and comes back to 8 bits.
void SmoothGlyph(TDIB& crop, int32_t threshold);
void FillGlyphGaps(TDIB& crop, int32_t threshold);

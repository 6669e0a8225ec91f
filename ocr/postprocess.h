// Post-processing of a recognised area: similarity correction, spaces and
// line breaks, context correction.
#pragma once

#include <cstdint>

#include "ocr/omnifontocr.h"

// 0 for identical glyphs, 100 for unrelated ones.
int32_t GlyphDistance(const TOmnifontOCR& engine, const TCharRecord& a, const TCharRecord& b);
void SimilarityCorrection(TOmnifontOCR& engine);
void InsertSeparators(TOmnifontOCR& engine, int32_t area);
void ContextCorrection(TOmnifontOCR& engine);

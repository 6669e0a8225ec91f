// Post-processing of a recognised area: similarity correction, spaces and
// line breaks, context correction.
#pragma once

#include <cstdint>

#include "ocr/glyphprobes.h"  // GlyphDistance
#include "ocr/omnifontocr.h"

void SimilarityCorrection(TOmnifontOCR& engine);
void InsertSeparators(TOmnifontOCR& engine, int32_t area);
void ContextCorrection(TOmnifontOCR& engine);

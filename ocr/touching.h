// Touching-character splitting: a box holding several touching characters is
// replaced by the pieces of its best cut.
#pragma once

#include "ocr/omnifontocr.h"

void SplitTouchingChars(TOmnifontOCR& engine);

// The recognition loop: every record without a reading is classified, with
// retries while the answer stays weak, and diacritics are detected.
#pragma once

#include <cstdint>

#include "ocr/omnifontocr.h"

// Stage 10: recognises every record whose Ch is NoChar.
void RecognitionLoop(TOmnifontOCR& engine);

#include "ocr/touching.h"

void SplitTouchingChars(TOmnifontOCR& /*engine*/) {}

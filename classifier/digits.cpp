#include "classifier/classifier.h"

void RecogniseDigits(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}

#include "classifier/classifier.h"

void RecogniseBrackets(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}

#include "classifier/classifier.h"

void RecogniseK(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseL(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}

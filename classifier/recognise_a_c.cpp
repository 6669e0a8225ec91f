#include "classifier/classifier.h"

void RecogniseA(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseB(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseC(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}

#include "classifier/classifier.h"

void RecogniseG(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseH(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseIJ(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}

#include "classifier/classifier.h"

void RecogniseD(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseE(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseF(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}

#include "classifier/classifier.h"

void RecogniseM(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseN(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseO(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseP(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseQ(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseR(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}

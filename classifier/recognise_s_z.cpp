#include "classifier/classifier.h"

void RecogniseS(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseT(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseU(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseV(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseX(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseY(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseZ(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}
void RecogniseW(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}

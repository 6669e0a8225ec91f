#include "classifier/classifier.h"

void RecogniseSymbols(TOmnifontOCR& /*engine*/, TGlyphContext& /*context*/) {}

#include "ocr/postprocess.h"

void SimilarityCorrection(TOmnifontOCR& /*engine*/) {}
void InsertSeparators(TOmnifontOCR& /*engine*/, int32_t /*area*/) {}
void ContextCorrection(TOmnifontOCR& /*engine*/) {}

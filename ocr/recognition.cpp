#include "ocr/recognition.h"

void RecognitionLoop(TOmnifontOCR& /*engine*/) {}

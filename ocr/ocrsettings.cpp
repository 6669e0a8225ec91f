#include "ocr/ocrsettings.h"

#include <string>

#include "ocr/omnifontocr.h"
#include "platform/exceptions.h"

void ApplyOcrSettings(const TOcrSettings& settings, TOmnifontOCR& engine) {
  if (settings.Content >= kContentAllowedChars.size()) {
    throw platform::Exception("Invalid OCR content");
  }
  engine.NumericOnly = settings.Content == kNumericContent;
  engine.AllowedChars = std::u16string(kContentAllowedChars[settings.Content]);
  engine.SpotRemoval = settings.SpotRemoval;
  engine.MaxSpotSize = settings.MaxSpotSize;
  engine.SplitTouching = settings.SplitTouching ? 2 : 0;
  engine.SimilarityCorrection = settings.SimilarityCorrection;
  engine.ContextCorrection = settings.ContextCorrection;
}

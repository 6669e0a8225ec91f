// Second opinions on glyphs the recognisers confuse with the same
// confidence in every pass, because the confusion lies in the glyph's shape
// and not in the threshold: each test looks at the one feature that tells
// the pair apart in every serial font.
#pragma once

#include "ocr/omnifontocr.h"
#include "serial/serialevidence.h"

namespace serial_detail {

// The reading `read` of `glyph` on `sheet` after the test of its confusable
// pair, if it has one: the pair member the shape shows, or `read` unchanged
// when the test cannot tell.
char SettleConfusablePair(const TGlyphSheet& sheet, const TCharRecord& glyph, char read);

}  // namespace serial_detail

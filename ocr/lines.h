// Text lines and their four heights (top, mean line, baseline, bottom), the
// assignment of records to lines, the split of components reaching from one
// line into the next, reading order and the horizontal spacing statistics.
//
//   FindLines                 fills the engine's LineTable, top to bottom
//   AssignLines               each record to the line whose mean line is nearest its top
//   SplitTwoLineComponents    cuts a component spanning two lines at the upper line's bottom
//   SortReadingOrder          by line, then by left edge
//   MeasureSpacing            FixedPitch, CharPitch and GapEstimate
#pragma once

#include "ocr/omnifontocr.h"

// The message raised when a page holds more lines than the table can take.
inline constexpr const char* kTooManyLinesMessage = "lines>MAXlines";

void FindLines(TOmnifontOCR& engine);
void AssignLines(TOmnifontOCR& engine);
void SplitTwoLineComponents(TOmnifontOCR& engine);
void SortReadingOrder(TOmnifontOCR& engine);
void MeasureSpacing(TOmnifontOCR& engine);

// Repair of segmentation faults before recognition: two glyphs joined by a
// thin bar along their tops or bottoms are cut apart, and pieces of one
// broken glyph (an i-dot, a broken stem, a corner touching its neighbour)
// are merged back into one record.
//
//   CutJoinedCharacters    top-edge and bottom-edge cuts of every record
//   MergeBrokenCharacters  the three merge searches over the sorted list
#pragma once

#include "ocr/omnifontocr.h"

void CutJoinedCharacters(TOmnifontOCR& engine);
void MergeBrokenCharacters(TOmnifontOCR& engine);

// The pieces of the area OCR command and of the character inspection that
// decide something on their own: where a record's box lies on the enlarged
// picture, which record a click hits, and the candidate list shown for it.
#pragma once

#include <QRect>
#include <memory>
#include <string>
#include <vector>

#include "ocr/omnifontocr.h"

class TDibGraphic;

// The picture under the recognised characters is shown this many times larger.
inline constexpr int kEnlargement = 2;

using TCharacters = std::vector<std::unique_ptr<TCharRecord>>;

// A record's box on the enlarged picture: from (2 Left, 2 Top) up to but
// excluding (2 Right + 1, 2 Bottom + 1).
QRect EnlargedBox(const TCharRecord& record);

// The first record, in list order, whose enlarged box holds (x, y); nullptr
// when none does.
const TCharRecord* RecordAt(const TCharacters& characters, int x, int y);

// The record's candidates as Windows-1252 text, one "C (87%)" line each. A
// space candidate restarts the list with the word "space"; a record without
// candidates gives "unkonown".
std::string CandidateList(const TCharRecord& record);

// Boxes every record on the enlarged picture in blue and writes its reading
// in red at the box's top-left corner.
void DrawRecognition(TDibGraphic& picture, const TCharacters& characters);

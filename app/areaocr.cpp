#include "app/areaocr.h"

#include <algorithm>

#include "graphics/dibgraphic.h"
#include "platform/codepage.h"
#include "viewer/qtgraphic.h"

QRect EnlargedBox(const TCharRecord& record) {
  const int left = kEnlargement * record.Left;
  const int top = kEnlargement * record.Top;
  // QRect's right and bottom are inclusive: one short of the excluded edge.
  return QRect(QPoint(left, top),
               QPoint(kEnlargement * record.Right, kEnlargement * record.Bottom));
}

const TCharRecord* RecordAt(const TCharacters& characters, int x, int y) {
  for (const auto& record : characters) {
    if (EnlargedBox(*record).contains(x, y)) return record.get();
  }
  return nullptr;
}

std::string CandidateList(const TCharRecord& record) {
  std::string text;
  const int32_t count = std::clamp<int32_t>(record.CandCount, 0, record.Cands.size());
  for (int32_t i = 0; i < count; ++i) {
    if (record.Cands[i] == u' ') {
      text = "space";
      continue;
    }
    text += platform::WideCharToAnsi(record.Cands[i]);
    text += " (" + std::to_string(record.Confs[i]) + "%)\r\n";
  }
  return text.empty() ? "unkonown" : text;
}

namespace {
// The readings are lettered in a small screen font: 8 points at 96 dpi. Given
// in pixels, so that a picture's own resolution (often 300 dpi for a scan)
// does not scale the letters.
constexpr int kReadingFontPixels = 11;
}  // namespace

void DrawRecognition(TDibGraphic& picture, const TCharacters& characters) {
  TDibCanvas canvas(picture);
  canvas.Font = DrawingFont(kReadingFontPixels);
  for (const auto& record : characters) {
    const QRect box = EnlargedBox(*record);
    canvas.Pen.setColor(Qt::blue);
    canvas.Brush = Qt::NoBrush;
    canvas.Rectangle(box.left(), box.top(), box.right() + 1, box.bottom() + 1);
    canvas.FontColor = Qt::red;
    canvas.TextOut(box.left(), box.top(), std::string(1, platform::WideCharToAnsi(record->Ch)));
  }
}

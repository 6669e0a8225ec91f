// The cursors by number: the hand images drawn here, the standard shapes, and
// the screen cursor on top of the application's override cursor.
#include "viewer/cursors.h"

#include <QApplication>
#include <QBitmap>
#include <QImage>
#include <QWidget>
#include <array>

namespace {

// 16 x 16 hands: '#' outline (black), '.' inside (white), ' ' transparent.
constexpr std::array<const char*, 16> kOpenHand = {
    "       ##       ", "   ## #..###    ", "  #..##..#..#   ", "  #..##..#..# # ",
    "   #..#..#..##.#", "   #..#..#..#..#", " ## #.......#..#", "#..##..........#",
    "#...#.........# ", " #............# ", "  #...........# ", "  #..........#  ",
    "   #.........#  ", "    #.......#   ", "     #......#   ", "     #......#   "};
constexpr std::array<const char*, 16> kClosedHand = {
    "                ", "                ", "                ", "    ## ## ##    ",
    "   #..#..#..##  ", "   #.........#.#", "    #..........#", "   ##..........#",
    "  #...........# ", "  #...........# ", "  #..........#  ", "   #.........#  ",
    "    #.......#   ", "     #......#   ", "     #......#   ", "                "};

QCursor HandCursor(const std::array<const char*, 16>& rows) {
  // A 1-bit bitmap and mask: bitmap 1 is black, mask 1 is drawn.
  QImage bitmap(16, 16, QImage::Format_Mono), mask(16, 16, QImage::Format_Mono);
  // Index 1 is black: the bit a cursor bitmap sets.
  const QList<QRgb> table = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
  bitmap.setColorTable(table);
  mask.setColorTable(table);
  bitmap.fill(0);
  mask.fill(0);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const char c = rows[static_cast<std::size_t>(y)][x];
      if (c == '#') bitmap.setPixel(x, y, 1);
      if (c != ' ') mask.setPixel(x, y, 1);
    }
  return QCursor(QBitmap::fromImage(bitmap), QBitmap::fromImage(mask), 8, 8);
}

const QCursor& OpenHand() {
  static const QCursor cursor = HandCursor(kOpenHand);
  return cursor;
}
const QCursor& ClosedHand() {
  static const QCursor cursor = HandCursor(kClosedHand);
  return cursor;
}

Qt::CursorShape StandardShape(TCursor cursor) {
  switch (cursor) {
    case crCross:
      return Qt::CrossCursor;
    case crSizeNESW:
      return Qt::SizeBDiagCursor;
    case crSizeNS:
      return Qt::SizeVerCursor;
    case crSizeNWSE:
      return Qt::SizeFDiagCursor;
    case crSizeWE:
      return Qt::SizeHorCursor;
    case crHourGlass:
      return Qt::WaitCursor;
    case crHelp:
      return Qt::WhatsThisCursor;
    default:
      return Qt::ArrowCursor;
  }
}

// A shape with no number of its own here.
constexpr TCursor kUnnumbered = 1;

TCursor NumberOf(const QCursor& cursor) {
  if (cursor.shape() == Qt::BitmapCursor) {
    const qint64 key = cursor.bitmap().cacheKey();
    if (key == OpenHand().bitmap().cacheKey()) return crOpenHand;
    if (key == ClosedHand().bitmap().cacheKey()) return crClosedHand;
    return kUnnumbered;
  }
  for (TCursor c : {crCross, crSizeNESW, crSizeNS, crSizeNWSE, crSizeWE, crHourGlass, crHelp})
    if (StandardShape(c) == cursor.shape()) return c;
  return cursor.shape() == Qt::ArrowCursor ? crDefault : kUnnumbered;
}

}  // namespace

QCursor CursorOf(TCursor cursor) {
  if (cursor == crOpenHand) return OpenHand();
  if (cursor == crClosedHand) return ClosedHand();
  return QCursor(StandardShape(cursor));
}

void SetWidgetCursor(QWidget& widget, TCursor cursor) {
  if (cursor == crDefault)
    widget.unsetCursor();
  else
    widget.setCursor(CursorOf(cursor));
}

TCursor WidgetCursor(const QWidget& widget) {
  if (!widget.testAttribute(Qt::WA_SetCursor)) return crDefault;
  return NumberOf(widget.cursor());
}

TCursor ScreenCursor() {
  const QCursor* cursor = QApplication::overrideCursor();
  return cursor == nullptr ? crDefault : NumberOf(*cursor);
}

void SetScreenCursor(TCursor cursor) {
  // The screen cursor is one value, not a stack: replace whatever is set.
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
  if (cursor != crDefault) QApplication::setOverrideCursor(CursorOf(cursor));
}

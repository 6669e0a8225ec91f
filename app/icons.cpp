#include "app/icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>
#include <functional>

#include "viewer/qtgraphic.h"

namespace {

using Painter = std::function<void(QPainter&)>;

const QColor kOutline(40, 40, 40);
const QColor kPaper(250, 250, 250);
const QColor kGlass(200, 225, 250);
const QColor kGrip(150, 110, 60);

QFont SymbolFont(int pixels) {
  return DrawingFont(pixels, true);
}

// A sheet of paper with a folded corner.
void Sheet(QPainter& p) {
  QPainterPath path;
  path.moveTo(3.5, 1.5);
  path.lineTo(10.5, 1.5);
  path.lineTo(13.5, 4.5);
  path.lineTo(13.5, 14.5);
  path.lineTo(3.5, 14.5);
  path.closeSubpath();
  p.setPen(kOutline);
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
  p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
}

// A magnifying glass; `inside` draws on the lens.
void Magnifier(QPainter& p, const std::function<void(QPainter&)>& inside) {
  p.setPen(QPen(kGrip, 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
  p.setPen(QPen(kOutline, 1.2));
  p.setBrush(kGlass);
  p.drawEllipse(QPointF(6.5, 6.5), 5.2, 5.2);
  p.setPen(QPen(Qt::black, 1.6));
  inside(p);
}

// A small note in the currency's colour with its sign on it.
void Note(QPainter& p, const QColor& colour, const QString& sign) {
  p.setPen(colour.darker(160));
  p.setBrush(colour.lighter(170));
  p.drawRect(QRectF(0.5, 3.5, 15, 9));
  p.setPen(colour.darker(200));
  p.setFont(SymbolFont(sign.size() > 1 ? 8 : 10));
  p.drawText(QRectF(0, 3, 16, 10), Qt::AlignCenter, sign);
}

// An arrow with heads at both ends, from a to b.
void DoubleArrow(QPainter& p, QPointF a, QPointF b) {
  p.setPen(QPen(QColor(30, 90, 170), 1.3));
  p.drawLine(a, b);
  const QPointF d = (b - a) / std::hypot(b.x() - a.x(), b.y() - a.y());
  const QPointF n(-d.y(), d.x());
  for (const auto& [tip, dir] : {std::pair{a, d}, std::pair{b, -d}}) {
    p.drawLine(tip, tip + 3 * dir + 2.5 * n);
    p.drawLine(tip, tip + 3 * dir - 2.5 * n);
  }
}

const std::array<Painter, kImageCount> kPainters = {
    // 0 open: an opened folder.
    [](QPainter& p) {
      p.setPen(QColor(140, 100, 20));
      p.setBrush(QColor(235, 190, 80));
      p.drawRect(QRectF(1.5, 3.5, 5, 2));
      p.drawRect(QRectF(1.5, 4.5, 12, 9));
      p.setBrush(QColor(250, 215, 110));
      QPainterPath flap;
      flap.moveTo(3.5, 7.5);
      flap.lineTo(15.5, 7.5);
      flap.lineTo(13.5, 13.5);
      flap.lineTo(1.5, 13.5);
      flap.closeSubpath();
      p.drawPath(flap);
    },
    // 1 OCR: a letter under a reading frame.
    [](QPainter& p) {
      Sheet(p);
      p.setPen(QColor(30, 30, 30));
      p.setFont(SymbolFont(10));
      p.drawText(QRectF(3, 3, 11, 11), Qt::AlignCenter, "A");
      p.setPen(QPen(QColor(210, 40, 40), 1));
      p.drawLine(QPointF(1, 8.5), QPointF(15, 8.5));
    },
    // 2 no zoom: one to one.
    [](QPainter& p) {
      Magnifier(p, [](QPainter& q) {
        q.setFont(SymbolFont(8));
        q.drawText(QRectF(1, 1, 11, 11), Qt::AlignCenter, "1");
      });
    },
    // 3 fit to page: a page with arrows to its corners.
    [](QPainter& p) {
      Sheet(p);
      DoubleArrow(p, QPointF(5, 4), QPointF(12, 13));
    },
    // 4 full page: a page of text lines.
    [](QPainter& p) {
      Sheet(p);
      p.setPen(QColor(90, 90, 90));
      for (int y = 6; y <= 12; y += 2) p.drawLine(QPointF(5, y + 0.5), QPointF(12, y + 0.5));
    },
    // 5 fit to width or height: arrows to both sides of a frame.
    [](QPainter& p) {
      p.setPen(kOutline);
      p.setBrush(kPaper);
      p.drawRect(QRectF(0.5, 2.5, 15, 11));
      DoubleArrow(p, QPointF(2, 8), QPointF(14, 8));
    },
    // 6 zoom out.
    [](QPainter& p) {
      Magnifier(p, [](QPainter& q) { q.drawLine(QPointF(4, 6.5), QPointF(9, 6.5)); });
    },
    // 7 zoom in.
    [](QPainter& p) {
      Magnifier(p, [](QPainter& q) {
        q.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
        q.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
      });
    },
    // 8 US dollar, 9 euro, 10 Lebanese pound.
    [](QPainter& p) { Note(p, QColor(60, 140, 60), "$"); },
    [](QPainter& p) { Note(p, QColor(50, 90, 190), QString::fromUtf8("\u20AC")); },
    [](QPainter& p) { Note(p, QColor(170, 60, 50), QString::fromUtf8("L\u00A3")); },
};

}  // namespace

std::vector<QIcon> MakeActionImages() {
  std::vector<QIcon> images;
  for (const Painter& paint : kPainters) {
    QPixmap pixmap(kImageSize, kImageSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    painter.end();
    images.emplace_back(pixmap);
  }
  return images;
}

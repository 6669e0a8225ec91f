// TDibGraphic on screen: QImage conversion, drawing with the paint hook, the
// canvas and the clipboard.
#include "viewer/qtgraphic.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMimeData>
#include <cstring>
#include <vector>

#include "platform/codepage.h"

namespace {

// Inches per metre: QImage keeps its resolution in dots per metre.
constexpr double kInchesPerMetre = 39.370078740157480317;

QList<QRgb> ColorTable(const TPalette& palette) {
  QList<QRgb> table;
  for (TColor c : palette) table.push_back(qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
  return table;
}

QImage::Format QImageFormatOf(TGraphicFormat format) {
  switch (format) {
    case gfBlackWhite:
      return QImage::Format_Mono;  // most significant bit first, as DIB rows
    case gfTrueColor:
      return QImage::Format_BGR888;  // blue, green, red, as DIB rows
    default:
      return QImage::Format_Indexed8;
  }
}

}  // namespace

QImage ToQImage(const TDibGraphic& graphic, const QRect& part) {
  if (graphic.IsEmpty()) return {};
  const QRect whole(0, 0, graphic.Width(), graphic.Height());
  const QRect r = part.isNull() ? whole : part.intersected(whole);
  if (r.isEmpty()) return {};
  QImage image(r.size(), QImageFormatOf(graphic.ImageFormat()));
  if (image.isNull()) throw EZivuderoError("Out of resources");
  if (graphic.ImageFormat() != gfTrueColor) image.setColorTable(ColorTable(graphic.Palette()));
  const int32_t bits = graphic.BitCount();
  for (int32_t y = 0; y < r.height(); ++y) {
    const std::uint8_t* src = graphic.ScanLine(r.top() + y);
    std::uint8_t* dst = image.scanLine(y);
    if (bits == 24) {
      std::memcpy(dst, src + 3 * static_cast<std::size_t>(r.left()),
                  3 * static_cast<std::size_t>(r.width()));
    } else if (bits == 8) {
      std::memcpy(dst, src + r.left(), static_cast<std::size_t>(r.width()));
    } else if (bits == 4) {
      for (int32_t x = 0, sx = r.left(); x < r.width(); ++x, ++sx)
        dst[x] = static_cast<std::uint8_t>((sx & 1) ? (src[sx >> 1] & 0x0F) : (src[sx >> 1] >> 4));
    } else if (r.left() % 8 == 0) {
      // 1-bit rows of both are most significant bit first.
      std::memcpy(dst, src + r.left() / 8, static_cast<std::size_t>((r.width() + 7) / 8));
    } else {
      std::memset(dst, 0, static_cast<std::size_t>(image.bytesPerLine()));
      for (int32_t x = 0, sx = r.left(); x < r.width(); ++x, ++sx)
        if ((src[sx >> 3] >> (7 - (sx & 7))) & 1)
          dst[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
    }
  }
  image.setDotsPerMeterX(static_cast<int>(graphic.XDpi() * kInchesPerMetre + 0.5));
  image.setDotsPerMeterY(static_cast<int>(graphic.YDpi() * kInchesPerMetre + 0.5));
  return image;
}

void ImportQImage(TDibGraphic& graphic, const QImage& source) {
  if (source.isNull()) throw EInvalidGraphic("Invalid bitmap");
  QImage image;
  int bitCount = 24;
  if (source.depth() == 1) {
    image = source.convertToFormat(QImage::Format_Mono);
    bitCount = 1;
  } else if (source.format() == QImage::Format_Indexed8) {
    image = source;
    bitCount = 8;
  } else {
    image = source.convertToFormat(QImage::Format_BGR888);
  }
  QList<QRgb> table = bitCount == 24 ? QList<QRgb>{} : image.colorTable();
  // An image without a colour table shows its indexes as black; a table of
  // at least one entry keeps the DIB from claiming a full table it lacks.
  if (bitCount != 24 && table.isEmpty()) table.push_back(qRgb(0, 0, 0));
  const auto stride = static_cast<std::size_t>(
      DibRowBytes(static_cast<std::uint64_t>(image.width()), static_cast<std::uint32_t>(bitCount)));
  constexpr std::size_t kHeader = 40;
  std::vector<std::uint8_t> dib(kHeader + 4 * table.size() +
                                stride * static_cast<std::size_t>(image.height()));
  std::uint8_t* h = dib.data();
  WriteLE32(h, kHeader);
  WriteLE32(h + 4, static_cast<std::uint32_t>(image.width()));
  WriteLE32(h + 8, static_cast<std::uint32_t>(image.height()));
  WriteLE16(h + 12, 1);
  WriteLE16(h + 14, static_cast<std::uint16_t>(bitCount));
  WriteLE32(h + 24, static_cast<std::uint32_t>(std::max(0, image.dotsPerMeterX())));
  WriteLE32(h + 28, static_cast<std::uint32_t>(std::max(0, image.dotsPerMeterY())));
  WriteLE32(h + 32, static_cast<std::uint32_t>(table.size()));
  std::uint8_t* entry = h + kHeader;
  for (QRgb c : table) {
    entry[0] = static_cast<std::uint8_t>(qBlue(c));
    entry[1] = static_cast<std::uint8_t>(qGreen(c));
    entry[2] = static_cast<std::uint8_t>(qRed(c));
    entry += 4;
  }
  const std::size_t rowBytes = std::min(stride, static_cast<std::size_t>(image.bytesPerLine()));
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(entry + static_cast<std::size_t>(image.height() - 1 - y) * stride,
                image.constScanLine(y), rowBytes);
  graphic.ImportPackedDib(dib);
}

// --- Drawing -------------------------------------------------------------------

void Draw(const TDibGraphic& graphic, QPainter& painter, const QRect& rect) {
  if (!graphic.IsEmpty()) {
    // Rows and columns are dropped or repeated, never blended.
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect, ToQImage(graphic));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  }
  TPainterSurface surface(painter, rect);
  graphic.CallPaintHook(surface);
}

void DrawUnscaled(const TDibGraphic& graphic, QPainter& painter, const QRect& exposed) {
  const QRect whole(0, 0, graphic.Width(), graphic.Height());
  const QRect part = exposed.intersected(whole);
  if (!part.isEmpty()) painter.drawImage(part.topLeft(), ToQImage(graphic, part));
  TPainterSurface surface(painter, whole);
  graphic.CallPaintHook(surface);
}

// --- Canvas --------------------------------------------------------------------

TDibCanvas::TDibCanvas(TDibGraphic& graphic) : graphic_(graphic) {
  if (graphic.IsEmpty()) return;
  original_ = ToQImage(graphic).convertToFormat(QImage::Format_RGB32);
  image_ = original_.copy();
  painter_.begin(&image_);
}

TDibCanvas::~TDibCanvas() {
  if (!painter_.isActive()) return;
  painter_.end();
  const bool trueColour = graphic_.ImageFormat() == gfTrueColor;
  for (int y = 0; y < image_.height(); ++y) {
    const auto* now = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    const auto* before = reinterpret_cast<const QRgb*>(original_.constScanLine(y));
    std::uint8_t* row = graphic_.ScanLine(y);
    for (int x = 0; x < image_.width(); ++x) {
      if (now[x] == before[x]) continue;
      const QRgb c = now[x];
      if (trueColour) {
        row[3 * x + 0] = static_cast<std::uint8_t>(qBlue(c));
        row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
        row[3 * x + 2] = static_cast<std::uint8_t>(qRed(c));
      } else {
        graphic_.SetPixel(
            x, y,
            RGBColor(static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                     static_cast<std::uint8_t>(qBlue(c))));
      }
    }
  }
}

QFont DrawingFont(int pixels, bool bold) {
  QFont font(kDrawingFontFamily);
  if (QFontInfo(font).family() != QLatin1String(kDrawingFontFamily))
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  if (pixels > 0) font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void TDibCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!painter_.isActive()) return;
  painter_.setPen(Pen);
  painter_.setBrush(Brush);
  // A one-pixel outline of QRect(x, y, w, h) covers x .. x + w, so the
  // excluded corner is one less.
  painter_.drawRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
}

void TDibCanvas::TextOut(int32_t x, int32_t y, const std::string& text) {
  if (!painter_.isActive()) return;
  const QString s = QString::fromStdString(platform::AnsiToUtf8(text));
  painter_.setFont(Font);
  const QFontMetrics metrics(Font);
  if (Brush.style() != Qt::NoBrush)
    painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()), Brush);
  painter_.setPen(FontColor);
  painter_.drawText(x, y + metrics.ascent(), s);
}

// --- Clipboard -----------------------------------------------------------------

void CopyToClipboard(const TDibGraphic& graphic) {
  if (graphic.IsEmpty()) throw EZivuderoError("Graphic is empty");
  const QImage image = ToQImage(graphic);
  QApplication::clipboard()->setImage(
      graphic.ImageFormat() == gfBlackWhite ? image : image.convertToFormat(QImage::Format_RGB32));
}

int ClipboardFormat() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  if (data == nullptr) return 0;
  if (data->hasImage()) return CF_BITMAP;
  if (data->hasUrls()) return CF_HDROP;
  if (data->hasText()) return CF_TEXT;
  return 0;
}

void PasteFromClipboard(TDibGraphic& graphic) {
  const int format = ClipboardFormat();
  if (format != CF_BITMAP)
    throw EInvalidGraphic("Unknown clipboard format, " + std::to_string(format));
  ImportQImage(graphic, QApplication::clipboard()->image());
}

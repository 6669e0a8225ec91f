// The screen-facing side of TDibGraphic: QImage copies both ways in every
// format, drawing with the paint hook, the canvas, and the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QMimeData>
#include <QTest>

#include "viewer/qtgraphic.h"
#include "widget_helpers.h"

Q_DECLARE_METATYPE(TGraphicFormat)

namespace {

// A picture whose pixels go through the palette: pixel (x, y) takes entry
// (x + 3y) of the format's standard palette, true colour a colour of its own.
void Pattern(TDibGraphic& g, int32_t w, int32_t h, TGraphicFormat format) {
  g.NewImage(w, h, format, {}, 300, 200);
  const auto entries = static_cast<int32_t>(g.Palette().size());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      if (format == gfTrueColor)
        g.SetPixel(x, y, RGBColor(static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 30), 7));
      else
        g.SetPixelIndex(x, y, (x + 3 * y) % entries);
    }
}

}  // namespace

class QtGraphicTest : public QObject {
  Q_OBJECT

 private slots:
  void QImageCopiesKeepEveryPixel_data() {
    QTest::addColumn<TGraphicFormat>("format");
    QTest::addColumn<TGraphicFormat>("imported");
    QTest::newRow("black and white") << gfBlackWhite << gfBlackWhite;
    QTest::newRow("16 greys") << gfGray16 << gfColor256;
    QTest::newRow("256 greys") << gfGray256 << gfColor256;
    QTest::newRow("16 colours") << gfColor16 << gfColor256;
    QTest::newRow("256 colours") << gfColor256 << gfColor256;
    QTest::newRow("true colour") << gfTrueColor << gfTrueColor;
  }
  void QImageCopiesKeepEveryPixel() {
    QFETCH(TGraphicFormat, format);
    TDibGraphic g;
    Pattern(g, 13, 5, format);  // 13: rows end inside a byte and are padded
    const QImage image = ToQImage(g);
    QCOMPARE(image.size(), QSize(13, 5));
    TDibGraphic back;
    ImportQImage(back, image);
    QTEST(back.ImageFormat(), "imported");
    QCOMPARE(back.XDpi(), 300);
    QCOMPARE(back.YDpi(), 200);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 13; ++x) {
        QCOMPARE(image.pixel(x, y) & 0xFFFFFF, g.GetPixel(x, y));
        QCOMPARE(back.GetPixel(x, y), g.GetPixel(x, y));
      }
  }

  void ImportedDeepImagesBecomeTrueColourWithoutResolution() {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(QColor(10, 20, 30));
    image.setDotsPerMeterX(0);
    image.setDotsPerMeterY(0);
    TDibGraphic g;
    ImportQImage(g, image);
    QCOMPARE(g.ImageFormat(), gfTrueColor);
    QCOMPARE(g.GetPixel(2, 1), RGBColor(10, 20, 30));
    QCOMPARE(g.XDpi(), kScreenPixelsPerInch);
    QCOMPARE(MessageOf([&] { ImportQImage(g, QImage()); }), std::string("Invalid bitmap"));
  }

  void DrawStretchesAndThenCallsThePaintHook() {
    TDibGraphic g;
    g.NewImage(2, 1, gfBlackWhite, {}, 0, 0);
    g.SetPixelIndex(1, 0, 1);  // black, white
    QImage target(8, 2, QImage::Format_RGB32);
    target.fill(Qt::red);
    QRect hooked;
    QColor seen;
    const int owner = 0;
    g.SetPaintHook(&owner, [&](TPaintSurface& s) {
      auto& p = dynamic_cast<TPainterSurface&>(s);
      hooked = p.rect;
      seen = target.pixelColor(5, 1);  // drawn before the hook runs
    });
    {
      QPainter painter(&target);
      Draw(g, painter, QRect(2, 0, 4, 2));
    }
    QCOMPARE(hooked, QRect(2, 0, 4, 2));
    QCOMPARE(seen, QColor(255, 255, 255));
    QCOMPARE(target.pixelColor(1, 0), QColor(Qt::red));
    QCOMPARE(target.pixelColor(3, 1), QColor(0, 0, 0));  // columns repeated, not blended
    QCOMPARE(target.pixelColor(4, 0), QColor(255, 255, 255));
    const int other = 0;
    g.RemovePaintHook(&other);  // only the owner removes its hook
    QCOMPARE(g.PaintHookOwner(), static_cast<const void*>(&owner));
    g.RemovePaintHook(&owner);
    QCOMPARE(g.PaintHookOwner(), nullptr);
  }

  void PartsAndUnscaledDrawingCopyOnlyTheExposedPixels() {
    for (TGraphicFormat format : {gfBlackWhite, gfGray16, gfTrueColor}) {
      TDibGraphic g;
      Pattern(g, 21, 9, format);
      const QRect exposed(3, 2, 11, 5);  // starts inside a byte of 1-bit rows
      const QImage part = ToQImage(g, exposed);
      QCOMPARE(part.size(), exposed.size());
      QImage target(21, 9, QImage::Format_RGB32);
      target.fill(Qt::red);
      int hooked = 0;
      g.SetPaintHook(this, [&](TPaintSurface& s) {
        QCOMPARE(dynamic_cast<TPainterSurface&>(s).rect, QRect(0, 0, 21, 9));
        ++hooked;
      });
      {
        QPainter painter(&target);
        DrawUnscaled(g, painter, exposed);
      }
      QCOMPARE(hooked, 1);
      for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 21; ++x) {
          const QRgb expected = exposed.contains(x, y) ? 0xFF000000 | g.GetPixel(x, y) : 0xFFFF0000;
          QCOMPARE(target.pixel(x, y), expected);
        }
    }
  }

  void CanvasRectangleExcludesItsSecondCorner() {
    TDibGraphic g;
    g.NewImage(40, 70, gfTrueColor, {}, 0, 0);
    g.Fill(RGBColor(255, 255, 255));
    {
      TDibCanvas canvas(g);
      canvas.Pen = QPen(QColor(0, 0, 255), 1);
      canvas.Brush = Qt::NoBrush;
      canvas.Rectangle(20, 40, 31, 61);
    }
    const TColor blue = RGBColor(0, 0, 255), white = RGBColor(255, 255, 255);
    QCOMPARE(g.GetPixel(20, 40), blue);
    QCOMPARE(g.GetPixel(30, 60), blue);
    QCOMPARE(g.GetPixel(30, 50), blue);
    QCOMPARE(g.GetPixel(31, 50), white);
    QCOMPARE(g.GetPixel(25, 61), white);
    QCOMPARE(g.GetPixel(25, 50), white);  // no brush: the inside stays
  }

  void CanvasOnAPaletteImageStoresNearestEntries() {
    TDibGraphic g;
    g.NewImage(30, 20, gfBlackWhite, {}, 0, 0);
    g.Fill(RGBColor(255, 255, 255));
    {
      TDibCanvas canvas(g);
      canvas.Pen = QPen(QColor(30, 30, 30), 1);
      canvas.Brush = QBrush(QColor(220, 220, 220));
      canvas.Rectangle(0, 0, 10, 10);
      canvas.Brush = Qt::NoBrush;
      canvas.FontColor = QColor(0, 0, 0);
      canvas.TextOut(12, 2, "W");
    }
    QCOMPARE(g.ImageFormat(), gfBlackWhite);
    QCOMPARE(g.GetPixelIndex(0, 0), 0);  // dark grey pen: black
    QCOMPARE(g.GetPixelIndex(5, 5), 1);  // light grey brush: white
    int ink = 0;
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 12; x < 30; ++x) ink += g.GetPixelIndex(x, y) == 0;
    QVERIFY(ink > 5);  // the letter was written
  }

  // The packages install the drawing font; a machine without it would letter
  // pictures in whatever fontconfig substitutes.
  void DrawingFontIsTheInstalledFamily() {
    QCOMPARE(QFontInfo(DrawingFont(11)).family(), QString(kDrawingFontFamily));
    QCOMPARE(DrawingFont(11).pixelSize(), 11);
    QVERIFY(DrawingFont(8, true).bold());
    TDibGraphic g;
    g.NewImage(4, 4, gfTrueColor, {}, 0, 0);
    TDibCanvas canvas(g);
    QCOMPARE(QFontInfo(canvas.Font).family(), QString(kDrawingFontFamily));
  }

  void ClipboardCarriesBitmapsOnly() {
    TDibGraphic g;
    Pattern(g, 9, 4, gfBlackWhite);
    CopyToClipboard(g);
    QCOMPARE(ClipboardFormat(), CF_BITMAP);
    TDibGraphic pasted;
    PasteFromClipboard(pasted);
    QCOMPARE(pasted.ImageFormat(), gfBlackWhite);
    QCOMPARE(pasted.GetPixel(4, 3), g.GetPixel(4, 3));
    Pattern(g, 9, 4, gfColor16);
    CopyToClipboard(g);
    PasteFromClipboard(pasted);
    QCOMPARE(pasted.ImageFormat(), gfTrueColor);
    QCOMPARE(pasted.GetPixel(5, 2), g.GetPixel(5, 2));

    QApplication::clipboard()->setText("serial");
    QCOMPARE(MessageOf([&] { PasteFromClipboard(pasted); }),
             std::string("Unknown clipboard format, 1"));
    QApplication::clipboard()->clear();
    QCOMPARE(MessageOf([&] { PasteFromClipboard(pasted); }),
             std::string("Unknown clipboard format, 0"));
    QCOMPARE(pasted.Width(), 9);  // a failed paste keeps the picture
    TDibGraphic empty;
    QCOMPARE(MessageOf([&] { CopyToClipboard(empty); }), std::string("Graphic is empty"));
  }
};

QTEST_MAIN(QtGraphicTest)
#include "qtgraphic_test.moc"

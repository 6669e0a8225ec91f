// The screen-facing side of TDibGraphic: conversion to and from QImage,
// drawing with the paint hook, a drawing canvas over the pixels, and the
// clipboard.
//
//   ToQImage, ImportQImage    QImage copies in both directions
//   TPainterSurface, Draw     stretch a graphic into a painter's rectangle
//   TDibCanvas                pen, brush and font drawing onto the pixels
//   DrawingFont               the one font the tools draw text in
//   CopyToClipboard ...       the bitmap clipboard format
#pragma once

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <string>

#include "graphics/dibgraphic.h"

// A copy of the graphic with its rows top-down: black and white as a 1-bit
// image, the other palette formats as 8-bit indexed images with the palette,
// true colour as 24-bit. A null image for an empty graphic. With `part`,
// only that rectangle of the graphic (clipped to it) is copied.
QImage ToQImage(const TDibGraphic& graphic, const QRect& part = QRect());
// Imports an image with its own bit depth: 1-bit images become black and
// white, 8-bit indexed ones 256 colours with their palette, everything else
// true colour. The resolution comes along (0 dpi when the image has none).
void ImportQImage(TDibGraphic& graphic, const QImage& image);

// The painter and target rectangle a graphic was just drawn into; the paint
// hook receives this.
class TPainterSurface : public TPaintSurface {
 public:
  TPainterSurface(QPainter& painter, const QRect& rect) : painter(painter), rect(rect) {}
  QPainter& painter;
  QRect rect;
};

// Stretches the whole graphic into `rect` of the painter, rows and columns
// dropped or repeated, then calls the graphic's paint hook.
void Draw(const TDibGraphic& graphic, QPainter& painter, const QRect& rect);
// Draws the graphic at its own size at (0, 0), converting only the `exposed`
// part, then calls the paint hook with the whole image's rectangle: a
// repaint of a large picture costs what the screen shows of it.
void DrawUnscaled(const TDibGraphic& graphic, QPainter& painter, const QRect& exposed);

// The family every text the tools draw onto pictures and icons is set in.
// The packages install it (fonts-dejavu-core), so that what a user sees does
// not depend on which other fonts a machine happens to have.
inline constexpr const char* kDrawingFontFamily = "DejaVu Sans";
// kDrawingFontFamily at `pixels` pixels (the application font's size when
// 0). When the font database does not resolve that family, the desktop's
// general font at the same size and weight instead of whatever fontconfig
// substitutes for an unknown name.
QFont DrawingFont(int pixels = 0, bool bold = false);

// A drawing surface over a graphic's pixels for as long as it lives. What was
// drawn goes into the graphic when the canvas ends (palette formats store
// the nearest palette entry of each changed pixel). Defaults are those of a
// fresh canvas: black one-pixel pen, white solid brush, black DrawingFont().
class TDibCanvas {
 public:
  explicit TDibCanvas(TDibGraphic& graphic);
  ~TDibCanvas();
  TDibCanvas(const TDibCanvas&) = delete;
  TDibCanvas& operator=(const TDibCanvas&) = delete;

  // For anything the helpers below do not offer.
  QPainter& Painter() { return painter_; }

  // The outline in the pen and the inside in the brush; (x2, y2) is
  // excluded, as a canvas rectangle has it.
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Text with its top-left corner at (x, y), in Font and FontColor, on the
  // brush colour unless the brush is Qt::NoBrush. `text` is in the system's
  // 8-bit code page.
  void TextOut(int32_t x, int32_t y, const std::string& text);

  QPen Pen{QColor(0, 0, 0), 1};
  QBrush Brush{QColor(255, 255, 255)};
  QFont Font = DrawingFont();
  QColor FontColor{0, 0, 0};

 private:
  TDibGraphic& graphic_;
  QImage image_;     // the pixels while drawing, 32 bits a pixel
  QImage original_;  // what they were, to store only changed pixels back
  QPainter painter_;
};

// Windows' numbers for the clipboard formats a paste can meet; the paste
// error names the format by them.
inline constexpr int CF_TEXT = 1;
inline constexpr int CF_BITMAP = 2;
inline constexpr int CF_HDROP = 15;

// Puts the graphic on the clipboard as a bitmap: a 1-bit one for black and
// white, a 32-bit one otherwise.
void CopyToClipboard(const TDibGraphic& graphic);
// The clipboard's format as a number: CF_BITMAP, CF_HDROP, CF_TEXT, or 0 when
// it holds nothing.
int ClipboardFormat();
// Replaces the graphic by the clipboard's bitmap (ImportQImage); any other
// content raises EInvalidGraphic "Unknown clipboard format, %d".
void PasteFromClipboard(TDibGraphic& graphic);

#include "serial/confusablepairs.h"

#include <algorithm>

#include "ocr/glyphprobes.h"

namespace serial_detail {
namespace {

// The leftmost and rightmost ink columns of rows y0..y1 of the glyph box;
// Left > Right when the rows hold no ink.
struct TInkSpan {
  int32_t Left, Right;
  int32_t Width() const { return Right - Left + 1; }
};

TInkSpan InkSpan(const TGlyphSheet& sheet, const TCharRecord& g, int32_t y0, int32_t y1) {
  TInkSpan span{g.Right + 1, g.Left - 1};
  for (int32_t x = g.Left; x <= g.Right; ++x) {
    if (RectColours(sheet.Raster(), x, x, y0, y1, sheet.Threshold(), cfInk) == 0) continue;
    span.Left = std::min(span.Left, x);
    span.Right = std::max(span.Right, x);
  }
  return span;
}

// "I" and "L": an I's foot is as wide as its head (a bare stem, or serifs on
// both ends), an L's foot runs out to the right well past its head. The
// head and foot are the top and bottom sixths of the glyph.
constexpr int32_t kEndRowsShare = 6;
// An L's foot reaches past its head by at least this share of the glyph width.
constexpr int32_t kFootOverhangShare = 3;

char SettleIOrL(const TGlyphSheet& sheet, const TCharRecord& g) {
  const int32_t rows = std::max(1, (g.Bottom - g.Top + 1) / kEndRowsShare);
  const TInkSpan head = InkSpan(sheet, g, g.Top, g.Top + rows - 1);
  const TInkSpan foot = InkSpan(sheet, g, g.Bottom - rows + 1, g.Bottom);
  if (head.Width() <= 0 || foot.Width() <= 0) return 0;
  const int32_t width = g.Right - g.Left + 1;
  const int32_t overhang = foot.Right - head.Right;
  if (kFootOverhangShare * overhang >= width) return 'L';
  if (kFootOverhangShare * std::abs(foot.Width() - head.Width()) < width) return 'I';
  return 0;
}

}  // namespace

char SettleConfusablePair(const TGlyphSheet& sheet, const TCharRecord& glyph, char read) {
  if (read == 'I' || read == 'L') {
    const char settled = SettleIOrL(sheet, glyph);
    return settled != 0 ? settled : read;
  }
  return read;
}

}  // namespace serial_detail

// Arbitrary images as the clipboard hands them over: the first bytes choose
// the format, size, resolution and colour table, the rest are the pixels.
// The import must give back every pixel the image shows, and the copy back
// to a QImage must match the imported graphic.
#include <QImage>
#include <array>
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "viewer/qtgraphic.h"

namespace {

constexpr std::array<QImage::Format, 12> kFormats = {
    QImage::Format_Mono,        QImage::Format_MonoLSB, QImage::Format_Indexed8,
    QImage::Format_RGB32,       QImage::Format_ARGB32,  QImage::Format_RGB16,
    QImage::Format_RGB888,      QImage::Format_BGR888,  QImage::Format_Grayscale8,
    QImage::Format_Grayscale16, QImage::Format_RGBX64,  QImage::Format_ARGB32_Premultiplied};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in{data, size};
  const QImage::Format format = kFormats[in.Byte() % kFormats.size()];
  const int width = 1 + in.Byte() % 64, height = 1 + in.Byte() % 64;
  QImage image(width, height, format);
  image.setDotsPerMeterX(in.Byte() * 97);
  image.setDotsPerMeterY(in.Byte() * 89);
  if (image.depth() <= 8) {
    QList<QRgb> table(in.Byte() % (image.depth() == 1 ? 3 : 257));
    for (QRgb& c : table) c = qRgb(in.Byte(), in.Byte(), in.Byte());
    image.setColorTable(table);
  }
  for (int y = 0; y < height; ++y) {
    uchar* row = image.scanLine(y);
    for (qsizetype i = 0; i < image.bytesPerLine(); ++i) row[i] = in.Byte();
  }
  TDibGraphic graphic;
  try {
    ImportQImage(graphic, image);
  } catch (const platform::Exception&) {
    return 0;
  }
  const QImage back = ToQImage(graphic);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const TColor c = graphic.GetPixel(x, y);
      if ((back.pixel(x, y) & 0xFFFFFF) != c) __builtin_trap();
      // Images with a colour table keep their colours exactly; deeper ones
      // go through 8 bits a channel.
      if (image.depth() <= 8 && image.pixelIndex(x, y) < image.colorCount() &&
          (image.pixel(x, y) & 0xFFFFFF) != c)
        __builtin_trap();
    }
  return 0;
}

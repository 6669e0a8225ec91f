// The glyph classifier on arbitrary 8-bit rasters and boxes: a box may reach
// past the raster or hold no ink, the pixels may be anything.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "glyphmodel/glyphclassifier.h"
#include "image/dibunit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in{data, size};
  const int32_t width = 1 + in.Byte() % 64, height = 1 + in.Byte() % 64;
  const std::uint8_t threshold = in.Byte();
  TRect box;
  box.Left = static_cast<int8_t>(in.Byte());
  box.Top = static_cast<int8_t>(in.Byte());
  box.Right = box.Left + static_cast<int8_t>(in.Byte());
  box.Bottom = box.Top + static_cast<int8_t>(in.Byte());
  TDIB raster;
  raster.NewImage(width, height, df8Bit, 300, 300);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) raster.Row(y)[x] = in.Byte();
  }
  JudgeGlyph(raster, threshold, box);
  return 0;
}

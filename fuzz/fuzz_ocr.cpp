// Fuzz target: packed-DIB blocks handed to the OCR engine. The first byte
// picks the form of the input: an even byte passes the rest on as a raw block
// (header, colour table and rows as they come), an odd one builds a valid
// header from the next bytes (width, height, bit count, area, spot removal)
// and fills the rows with what follows, so that most inputs reach the stages
// behind the header checks. The engine must answer every block with a result
// or an exception carrying a message, never with a crash or a hang.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>

#include "ocr/omnifontocr.h"
#include "platform/memory.h"

namespace {

constexpr std::array<int32_t, 6> kBitCounts = {1, 4, 8, 24, 16, 15};
constexpr std::size_t kStructuredHeader = 7;  // selector and six parameter bytes

void Put32(std::uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

platform::BlockOwner RawBlock(const std::uint8_t* data, std::size_t size) {
  platform::BlockOwner block(size);
  platform::BlockLock lock(block.get());
  std::memcpy(lock.data(), data, size);
  return block;
}

platform::BlockOwner StructuredBlock(const std::uint8_t* data, std::size_t size) {
  const int32_t width = data[1] % 96;  // 0 included: a raster without pixels
  const int32_t height = data[2] % 96;
  const int32_t bits = kBitCounts[data[3] % kBitCounts.size()];
  const int32_t colours = bits <= 8 ? 1 << bits : 0;
  const int32_t stride = ((width * bits + 31) / 32) * 4;
  const std::size_t total = 40 + 4 * static_cast<std::size_t>(colours) +
                            static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  platform::BlockOwner block(total);
  platform::BlockLock lock(block.get());
  std::uint8_t* d = lock.data();
  Put32(d, 40);
  Put32(d + 4, static_cast<uint32_t>(width));
  Put32(d + 8, static_cast<uint32_t>(height));
  d[12] = 1;
  d[14] = static_cast<std::uint8_t>(bits);
  for (int32_t i = 0; i < colours; ++i) {
    const auto grey = static_cast<std::uint8_t>(i * 255 / (colours - 1));
    std::memset(d + 40 + 4 * i, grey, 3);
  }
  // The pixels: the remaining input, repeated to fill the rows.
  std::uint8_t* pixels = d + 40 + 4 * colours;
  const std::uint8_t* rest = data + kStructuredHeader;
  const std::size_t restSize = size - kStructuredHeader;
  const std::size_t rows = total - (pixels - d);
  for (std::size_t i = 0; i < rows && restSize > 0; ++i) pixels[i] = rest[i % restSize];
  return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool structured = (data[0] & 1) != 0 && size >= kStructuredHeader;
  TOmnifontOCR engine;
  int32_t area = 1;  // a word, as the serial reader asks
  platform::BlockOwner block;
  if (structured) {
    block = StructuredBlock(data, size);
    area = data[4] % 5;
    engine.SpotRemoval = data[5] % 3;
    engine.NumericOnly = (data[6] & 1) != 0;
    engine.SplitTouching = (data[6] & 2) != 0 ? 2 : 0;
  } else {
    block = RawBlock(data + 1, size - 1);
  }
  try {
    engine.Recognize(block.get(), area);
    std::string text;
    engine.GetText(text);
  } catch (const std::exception&) {
    // Refused blocks and the engine's own messages are answers, not faults.
  }
  return 0;
}

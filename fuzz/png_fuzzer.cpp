// Arbitrary bytes as a .png file through the registry's load path. Inputs
// with an odd last byte get every chunk's CRC repaired first, so that the
// mutations reach the header, palette and pixel decoding instead of stopping
// at the CRC check.
#include <zlib.h>

#include <vector>

#include "graphics_fuzz.h"

namespace {

void RepairCrcs(std::vector<std::uint8_t>& b) {
  std::size_t pos = 8;
  while (pos + 12 <= b.size()) {
    const std::uint32_t length =
        (std::uint32_t{b[pos]} << 24) | (b[pos + 1] << 16) | (b[pos + 2] << 8) | b[pos + 3];
    if (length > b.size() - pos - 12) return;
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, &b[pos + 4], 4 + length);
    for (int i = 0; i < 4; ++i)
      b[pos + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    pos += 12 + std::size_t{length};
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::LimitImages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  if (size > 0 && (data[size - 1] & 1)) RepairCrcs(bytes);
  fuzz::LoadAs("input.png", bytes.data(), bytes.size(), 1);
  return 0;
}

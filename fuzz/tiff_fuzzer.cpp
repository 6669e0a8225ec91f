// Arbitrary bytes as a .tif file through the registry's load path: the first
// page, and every page when the first byte is odd.
#include "graphics_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::LimitImages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int32_t page = size > 0 && (data[0] & 1) ? 0 : 1;
  fuzz::LoadAs("input.tif", data, size, page);
  return 0;
}

// Arbitrary bytes as an icon file.
#include "graphics_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::LimitImages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::LoadAs("input.ico", data, size, 1);
  return 0;
}

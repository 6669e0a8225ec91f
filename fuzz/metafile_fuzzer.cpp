// Arbitrary bytes as a Windows metafile. Each input is played in its own
// child process, so a crash of the player there is a clean refusal; what
// this target guards is the record walk, the reply protocol and the page.
#include "graphics/metafileimage.h"
#include "graphics_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::LimitImages();
  // A slow drawing should end as a refusal well inside libFuzzer's timeout.
  SetMetafileTimeLimit(std::chrono::seconds(2));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::LoadAs("input.wmf", data, size, 1);
  return 0;
}

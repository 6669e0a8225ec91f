// Shared body of the image decoder fuzzers: the bytes are loaded through the
// registry as a file of the given name, exported as a packed-DIB block and
// every pixel is read back. Any exception of the system is a clean refusal.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <string>

#include "platform/exceptions.h"
#include "platform/memory.h"
#include "viewer/dibgraphic.h"

namespace fuzz {

// Small limits keep each input fast; the limit logic is the same at any size.
inline void LimitImages() {
  TDibGraphic::SetMaxImageBytes(std::size_t{16} << 20);
}

inline void LoadAs(const std::string& name, const std::uint8_t* data, std::size_t size,
                   int32_t page) {
  try {
    const auto g = LoadGraphic(name, std::span<const std::uint8_t>(data, size), page);
    if (g->IsEmpty()) return;
    platform::BlockOwner block(g->ExportPackedDib());
    // Every row, and up to 1024 pixels of each, including the last one.
    uint32_t sum = 0;
    const int32_t step = std::max(1, g->Width() / 1024);
    for (int32_t y = 0; y < g->Height(); ++y) {
      for (int32_t x = 0; x < g->Width(); x += step) sum += g->GetPixel(x, y);
      sum += g->GetPixel(g->Width() - 1, y);
    }
    if (sum == 0xFFFFFFFF) __builtin_trap();  // keeps the reads alive
  } catch (const platform::Exception&) {
  }
}

}  // namespace fuzz

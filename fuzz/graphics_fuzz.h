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

#include "graphics/dibgraphic.h"
#include "platform/exceptions.h"
#include "platform/memory.h"

namespace fuzz {

// Small limits keep each input fast; the limit logic is the same at any size.
inline void LimitImages() {
  TDibGraphic::SetMaxImageBytes(std::size_t{4} << 20);
}

inline void LoadAs(const std::string& name, const std::uint8_t* data, std::size_t size,
                   int32_t page) {
  try {
    const auto g = LoadGraphic(name, std::span<const std::uint8_t>(data, size), page);
    if (g->IsEmpty()) return;
    platform::BlockOwner block(g->ExportPackedDib());
    // Up to 1024 rows and 1024 pixels of each, including the last ones.
    uint32_t sum = 0;
    const int32_t w = g->Width(), h = g->Height();
    const int32_t xStep = std::max(1, w / 1024), yStep = std::max(1, h / 1024);
    for (int32_t y = 0; y < h; y += yStep) {
      for (int32_t x = 0; x < w; x += xStep) sum += g->GetPixel(x, y);
      sum += g->GetPixel(w - 1, y) + g->GetPixel(w - 1, h - 1);
    }
    if (sum == 0xFFFFFFFF) __builtin_trap();  // keeps the reads alive
  } catch (const platform::Exception&) {
  }
}

}  // namespace fuzz

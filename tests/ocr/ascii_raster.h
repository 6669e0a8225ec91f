// Small 8-bit working rasters drawn as ASCII art for the OCR tests: '#' is
// ink (0), '.' is paper (248, marker bits clear), '+' is ink already carrying
// the fill mark 7 and '-' is paper carrying it (255). Read with threshold 128.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/dibunit.h"

namespace testing_raster {

inline constexpr std::uint8_t kThreshold = 128;

inline std::uint8_t ArtValue(char c) {
  switch (c) {
    case '#':
      return 0;
    case '.':
      return 248;
    case '+':
      return 7;
    case '-':
      return 255;
    default:
      throw std::invalid_argument(std::string("unknown raster art character ") + c);
  }
}

inline std::unique_ptr<TDIB> MakeRaster(const std::vector<std::string>& art) {
  auto dib = std::make_unique<TDIB>();
  const int32_t h = static_cast<int32_t>(art.size());
  const int32_t w = h == 0 ? 0 : static_cast<int32_t>(art[0].size());
  dib->NewImage(w, h, df8Bit, 96, 96);
  for (int32_t y = 0; y < h; ++y) {
    if (static_cast<int32_t>(art[y].size()) != w) throw std::invalid_argument("ragged raster art");
    for (int32_t x = 0; x < w; ++x) dib->Row(y)[x] = ArtValue(art[y][x]);
  }
  return dib;
}

// The raster drawn back as art ('?' for any other value), for readable failures.
inline std::vector<std::string> DrawRaster(const TDIB& dib) {
  std::vector<std::string> art;
  for (int32_t y = 0; y < dib.Height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < dib.Width(); ++x) {
      const std::uint8_t v = dib.Row(y)[x];
      row += v == 0 ? '#' : v == 248 ? '.' : v == 7 ? '+' : v == 255 ? '-' : '?';
    }
    art.push_back(row);
  }
  return art;
}

}  // namespace testing_raster

// Engine inputs and working state from ASCII art: '#' is ink, '.' paper. Rows
// are given top first, all of the same length.
//
//   MakePackedDib(art, bits)   the engine's input: a packed-DIB block of 1, 4, 8,
//                              16 or 24 bits per pixel (ink black, paper white)
//   Canvas                     art drawn with filled rectangles, for larger rasters
//   AttachWorkingRaster        gives an engine an 8-bit working raster (the art
//                              of ascii_raster.h), so that a stage can run directly
//   MakeRecord                 a record with a box
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ascii_raster.h"
#include "classifier/primitives.h"
#include "image/dibunit.h"
#include "ocr/omnifontocr.h"
#include "platform/memory.h"

namespace ocrtest {

using Art = std::vector<std::string>;

inline void Put32(std::uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Put16(std::uint8_t* p, uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

// A packed DIB of the art. 1 bit: table black, white and ink is bit 0.
// 4 bits: the grey table 17 * i, ink nibble 0, paper 15. 8 bits: the grey
// ramp. 16 bits: raw words (no table). 24 bits: ink black, paper white.
inline platform::BlockOwner MakePackedDib(const Art& art, int32_t bits = 8) {
  const int32_t height = static_cast<int32_t>(art.size());
  const int32_t width = height == 0 ? 0 : static_cast<int32_t>(art[0].size());
  const int32_t colours = bits <= 8 ? (1 << bits) : 0;
  const int32_t stride = ((width * bits + 31) / 32) * 4;
  const std::size_t size = 40 + 4 * static_cast<std::size_t>(colours) +
                           static_cast<std::size_t>(height) * static_cast<std::size_t>(stride);
  platform::BlockOwner block(size);
  platform::BlockLock lock(block.get());
  std::uint8_t* d = lock.data();
  Put32(d + 0, 40);
  Put32(d + 4, static_cast<uint32_t>(width));
  Put32(d + 8, static_cast<uint32_t>(height));
  Put16(d + 12, 1);
  Put16(d + 14, static_cast<uint16_t>(bits));
  Put32(d + 20, static_cast<uint32_t>(height * stride));
  Put32(d + 24, 11811);  // 300 dpi
  Put32(d + 28, 11811);
  Put32(d + 32, static_cast<uint32_t>(colours));
  Put32(d + 36, static_cast<uint32_t>(colours));
  for (int32_t i = 0; i < colours; ++i) {
    const int32_t grey = bits == 1 ? i * 255 : bits == 4 ? i * 17 : i;
    const auto g = static_cast<std::uint8_t>(grey);
    std::uint8_t* e = d + 40 + 4 * i;
    e[0] = e[1] = e[2] = g;
  }
  std::uint8_t* pixels = d + 40 + 4 * colours;
  for (int32_t y = 0; y < height; ++y) {
    if (static_cast<int32_t>(art[y].size()) != width) throw std::invalid_argument("ragged art");
    std::uint8_t* row = pixels + static_cast<std::size_t>(height - 1 - y) * stride;
    for (int32_t x = 0; x < width; ++x) {
      const bool ink = art[y][x] == '#';
      switch (bits) {
        case 1:
          if (!ink) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
          break;
        case 4:
          if (!ink) row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? 0xF0 : 0x0F);
          break;
        case 8:
          row[x] = ink ? 0 : 255;
          break;
        case 16:
          Put16(row + 2 * x, ink ? 0 : 0x7FFF);
          break;
        case 24:
          std::memset(row + 3 * x, ink ? 0 : 255, 3);
          break;
        default:
          throw std::invalid_argument("bit count");
      }
    }
  }
  return block;
}

// Larger rasters drawn as rectangles of ink on paper.
struct Canvas {
  Canvas(int32_t width, int32_t height) : art(height, std::string(width, '.')) {}
  // Fills the inclusive rectangle with ink.
  Canvas& Fill(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    for (int32_t y = top; y <= bottom; ++y) {
      for (int32_t x = left; x <= right; ++x) art[y][x] = '#';
    }
    return *this;
  }
  // Copies the ink of `glyph` with its top left corner at (left, top).
  Canvas& Paste(const Art& glyph, int32_t left, int32_t top) {
    for (std::size_t y = 0; y < glyph.size(); ++y) {
      for (std::size_t x = 0; x < glyph[y].size(); ++x) {
        if (glyph[y][x] == '#') art[top + y][left + x] = '#';
      }
    }
    return *this;
  }
  Canvas& Clear(int32_t x, int32_t y) {
    art[y][x] = '.';
    return *this;
  }
  Art art;
};

// A glyph of the art files in tests/data/glyphs: its truth, its name
// (g_<font>_<set>_<code point>) and its rows cropped to the ink box.
struct TArtGlyph {
  char truth = 0;
  std::string name;
  Art art;
};

// A glyph art file: "= <truth> <name> <width> <height>" and then the rows.
inline std::vector<TArtGlyph> LoadGlyphArt(const std::string& file) {
  const std::string path = std::string(VEREVIZU_TEST_DATA) + "/glyphs/" + file;
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<TArtGlyph> glyphs;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("= ", 0) == 0) {
      std::istringstream header(line.substr(2));
      TArtGlyph g;
      header >> g.truth >> g.name;
      glyphs.push_back(g);
    } else if (!line.empty() && !glyphs.empty()) {
      glyphs.back().art.push_back(line);
    }
  }
  return glyphs;
}

// Gives the engine a working raster of the art (ink 0, paper 248) with
// threshold 128.
inline void AttachWorkingRaster(TOmnifontOCR& engine, const Art& art) {
  engine.Image = testing_raster::MakeRaster(art);
  engine.Threshold = testing_raster::kThreshold;
}

// A record with the given inclusive box, as a component would give it.
inline std::unique_ptr<TCharRecord> MakeRecord(int32_t left, int32_t top, int32_t right,
                                               int32_t bottom) {
  auto r = std::make_unique<TCharRecord>();
  r->Left = left;
  r->Top = top;
  r->Right = right;
  r->Bottom = bottom;
  r->SeedX = left;
  r->SeedY = top;
  return r;
}

// A record's box, comparable and printable, for asserting on the result list.
struct Box {
  int32_t Left, Top, Right, Bottom;
  bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << "{" << b.Left << ", " << b.Top << ", " << b.Right << ", " << b.Bottom << "}";
}

inline Box BoxOf(const TCharRecord& r) {
  return {r.Left, r.Top, r.Right, r.Bottom};
}

// The boxes of the engine's records, in list order.
inline std::vector<Box> Boxes(const TOmnifontOCR& engine) {
  std::vector<Box> out;
  for (const auto& r : engine.Characters) out.push_back(BoxOf(*r));
  return out;
}

// Whether a pixel of the engine's working raster is ink at its threshold.
inline bool InkAt(const TOmnifontOCR& engine, int32_t x, int32_t y) {
  return IsInk(*engine.Image, x, y, static_cast<std::uint8_t>(engine.Threshold));
}

}  // namespace ocrtest

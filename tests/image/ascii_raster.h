// Small rasters drawn as text, for tests: '#' is a black pixel, '.' a white
// one, one string per row (top row first, all rows the same length).
//
//   auto dib = AsciiRaster({"..##..",
//                           ".####."});
//   EXPECT_EQ(AsciiOf(*dib), (Picture{"..##..", ".####."}));
//
// Black and white are the raster's own BlackValue and WhiteValue, so a 1-bit
// raster with a white-then-black colour table (WhiteFirst) draws the same.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/dibunit.h"

using Picture = std::vector<std::string>;

enum class TableOrder { BlackFirst, WhiteFirst };

inline std::unique_ptr<TDIB> AsciiRaster(const Picture& rows, int32_t format = df1Bit,
                                         TableOrder order = TableOrder::BlackFirst,
                                         int32_t dpi = 300) {
  auto dib = std::make_unique<TDIB>();
  const auto height = static_cast<int32_t>(rows.size());
  const int32_t width = height > 0 ? static_cast<int32_t>(rows[0].size()) : 0;
  dib->NewImage(width, height, format, dpi, dpi);
  if (format == df1Bit && order == TableOrder::WhiteFirst) {
    dib->SetPaletteEntry(0, 0x00FFFFFF);
    dib->SetPaletteEntry(1, 0);
  }
  const int32_t black = dib->BlackValue();
  const int32_t white = dib->WhiteValue();
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) dib->SetPixel(x, y, rows[y][x] == '#' ? black : white);
  }
  return dib;
}

// The raster drawn back: '#' black, '.' white, '?' any other value.
inline Picture AsciiOf(const TDIB& dib) {
  Picture rows;
  const int32_t black = dib.BlackValue();
  const int32_t white = dib.WhiteValue();
  for (int32_t y = 0; y < dib.Height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < dib.Width(); ++x) {
      const int32_t v = dib.GetPixel(x, y);
      row += v == black ? '#' : v == white ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

// An 8-bit grey raster from rows of values, top row first.
inline std::unique_ptr<TDIB> GreyRaster(const std::vector<std::vector<int32_t>>& rows) {
  auto dib = std::make_unique<TDIB>();
  const auto height = static_cast<int32_t>(rows.size());
  const int32_t width = height > 0 ? static_cast<int32_t>(rows[0].size()) : 0;
  dib->NewImage(width, height, df8Bit, 300, 300);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) dib->SetPixel(x, y, rows[y][x]);
  return dib;
}

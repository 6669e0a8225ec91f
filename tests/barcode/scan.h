// A run list printed and scanned: bars of grey ink on off-white paper,
// softened by the scanner's optics and speckled with sensor noise, as an
// 8-bit raster, and the reader's codes on it.
//
//   for (const TScanLook& look : kScanLooks)
//     EXPECT_EQ(ScanReadings(Runs(Code39("ABC")), BarCodeBit(bcCode39), look),
//               (TReadings{{bcCode39, "ABC"}}));
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "barcode/barcodereader.h"
#include "image/dibunit.h"

namespace barcode_test {

struct TScanLook {
  double Blur = 1.0;    // standard deviation of the optics' Gaussian, in pixels
  int32_t Noise = 6;    // grey levels either way, uniform
  int32_t Ink = 40;     // a printed bar is never pure black,
  int32_t Paper = 215;  // nor the paper pure white
};

// The runs drawn from column `margin` over every row of a raster `height`
// rows high, with no resolution (so an 18-pixel quiet zone).
inline std::unique_ptr<TDIB> ScannedRaster(const std::vector<int32_t>& runs, TScanLook look = {},
                                           int32_t margin = 30, int32_t height = 12) {
  std::vector<double> ink(static_cast<std::size_t>(margin), 0.0);
  for (int32_t run : runs)
    ink.insert(ink.end(), static_cast<std::size_t>(std::abs(run)), run > 0 ? 1.0 : 0.0);
  ink.insert(ink.end(), static_cast<std::size_t>(margin), 0.0);
  const auto width = static_cast<int32_t>(ink.size());

  // Bars run the whole height, so the blur only shows across them.
  const auto reach = static_cast<int32_t>(std::ceil(3 * look.Blur));
  std::vector<double> kernel;
  for (int32_t d = -reach; d <= reach; ++d)
    kernel.push_back(look.Blur > 0 ? std::exp(-d * d / (2 * look.Blur * look.Blur)) : 1.0);
  double total = 0;
  for (double k : kernel) total += k;

  auto dib = std::make_unique<TDIB>();
  dib->NewImage(width, height, df8Bit, 0, 0);
  std::mt19937 noise(20241);  // the same speckles on every run
  for (int32_t x = 0; x < width; ++x) {
    double cover = 0;
    for (int32_t d = -reach; d <= reach; ++d) {
      const int32_t at = std::clamp(x + d, 0, width - 1);
      cover += kernel[static_cast<std::size_t>(d + reach)] * ink[static_cast<std::size_t>(at)];
    }
    const double grey = look.Paper - (look.Paper - look.Ink) * cover / total;
    for (int32_t y = 0; y < height; ++y) {
      const int32_t speck = static_cast<int32_t>(noise() % (2 * look.Noise + 1)) - look.Noise;
      dib->SetPixel(x, y, std::clamp(static_cast<int32_t>(std::lround(grey)) + speck, 0, 255));
    }
  }
  return dib;
}

// The runs printed as a symbol whose reading direction is turned clockwise
// by `degrees`: bars `height` pixels long (0: three fifths of the symbol's
// length, at least 40), grey ink and paper with the look's noise, each
// pixel the mean of 2 x 2 samples, on a canvas with 40 pixels of paper
// around the symbol and no resolution (an 18-pixel quiet zone).
inline std::unique_ptr<TDIB> TurnedScan(const std::vector<int32_t>& runs, double degrees,
                                        TScanLook look = {}, int32_t height = 0) {
  // Ink along the symbol in quarters of a pixel.
  std::vector<bool> ink;
  for (int32_t run : runs)
    ink.insert(ink.end(), 4 * static_cast<std::size_t>(std::abs(run)), run > 0);
  const double length = static_cast<double>(ink.size()) / 4;
  const double tall = height > 0 ? height : std::max(40.0, 0.6 * length);
  const double a = degrees * M_PI / 180;
  // Quarter turns exactly, so that edges stay on pixel boundaries.
  const bool quarter = std::fmod(degrees, 90) == 0;
  const double c = quarter ? std::round(std::cos(a)) : std::cos(a);
  const double s = quarter ? std::round(std::sin(a)) : std::sin(a);
  constexpr int32_t kMargin = 40;
  const auto w =
      static_cast<int32_t>(std::ceil(std::abs(c) * length + std::abs(s) * tall)) + 2 * kMargin;
  const auto h =
      static_cast<int32_t>(std::ceil(std::abs(s) * length + std::abs(c) * tall)) + 2 * kMargin;
  auto dib = std::make_unique<TDIB>();
  dib->NewImage(w, h, df8Bit, 0, 0);
  std::mt19937 noise(20241);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      int32_t covered = 0;
      for (const double sy : {0.25, 0.75}) {
        for (const double sx : {0.25, 0.75}) {
          // The sample in the symbol's frame: u along it from its start, v
          // across it from its middle line.
          const double dx = x + sx - w / 2.0, dy = y + sy - h / 2.0;
          const double u = c * dx + s * dy + length / 2, v = -s * dx + c * dy;
          const auto q = static_cast<int64_t>(std::floor(4 * u));
          covered += std::abs(v) <= tall / 2 && q >= 0 && q < static_cast<int64_t>(ink.size()) &&
                     ink[static_cast<std::size_t>(q)];
        }
      }
      const double grey = look.Paper - (look.Paper - look.Ink) * covered / 4.0;
      const int32_t speck = static_cast<int32_t>(noise() % (2 * look.Noise + 1)) - look.Noise;
      dib->SetPixel(x, y, std::clamp(static_cast<int32_t>(std::lround(grey)) + speck, 0, 255));
    }
  }
  return dib;
}

// The type and text of each code the reader finds on the scanned runs with
// only `types` enabled.
using TReadings = std::vector<std::pair<TBarCodeType, std::string>>;
inline TReadings ScanReadings(const std::vector<int32_t>& runs, TBarCodeTypes types,
                              TScanLook look) {
  const std::unique_ptr<TDIB> dib = ScannedRaster(runs, look);
  ZAzudivozUDA reader;
  reader.CodeTypes = types;
  reader.MinCodeLen = 1;
  const int32_t count = reader.ReadBarcodes(dib->BlockHandle());
  TReadings readings;
  for (int32_t i = 0; i < count; ++i) {
    const TBarCodeResult code = reader.GetCode(i);
    readings.emplace_back(code.CodeType, code.Text);
  }
  return readings;
}

// The mildest and the worst scans met in practice: a blur of 0.6 pixels with
// 3 grey levels of noise, and of 1.2 pixels with 6 levels.
inline const std::vector<TScanLook> kScanLooks = {{0.6, 3}, {1.2, 6}};

}  // namespace barcode_test

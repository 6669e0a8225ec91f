// Feeds small rasters of any pixel format, size and resolution, with any
// currency code, through the serial reader, the verified reading and the
// reading of the note found in the picture. The bytes after a short header
// paint the pixels in square cells, so that character-sized blobs, zones and
// the OCR and barcode readers behind them are reachable from random input.
//
// Exceptions of the system's own classes are the reader's documented way of
// failing (a 15- or 16-bit raster, an engine refusing a crop); an index error
// of an owning list is a fault and is let through.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dibunit.h"
#include "platform/exceptions.h"
#include "serial/presentedreader.h"
#include "serial/serialreader.h"
#include "serial/serialvalidation.h"
#include "serial/verifiedreader.h"

namespace {

constexpr std::array<TDIBFormat, 6> kFormats = {df1Bit, df4Bit, df8Bit, df15Bit, df16Bit, df24Bit};
constexpr std::array<const char*, 6> kCurrencies = {"USD", "EUR", "LBP", "AUTO", "auto", "XYZ"};
constexpr std::array<int32_t, 6> kDpis = {0, 72, 100, 150, 200, 300};
constexpr std::size_t kHeader = 5;

// The largest value a pixel of the format holds.
int32_t MaxValue(TDIBFormat format) {
  switch (format) {
    case df1Bit:
      return 1;
    case df4Bit:
      return 15;
    case df8Bit:
      return 255;
    case df15Bit:
      return 0x7FFF;
    case df16Bit:
      return 0xFFFF;
    default:
      return 0xFFFFFF;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeader) return 0;
  const TDIBFormat format = kFormats[data[0] % kFormats.size()];
  const char* currency = kCurrencies[(data[0] / kFormats.size()) % kCurrencies.size()];
  const int32_t width = 1 + data[1] % 160;
  const int32_t height = 1 + data[2] % 80;
  const int32_t dpi = kDpis[data[3] % kDpis.size()];
  const int32_t cell = 1 + data[4] % 4;  // pixels painted by one byte, across and down

  TDIB raster;
  raster.NewImage(width, height, format, dpi, dpi);
  const std::uint8_t* pixels = data + kHeader;
  const std::size_t count = size - kHeader;
  const int32_t cellsAcross = (width + cell - 1) / cell;
  const int32_t maxValue = MaxValue(format);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>((y / cell) * cellsAcross + x / cell);
      const int32_t byte = count == 0 ? 255 : pixels[i % count];
      // Bytes above 127 are paper, the rest ink of varying darkness.
      const int32_t value = static_cast<int32_t>(static_cast<int64_t>(byte) * maxValue / 255);
      raster.SetPixel(x, y, value);
    }
  }

  std::string serial;
  double confidence = 0;
  try {
    ReadSerialNumber(raster, currency, serial, confidence);
  } catch (const platform::EListError&) {
    throw;
  } catch (const platform::Exception&) {
  }
  try {
    const TVerifiedSerial verified = ReadVerifiedSerial(raster, currency);
    // A verified serial is never a guess, nor one the currency's rules refuse.
    if (verified.Valid == verified.Serial.empty()) __builtin_trap();
    if (verified.Valid && !IsValidSerial(verified.Currency, verified.Serial)) __builtin_trap();
  } catch (const platform::EListError&) {
    throw;
  } catch (const platform::Exception&) {
  }
  try {
    const TPresentedSerial presented = ReadPresentedSerial(raster, currency);
    // Nothing is read where no note is found; a note lies inside the
    // picture, turned by a quarter turn and a skew below 45 degrees.
    if (!presented.Note && (presented.Reading.Valid || presented.Reading.Passes != 0))
      __builtin_trap();
    if (presented.Note) {
      const TRect& b = presented.Note->Box;
      if (b.Left < 0 || b.Top < 0 || b.Right >= width || b.Bottom >= height) __builtin_trap();
      if (presented.Note->Orientation % 90 != 0 || presented.Note->Orientation >= 360 ||
          std::abs(presented.Note->Skew) > 45)
        __builtin_trap();
    }
    if (presented.Reading.Valid == presented.Reading.Serial.empty()) __builtin_trap();
  } catch (const platform::EListError&) {
    throw;
  } catch (const platform::Exception&) {
  }
  return 0;
}

// Unit ViruvoveVIR. ZAzudivozUDA: the one-dimensional barcode reader.
//
// The reader sweeps a horizontal band of rows (the "virtual laser") down a
// packed-DIB image, turns each band into a run list of bars and spaces, cuts
// the list at quiet zones and hands every stretch between two quiet zones to
// the enabled symbology decoders. Readings of the same code from different
// bands are merged into one result.
//
//   ZAzudivozUDA reader;
//   reader.CodeTypes = TBarCodeTypes{1} << bcCode39;
//   reader.ReadBarcodes(block);            // the caller keeps the block
//   for (int32_t i = 0; i < reader.CodeCount(); ++i) use(reader.GetCode(i));
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "image/dibunit.h"        // TRect
#include "platform/exceptions.h"  // BarCodeException
#include "platform/memory.h"

enum TBarCodeQuality : std::uint8_t {
  bqNormal = 0,
  bqDark = 1,
  bqLight = 2,
};

enum TBarCodeType : std::uint8_t {
  bc2of5Interlaved = 0,
  bc2of5IATA = 1,
  bc2of5Industrial = 2,
  bc2of5Matrix = 3,
  bc2of5DataLogic = 4,
  bcCode39 = 5,
  bcPharmaCode = 6,
  bcEAN13 = 7,
  bcEAN8 = 8,
  bcUPCA = 9,
  bcUPCE = 10,
  bcEXT2 = 11,
  bcEXT5 = 12,
  bcCodaBar = 13,
  bcMSI = 14,
  bcCode11 = 15,
  bcCode128 = 16,
  bcCode93 = 17,
};

inline constexpr int32_t kBarCodeTypeCount = 18;

// A set of symbologies: bit n stands for the type of ordinal n.
using TBarCodeTypes = uint32_t;

constexpr TBarCodeTypes BarCodeBit(TBarCodeType type) {
  return TBarCodeTypes{1} << type;
}

// Every symbology but Code 93.
inline constexpr TBarCodeTypes kDefaultCodeTypes = 0x1FFFF;

// The type's name as the reader's users write it ("bcCode39").
const char* BarCodeTypeName(TBarCodeType type);

// One decoded barcode.
struct TBarCodeResult {
  static constexpr std::size_t kMaxText = 255;

  TRect Rect;            // inclusive, in image pixels
  std::string Text;      // at most kMaxText one-byte characters
  bool Checked = false;  // the symbology's check character(s) verified
  TBarCodeType CodeType = bc2of5Interlaved;

  friend bool operator==(const TBarCodeResult&, const TBarCodeResult&) = default;
};

class ZAzudivozUDA;

// Called before each band with the band's top row.
using TOnScanning = std::function<void(ZAzudivozUDA& Sender, int32_t Y)>;

class ZAzudivozUDA {
 public:
  static constexpr int32_t kResultCapacity = 1024;

  ZAzudivozUDA();

  // Published properties: plain fields, corrected (not rejected) by
  // ReadBarcodes when out of range.
  int32_t MinCodeLen = 3;
  int32_t MaxCodeLen = 15;
  int32_t ExpectedCodes = 4;
  int32_t VirtualLaserSize = 3;
  int32_t VirtualLaserStep = 32;
  TBarCodeTypes CodeTypes = kDefaultCodeTypes;
  TBarCodeQuality Quality = bqNormal;
  bool VerifyCheckDigit = false;
  TOnScanning OnScanning;

  // Reads the packed-DIB block `Dib` in place (the caller keeps and frees it)
  // and returns the number of codes found. Results of earlier calls are
  // dropped first.
  int32_t ReadBarcodes(platform::BlockHandle Dib);

  int32_t CodeCount() const { return FCodeCount; }
  // Copies result Index; an index outside 0 .. CodeCount - 1 copies result 0.
  void GetCode(int32_t Index, TBarCodeResult& Result) const;
  TBarCodeResult GetCode(int32_t Index) const;

 private:
  void NormaliseParameters();
  void ClearResults();
  bool HoldsEnoughVerifiedCodes() const;

  int32_t FCodeCount = 0;
  std::array<TBarCodeResult, kResultCapacity> FResults;
};

// The pieces of the sweep that every sweep over a raster shares: settings,
// band threshold, the cutting of a band into runs and quiet zones, the
// decoder slots and the merging of readings.
#include "barcode/sweep.h"

#include <algorithm>
#include <exception>

#include "barcode/modulecount.h"
#include "barcode/moduledecoders.h"
#include "image/dibops.h"
#include "platform/rounding.h"

namespace barcode {
namespace {

// A quarter inch of space on each side sets a symbol apart; without a
// resolution, 18 pixels stand for it.
constexpr double kQuietZoneInches = 0.25;
constexpr int32_t kQuietZoneWithoutResolution = 18;

// One decoder per work slot, in the order the sweep runs them. A slot runs
// when the reader's types hold any of its bits. Decoders that first refuse
// every candidate of the wrong number of elements say which numbers fit, so
// that the sweep skips them without the cost of an exception.
using TElementsFit = bool (*)(int32_t elements, TBarCodeTypes types);

bool SixElementsFit(int32_t elements, TBarCodeTypes) {
  return SixElementCountFits(elements);
}

struct TDecoderSlot {
  TBarCodeTypes Types;
  TDecoder Decode;
  TElementsFit Fits = nullptr;  // null: any number may fit
};

constexpr TBarCodeTypes kEanUpcTypes = BarCodeBit(bcEAN13) | BarCodeBit(bcEAN8) |
                                       BarCodeBit(bcUPCA) | BarCodeBit(bcUPCE) |
                                       BarCodeBit(bcEXT2) | BarCodeBit(bcEXT5);

constexpr std::array<TDecoderSlot, kDecoderSlotCount> kDecoderSlots = {{
    {kEanUpcTypes, DecodeEANUPC, EANUPCLayoutFits},                   // 0 EAN/UPC
    {BarCodeBit(bcCode39) | BarCodeBit(bcPharmaCode), DecodeCode39},  // 1
    {BarCodeBit(bc2of5Interlaved), Decode2of5Interleaved},            // 2
    {BarCodeBit(bc2of5IATA), Decode2of5IATA},                         // 3
    {BarCodeBit(bc2of5Industrial), Decode2of5Industrial},             // 4
    {BarCodeBit(bc2of5Matrix), Decode2of5Matrix},                     // 5
    {BarCodeBit(bc2of5DataLogic), Decode2of5DataLogic},               // 6
    {BarCodeBit(bcCodaBar), DecodeCodabar},                           // 7
    {BarCodeBit(bcMSI), DecodeMSI},                                   // 8
    {BarCodeBit(bcCode11), DecodeCode11},                             // 9
    {BarCodeBit(bcCode128), DecodeCode128, SixElementsFit},           // 10 Code 128
    {BarCodeBit(bcCode93), DecodeCode93, SixElementsFit},             // 11 Code 93
}};

}  // namespace

TSweepSettings NormalisedSettings(const ZAzudivozUDA& reader) {
  TSweepSettings s;
  s.ExpectedCodes = reader.ExpectedCodes <= 0 ? 1 : reader.ExpectedCodes;
  s.MinCodeLen = reader.MinCodeLen < 1 ? 1 : reader.MinCodeLen;
  s.MaxCodeLen = reader.MaxCodeLen < s.MinCodeLen ? s.MinCodeLen : reader.MaxCodeLen;
  s.LaserSize = reader.VirtualLaserSize <= 0 ? 1 : reader.VirtualLaserSize;
  s.LaserStep = reader.VirtualLaserStep <= 0 ? 1 : reader.VirtualLaserStep;
  s.CodeTypes = reader.CodeTypes;
  s.Quality = reader.Quality;
  s.VerifyCheckDigit = reader.VerifyCheckDigit;
  return s;
}

// A column is a bar column when more than this many of the band's rows are
// dark: half the band for bqNormal, 35 % for bqDark, 65 % for bqLight.
// Worked in integers so that a half (3 rows x 0.5) rounds to even exactly.
int32_t BandThreshold(int32_t laserSize, TBarCodeQuality quality) {
  const int64_t percent = quality == bqDark ? 35 : quality == bqLight ? 65 : 50;
  const int64_t scaled = laserSize * percent;
  int64_t t = scaled / 100;
  const int64_t rest = scaled % 100;
  if (rest > 50 || (rest == 50 && t % 2 != 0)) ++t;
  return static_cast<int32_t>(t);
}

int32_t QuietZoneWidth(int32_t dpi) {
  return dpi != 0 ? platform::Round(dpi * kQuietZoneInches) : kQuietZoneWithoutResolution;
}

TBandRuns CutBand(TProfile& profile, int32_t threshold, int32_t quietZone) {
  const auto width = static_cast<int32_t>(profile.size());
  ThresholdProfile(profile, width, threshold, 0, 1);
  TBandRuns band;
  band.Runs = ProfileRuns(profile, width);
  band.Positions.resize(band.Runs.size());
  int32_t x = 0;
  for (std::size_t i = 0; i < band.Runs.size(); ++i) {
    const int32_t run = band.Runs[i];
    band.Positions[i] = x;
    x += run > 0 ? run : -run;
    if (run < 0 && -run > quietZone) band.QuietZones.push_back(static_cast<int32_t>(i));
  }
  return band;
}

bool SlotEnabled(std::size_t s, TBarCodeTypes types) {
  return (types & kDecoderSlots[s].Types) != 0;
}

void DecodeCandidate(const TCandidate& candidate, TDecoderSlots& slots) {
  const int32_t elements = candidate.End - candidate.Start + 1;
  for (std::size_t s = 0; s < kDecoderSlots.size(); ++s) {
    if (!SlotEnabled(s, candidate.CodeTypes)) continue;
    const TElementsFit fits = kDecoderSlots[s].Fits;
    if (fits && !fits(elements, candidate.CodeTypes)) continue;  // it would refuse them
    TBarCodeResult work;
    try {
      kDecoderSlots[s].Decode(candidate, work);
      slots[s] = work;
    } catch (const std::exception&) {
      // Not this symbology: the slot keeps what it held.
    }
  }
}

TBarCodeResult DecodeWithSlot(std::size_t s, const TCandidate& candidate) {
  TBarCodeResult work;
  try {
    kDecoderSlots[s].Decode(candidate, work);
  } catch (const std::exception&) {
    return {};
  }
  return work;
}

bool RectsIntersect(const TRect& a, const TRect& b) {
  return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) &&
         std::max(a.Top, b.Top) < std::min(a.Bottom, b.Bottom);
}

bool ImprovesReading(const TBarCodeResult& reading, const TBarCodeResult& held) {
  const bool verifiedNow = reading.Checked && !held.Checked;
  const bool longer = reading.Checked == held.Checked && held.Text.size() < reading.Text.size();
  return verifiedNow || longer;
}

// A reading of a code already held (same symbology, overlapping rectangle)
// improves it when it is verified and the held one is not, or when both are
// equally verified and the reading is longer. Anything else is a new code;
// once the store is full, further new codes are dropped.
void MergeReading(std::span<TBarCodeResult> store, int32_t& count, const TBarCodeResult& reading) {
  bool matched = false;
  for (int32_t i = 0; i < count; ++i) {
    TBarCodeResult& held = store[i];
    if (held.CodeType != reading.CodeType || !RectsIntersect(held.Rect, reading.Rect)) continue;
    matched = true;
    if (ImprovesReading(reading, held)) held = reading;
  }
  if (!matched && static_cast<std::size_t>(count) < store.size()) store[count++] = reading;
}

}  // namespace barcode

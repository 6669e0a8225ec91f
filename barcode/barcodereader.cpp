// Unit ViruvoveVIR: the reader component and its sweep: bands of rows down the
// image, each band's column profile cut into bars and spaces, the run list cut
// at quiet zones, every stretch between two quiet zones offered to the enabled
// decoders, and the readings merged into the result store.
#include "barcode/barcodereader.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "barcode/decoders.h"
#include "barcode/moduledecoders.h"
#include "barcode/sweep.h"
#include "image/dibops.h"
#include "image/dibunit.h"
#include "image/inkband.h"
#include "platform/deadline.h"
#include "platform/rounding.h"

namespace {

using barcode::TCandidate;
using barcode::TDecoder;

// A quarter inch of space on each side sets a symbol apart; without a
// resolution, 18 pixels stand for it.
constexpr double kQuietZoneInches = 0.25;
constexpr int32_t kQuietZoneWithoutResolution = 18;

// One decoder per work slot, in the order the sweep runs them. A slot runs
// when the reader's types hold any of its bits.
struct TDecoderSlot {
  TBarCodeTypes Types;
  TDecoder Decode;
};

constexpr TBarCodeTypes kEanUpcTypes = BarCodeBit(bcEAN13) | BarCodeBit(bcEAN8) |
                                       BarCodeBit(bcUPCA) | BarCodeBit(bcUPCE) |
                                       BarCodeBit(bcEXT2) | BarCodeBit(bcEXT5);

constexpr std::array<TDecoderSlot, 12> kDecoderSlots = {{
    {kEanUpcTypes, barcode::DecodeEANUPC},                                     // 0 EAN/UPC
    {BarCodeBit(bcCode39) | BarCodeBit(bcPharmaCode), barcode::DecodeCode39},  // 1
    {BarCodeBit(bc2of5Interlaved), barcode::Decode2of5Interleaved},            // 2
    {BarCodeBit(bc2of5IATA), barcode::Decode2of5IATA},                         // 3
    {BarCodeBit(bc2of5Industrial), barcode::Decode2of5Industrial},             // 4
    {BarCodeBit(bc2of5Matrix), barcode::Decode2of5Matrix},                     // 5
    {BarCodeBit(bc2of5DataLogic), barcode::Decode2of5DataLogic},               // 6
    {BarCodeBit(bcCodaBar), barcode::DecodeCodabar},                           // 7
    {BarCodeBit(bcMSI), barcode::DecodeMSI},                                   // 8
    {BarCodeBit(bcCode11), barcode::DecodeCode11},                             // 9
    {BarCodeBit(bcCode128), barcode::DecodeCode128},                           // 10 Code 128
    {BarCodeBit(bcCode93), barcode::DecodeCode93},                             // 11 Code 93
}};

constexpr std::array<const char*, kBarCodeTypeCount> kTypeNames = {
    "bc2of5Interlaved", "bc2of5IATA",   "bc2of5Industrial", "bc2of5Matrix", "bc2of5DataLogic",
    "bcCode39",         "bcPharmaCode", "bcEAN13",          "bcEAN8",       "bcUPCA",
    "bcUPCE",           "bcEXT2",       "bcEXT5",           "bcCodaBar",    "bcMSI",
    "bcCode11",         "bcCode128",    "bcCode93",
};

int32_t QuietZoneWidth(const TDIB& dib) {
  const int32_t dpi = dib.XDpi();
  return dpi != 0 ? platform::Round(dpi * kQuietZoneInches) : kQuietZoneWithoutResolution;
}

// The rows around y over which the candidate's columns stay at least a third
// as inky as on row y.
TRect ReadingRect(const TDIB& dib, int32_t y, int32_t left, int32_t right) {
  const int32_t width = right - left + 1;
  const int32_t t = dib.RowInkCount(left, y, width) / 3;
  int32_t top = y;
  while (top > 0 && dib.RowInkCount(left, top, width) > t) --top;
  int32_t bottom = y;
  while (bottom < dib.Height() && dib.RowInkCount(left, bottom, width) > t) ++bottom;
  return {left, top, right, bottom};
}

}  // namespace

namespace barcode {

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

bool RectsIntersect(const TRect& a, const TRect& b) {
  return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) &&
         std::max(a.Top, b.Top) < std::min(a.Bottom, b.Bottom);
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
    const bool verifiedNow = reading.Checked && !held.Checked;
    const bool longer = reading.Checked == held.Checked && held.Text.size() < reading.Text.size();
    if (verifiedNow || longer) held = reading;
  }
  if (!matched && static_cast<std::size_t>(count) < store.size()) store[count++] = reading;
}

}  // namespace barcode

const char* BarCodeTypeName(TBarCodeType type) {
  return type < kTypeNames.size() ? kTypeNames[type] : "";
}

ZAzudivozUDA::ZAzudivozUDA() = default;

void ZAzudivozUDA::NormaliseParameters() {
  if (ExpectedCodes <= 0) ExpectedCodes = 1;
  if (MinCodeLen < 1) MinCodeLen = 1;
  if (MaxCodeLen < MinCodeLen) MaxCodeLen = MinCodeLen;
  if (VirtualLaserSize <= 0) VirtualLaserSize = 1;
  if (VirtualLaserStep <= 0) VirtualLaserStep = 1;
}

void ZAzudivozUDA::ClearResults() {
  FCodeCount = 0;
  FResults.fill(TBarCodeResult{});
}

bool ZAzudivozUDA::HoldsEnoughVerifiedCodes() const {
  if (FCodeCount < ExpectedCodes) return false;
  return std::all_of(FResults.begin(), FResults.begin() + FCodeCount,
                     [](const TBarCodeResult& r) { return r.Checked; });
}

int32_t ZAzudivozUDA::ReadBarcodes(platform::BlockHandle Dib) {
  NormaliseParameters();

  // The block stays the caller's: never let the raster free it, not even if
  // attaching fails half-way.
  TDIB dib;
  dib.FOwnsBlock = false;
  dib.AttachBlock(Dib);
  dib.FOwnsBlock = false;

  const int32_t quietZone = QuietZoneWidth(dib);
  ClearResults();
  std::array<TBarCodeResult, kDecoderSlots.size()> slots{};

  const int32_t width = dib.Width();
  const int32_t height = dib.Height();
  const int32_t threshold = barcode::BandThreshold(VirtualLaserSize, Quality);
  // Bands overlap when the step is smaller than the band: each row is counted once.
  TColumnInkBand inkBand(dib, 0, width - 1, VirtualLaserSize);
  for (int64_t band = 0; band < static_cast<int64_t>(height) - VirtualLaserSize;
       band += VirtualLaserStep) {
    const auto y = static_cast<int32_t>(band);
    platform::CheckDeadline();
    if (OnScanning) OnScanning(*this, y);
    if (HoldsEnoughVerifiedCodes()) break;
    if (width <= 0) continue;

    TProfile profile = inkBand.At(y);
    // Formats without a notion of dark pixels give no profile.
    if (profile.empty()) throw platform::Exception("Unsupported bit depth...");
    ThresholdProfile(profile, width, threshold, 0, 1);
    const TProfile runs = ProfileRuns(profile, width);
    FreeProfile(profile);
    std::vector<int32_t> positions(runs.size());
    std::vector<int32_t> quietZones;
    int32_t x = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
      positions[i] = x;
      x += runs[i] > 0 ? runs[i] : -runs[i];
      if (runs[i] < 0 && -runs[i] > quietZone) quietZones.push_back(static_cast<int32_t>(i));
    }

    for (std::size_t q = 0; q + 1 < quietZones.size(); ++q) {
      if (FCodeCount >= ExpectedCodes) break;
      TCandidate candidate{runs,       quietZones[q] + 1, quietZones[q + 1] - 1, MinCodeLen,
                           MaxCodeLen, CodeTypes,         VerifyCheckDigit};
      try {
        for (std::size_t s = 0; s < kDecoderSlots.size(); ++s) {
          const TDecoderSlot& slot = kDecoderSlots[s];
          if ((CodeTypes & slot.Types) == 0) continue;
          TBarCodeResult work;
          try {
            slot.Decode(candidate, work);
            slots[s] = work;
          } catch (const std::exception&) {
            // Not this symbology: the slot keeps what it held.
          }
        }
        // From the first bar to the first column of the closing quiet zone.
        const int32_t left = positions[candidate.Start];
        const int32_t right = positions[quietZones[q + 1]];
        for (TBarCodeResult& slot : slots) {
          if (slot.Text.empty()) continue;
          slot.Rect = ReadingRect(dib, y, left, right);
          barcode::MergeReading(FResults, FCodeCount, slot);
          slot = TBarCodeResult{};
        }
      } catch (const BarCodeException&) {
        // A failure that belongs to this candidate alone.
      }
    }
  }
  return FCodeCount;
}

void ZAzudivozUDA::GetCode(int32_t Index, TBarCodeResult& Result) const {
  Result = FResults[(Index >= 0 && Index < FCodeCount) ? Index : 0];
}

TBarCodeResult ZAzudivozUDA::GetCode(int32_t Index) const {
  TBarCodeResult result;
  GetCode(Index, result);
  return result;
}

// Unit ViruvoveVIR: the reader component and its sweep: bands of rows down the
// image, each band's column profile cut into bars and spaces, the run list cut
// at quiet zones, every stretch between two quiet zones offered to the enabled
// decoders, and the readings merged into the result store.
#include "barcode/barcodereader.h"

#include <algorithm>

#include "barcode/sweep.h"
#include "image/dibops.h"
#include "image/dibunit.h"
#include "image/inkband.h"
#include "platform/deadline.h"

namespace {

constexpr std::array<const char*, kBarCodeTypeCount> kTypeNames = {
    "bc2of5Interlaved", "bc2of5IATA",   "bc2of5Industrial", "bc2of5Matrix", "bc2of5DataLogic",
    "bcCode39",         "bcPharmaCode", "bcEAN13",          "bcEAN8",       "bcUPCA",
    "bcUPCE",           "bcEXT2",       "bcEXT5",           "bcCodaBar",    "bcMSI",
    "bcCode11",         "bcCode128",    "bcCode93",
};

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

const char* BarCodeTypeName(TBarCodeType type) {
  return type < kTypeNames.size() ? kTypeNames[type] : "";
}

ZAzudivozUDA::ZAzudivozUDA() = default;

void ZAzudivozUDA::NormaliseParameters() {
  const barcode::TSweepSettings s = barcode::NormalisedSettings(*this);
  ExpectedCodes = s.ExpectedCodes;
  MinCodeLen = s.MinCodeLen;
  MaxCodeLen = s.MaxCodeLen;
  VirtualLaserSize = s.LaserSize;
  VirtualLaserStep = s.LaserStep;
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

  const int32_t quietZone = barcode::QuietZoneWidth(dib.XDpi());
  ClearResults();
  barcode::TDecoderSlots slots{};

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
    const barcode::TBandRuns cut = barcode::CutBand(profile, threshold, quietZone);
    FreeProfile(profile);

    for (std::size_t q = 0; q + 1 < cut.QuietZones.size(); ++q) {
      if (FCodeCount >= ExpectedCodes) break;
      const barcode::TCandidate candidate{
          cut.Runs,  cut.QuietZones[q] + 1, cut.QuietZones[q + 1] - 1, MinCodeLen, MaxCodeLen,
          CodeTypes, VerifyCheckDigit};
      try {
        barcode::DecodeCandidate(candidate, slots);
        // From the first bar to the first column of the closing quiet zone.
        const int32_t left = cut.Positions[candidate.Start];
        const int32_t right = cut.Positions[cut.QuietZones[q + 1]];
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

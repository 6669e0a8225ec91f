// The sweep's own rules, apart from the component so that they can be
// checked one by one and shared by every sweep over a raster:
//   NormalisedSettings  the published properties, corrected
//   BandThreshold     the dark rows a column of a band needs to be a bar
//   CutBand           a thresholded band profile as runs, their positions
//                     and the quiet zones among them
//   DecodeCandidate   every enabled decoder on one candidate, each in its slot
//   RectsIntersect, MergeReading
//                     the overlap of two readings and the merging of a
//                     reading into the result store
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "barcode/barcodereader.h"
#include "barcode/decoders.h"
#include "image/dibunit.h"

namespace barcode {

// The reader's published settings as a sweep uses them, corrected (not
// rejected) when out of range: at least one expected code, a minimum length
// of at least 1 and a maximum of at least the minimum, bands and steps of at
// least one row.
struct TSweepSettings {
  int32_t MinCodeLen = 1;
  int32_t MaxCodeLen = 1;
  int32_t ExpectedCodes = 1;
  int32_t LaserSize = 1;
  int32_t LaserStep = 1;
  TBarCodeTypes CodeTypes = 0;
  TBarCodeQuality Quality = bqNormal;
  bool VerifyCheckDigit = false;
};
TSweepSettings NormalisedSettings(const ZAzudivozUDA& reader);

// Dark rows a column needs above this count to be a bar column.
int32_t BandThreshold(int32_t laserSize, TBarCodeQuality quality);

// Quiet zone width in pixels: a quarter inch at `dpi` (the raster's
// resolution along the sweep), or 18 pixels without one (dpi 0).
int32_t QuietZoneWidth(int32_t dpi);

// A band cut into bars and spaces: the run list (bar runs positive, space
// runs negative), the first column of every run, and the indices of the
// space runs wider than the quiet zone, in increasing order.
struct TBandRuns {
  TProfile Runs;
  std::vector<int32_t> Positions;
  std::vector<int32_t> QuietZones;
};

// The runs of a band profile whose columns are bars above `threshold`; the
// profile is thresholded in place.
TBandRuns CutBand(TProfile& profile, int32_t threshold, int32_t quietZone);

// One work record per decoder slot, in the order the sweep runs them.
inline constexpr std::size_t kDecoderSlotCount = 12;
using TDecoderSlots = std::array<TBarCodeResult, kDecoderSlotCount>;

// Runs every decoder slot that the candidate's types enable; a decoder that
// returns fills its slot, one that throws leaves it as it was.
void DecodeCandidate(const TCandidate& candidate, TDecoderSlots& slots);

// Slot s's decoder alone: its reading, or an empty Text when it throws.
TBarCodeResult DecodeWithSlot(std::size_t s, const TCandidate& candidate);

// Whether the normalised settings hold any of the slot's types.
bool SlotEnabled(std::size_t s, TBarCodeTypes types);

// Overlap with left and top inclusive, right and bottom exclusive.
bool RectsIntersect(const TRect& a, const TRect& b);

// Whether `reading` is a better reading of a code than `held`: verified where
// the held one is not, or equally verified and longer.
bool ImprovesReading(const TBarCodeResult& reading, const TBarCodeResult& held);

// Folds a reading into store[0 .. count - 1], appending it (while there is
// room) when it matches no held code.
void MergeReading(std::span<TBarCodeResult> store, int32_t& count, const TBarCodeResult& reading);

}  // namespace barcode

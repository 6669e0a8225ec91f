// The banknote serial-number reader. Up to nine passes binarise a fresh copy
// of the note at thresholds fanning out around the Otsu value, locate the two
// printed serial zones from the layout of character-sized blobs, read each
// zone with the OCR engine (capital letters, then digits) and, for Lebanese
// pounds, the Code 39 barcode; readings that pass the currency's checks become
// candidates, and a per-position vote over all candidates gives the serial.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/blobs.h"
#include "image/dibunit.h"
#include "ocr/omnifontocr.h"

// Reads the serial of `raster` for "USD", "EUR", "LBP" or "AUTO" (any case).
// `serial` is empty when none is found; `confidence` is a percentage rounded
// to two decimals. The raster is not changed.
void ReadSerialNumber(const TDIB& raster, const std::string& currency, std::string& serial,
                      double& confidence);

// One printed serial zone of a note: its box on the note and what the last
// pass that found it read there ("~" where it read nothing).
struct TSerialZone {
  TRect Box;
  std::string Reading;
  // Clockwise quarter turns the zone was read at: 1 for a copy printed
  // across the note, read from bottom to top.
  int32_t QuarterTurns = 0;
};

// How a request went, beside its result: the currency code it used (the
// detected one for "AUTO"), the passes it ran, and its left and right zones.
struct TSerialTrace {
  std::string Currency;
  int32_t Passes = 0;
  std::array<std::optional<TSerialZone>, 2> Zones;  // left, right
};

// ReadSerialNumber, also reporting how the request went.
void ReadSerialNumberTraced(const TDIB& raster, const std::string& currency, std::string& serial,
                            double& confidence, TSerialTrace& trace);

// The pieces of a request, shared with the verified reading and exposed for
// testing.
namespace serial_detail {

// Passes run 0 to kLastPass.
inline constexpr int32_t kLastPass = 8;

// "usd", "Auto"... become the upper-case code; any other code is kept as given.
std::string NormaliseCurrency(const std::string& code);

struct TSerialCandidate {
  std::string Text;
  int32_t Weight = 0;  // Round(confidence * 100)
};

// The threshold of a pass from the Otsu value: the Otsu value itself in pass
// 0, then alternately 8, 16, 24... above and below it, wrapping modulo 256.
uint8_t PassThreshold(uint8_t otsu, int32_t pass);

// Blob and zone measures of a pass, in pixels of the work raster.
struct TZoneMeasures {
  int32_t minBlobWidth, minBlobHeight;
  int32_t maxBlobWidth, maxBlobHeight;
  int32_t verticalJoin, horizontalJoin;
  int32_t minGroupCounter;
  int32_t zoneMargin;
};
TZoneMeasures ZoneMeasures(int32_t xdpi, int32_t ydpi, std::string_view currency);
// Deletes the blobs too tall or too wide for a serial character.
void DropOversizedBlobs(TBlobList& blobs, const TZoneMeasures& m);
// Groups sorted blobs that stand side by side on one text line, separately
// for the left and the right half of a raster `width` wide. A group's
// PixelCount is its counter: one more than its blobs.
void GroupBlobs(TBlobList& blobs, int32_t width, const TZoneMeasures& m, TBlobList& leftGroups,
                TBlobList& rightGroups);
// The first group crossing the line x = lineX with a counter of at least the
// currency's minimum, enlarged by the zone margin; none when no group qualifies.
std::optional<TRect> ChooseZone(const TBlobList& groups, int32_t lineX, const TZoneMeasures& m);

// A pass up to its zones: the work raster, binarised at the pass's threshold
// and despeckled, and the two serial zones (enlarged by the margin) found on it.
struct TPassZones {
  std::unique_ptr<TDIB> Work;
  std::optional<TRect> Left, Right;
};
// Runs pass `pass` on `input` up to its zones; detects the currency while
// `currency` is "AUTO" and leaves the detected code there.
TPassZones LocatePassZones(const TDIB& input, int32_t pass, std::string& currency);
// The raster a pass crops its zones from: the input in odd passes, the work
// raster in even ones.
const TDIB& ZoneSource(const TDIB& input, const TPassZones& zones, int32_t pass);

// Both readings of one zone, capital letters and digits, by one engine, with
// the engine's records (boxes in the crop, candidates and confidences) and
// the ink threshold it chose for the crop.
struct TZoneReading {
  std::unique_ptr<TDIB> Crop;
  std::string Letters, Digits;
  std::vector<TCharRecord> LetterGlyphs, DigitGlyphs;
  int32_t Threshold = 0;
};
TZoneReading ReadZoneGlyphs(const TDIB& source, const TRect& zone);
// The Code 39 barcode in the right half of a pass's work raster, or empty.
std::string ReadPoundBarcode(const TDIB& work);

// "USD", "EUR" or "LBP" from the note's size in millimetres.
std::string DetectCurrency(double widthMm, double heightMm);
// Joins the letter and digit readings of one zone by the currency's layout;
// empty unless both are longer than 8 characters.
std::string SpliceZone(std::string_view letters, std::string_view digits,
                       std::string_view currency);
// Lets each value fill the other's unreadable "~" positions.
void CrossFill(std::string& left, std::string& right);
// The euro check value (a single digit; 0 for an empty string).
int32_t EuroCheckValue(std::string_view s);
// Applies the currency's acceptance rule to one pass's values; appends the
// accepted candidates and sets serial and confidence for each acceptance.
void AcceptValues(std::string_view currency, const std::string& left, const std::string& right,
                  std::vector<TSerialCandidate>& candidates, std::string& serial,
                  double& confidence);
// The per-position vote over all candidates after `passes` passes.
void VoteCandidates(const std::vector<TSerialCandidate>& candidates, int32_t passes,
                    std::string& serial, double& confidence);

}  // namespace serial_detail

// The 2 of 5 family: every digit is five elements, two of them wide. The
// variants differ in which elements carry the digits and in their start and
// stop characters:
//   interleaved  digits in pairs, the first in the bars, the second in the
//                spaces
//   IATA         digits in the bars, narrow spaces between them
//   industrial   digits in the bars, spaces all narrow (and not measured)
//   matrix       digits in bars and spaces, a gap after each digit
//   Data Logic   matrix digits between short start and stop characters
// All carry an optional modulo 10 check digit at the end.
#include <array>
#include <cstdint>
#include <string>

#include "barcode/decoders.h"
#include "barcode/toolkit.h"

namespace barcode {

namespace {

constexpr std::array<TPatternRow, 10> kTwoOfFive = {{
    {"WNNNW", '1'},
    {"NWNNW", '2'},
    {"WWNNN", '3'},
    {"NNWNW", '4'},
    {"WNWNN", '5'},
    {"NWWNN", '6'},
    {"NNNWW", '7'},
    {"WNNWN", '8'},
    {"NWNWN", '9'},
    {"NNWWN", '0'},
}};
static_assert(AllPatterns(kTwoOfFive, 5, 2), "every digit has five elements, two wide");
static_assert(DistinctPatterns(kTwoOfFive));

// Start and stop characters with the stride of the digits that follow them.
constexpr TFrame kInterleavedStart{TPattern("NNNN"), 5, 0};
constexpr TFrame kInterleavedStop{TPattern("WNN"), 5, 0};
constexpr TFrame kIATAStart{TPattern("NNN"), 9, 1};
constexpr TFrame kIATAStop{TPattern("WNN"), 9, 1};
constexpr TFrame kIndustrialStart{TPattern("WWN"), 5, 0};  // bars only
constexpr TFrame kIndustrialStop{TPattern("WNW"), 5, 0};   // bars only
constexpr TFrame kMatrixStartStop{TPattern("WNNNN"), 5, 1};
// Data Logic: a start of four narrow elements whose last space is the gap
// before the first digit, digits of five elements each followed by a narrow
// space, and a stop of a wide bar, a narrow space and a narrow bar.
constexpr TFrame kDataLogicStart{TPattern("NNNN"), 5, 1};
constexpr TFrame kDataLogicStop{TPattern("WNN"), 5, 1};

// Number the digits from 1 at the left and leave out the last: three times
// the odd-numbered ones plus the even-numbered ones, and the last digit
// brings the sum to a multiple of ten.
bool Modulo10Holds(const std::string& digits) {
  if (digits.empty()) return false;
  std::int32_t x = 0;
  for (std::size_t i = 0; i + 1 < digits.size(); ++i) {
    x += (i % 2 == 0 ? 3 : 1) * (digits[i] - '0');
  }
  return digits.back() - '0' == (10 - x % 10) % 10;
}

std::string DecodeDigits(const TElements& elements) {
  const auto digits = DecodeGroups(elements, 5, kTwoOfFive);
  if (!digits) throw BarCodeException(kBadCharacter);
  return *digits;
}

void Finish(TBarCodeResult& result, const std::string& digits, TBarCodeType type) {
  SetText(result, digits);
  result.Checked = Modulo10Holds(result.Text);
  result.CodeType = type;
}

// The data position after the start, and the stop after it.
struct TSpan {
  std::int32_t D = 0;
  TStop Stop;
};

TSpan FindStartAndStop(const TElements& elements, std::int32_t last, const TFrame& start,
                       const TFrame& stop, const TCandidate& candidate) {
  const auto at = FindStart(elements, 0, last, start, candidate.MinCodeLen);
  if (!at) throw BarCodeException(kStartNotFound);
  const std::int32_t d = *at + start.Pattern.K + start.Gap;
  const auto found = FindStop(elements, d, last, stop, candidate.MinCodeLen, candidate.MaxCodeLen);
  if (!found) throw BarCodeException(kStopNotFound);
  return {d, *found};
}

TElements ClassifyCandidate(const TCandidate& candidate, std::int32_t period, bool spacesNarrow) {
  const TWidthThresholds thresholds =
      WidthThresholds(candidate.Runs, candidate.Start, candidate.End, period);
  return Classify(candidate, thresholds, spacesNarrow);
}

std::int32_t LastIndex(const TElements& elements) {
  return static_cast<std::int32_t>(elements.size()) - 1;
}

}  // namespace

void Decode2of5Interleaved(const TCandidate& candidate, TBarCodeResult& result) {
  result = TBarCodeResult{};
  const TElements elements = ClassifyCandidate(candidate, 0, false);
  const TSpan span = FindStartAndStop(elements, LastIndex(elements), kInterleavedStart,
                                      kInterleavedStop, candidate);
  const auto [bars, spaces] = SplitByParity(elements, span.D, span.Stop.At);
  const std::string barDigits = DecodeDigits(bars);
  const std::string spaceDigits = DecodeDigits(spaces);
  // Digits come in bar/space pairs: an odd count leaves half a pair, which
  // the two lists would silently drop.
  if (barDigits.size() != spaceDigits.size() || span.Stop.Count % 2 != 0) {
    throw BarCodeException("Character Synchronization Error in scan");
  }
  std::string digits;
  for (std::size_t i = 0; i < barDigits.size(); ++i) {
    digits += barDigits[i];
    digits += spaceDigits[i];
  }
  Finish(result, digits, bc2of5Interlaved);
}

void Decode2of5IATA(const TCandidate& candidate, TBarCodeResult& result) {
  result = TBarCodeResult{};
  const TElements elements = ClassifyCandidate(candidate, 10, false);
  const TSpan span =
      FindStartAndStop(elements, LastIndex(elements), kIATAStart, kIATAStop, candidate);
  Finish(result, DecodeDigits(EveryOther(elements, span.D, span.Stop.At)), bc2of5IATA);
}

void Decode2of5Industrial(const TCandidate& candidate, TBarCodeResult& result) {
  result = TBarCodeResult{};
  const TElements elements = ClassifyCandidate(candidate, 10, true);
  const TElements bars = EveryOther(elements, 0, LastIndex(elements));
  const TSpan span =
      FindStartAndStop(bars, LastIndex(bars), kIndustrialStart, kIndustrialStop, candidate);
  TElements data(bars.begin() + span.D, bars.begin() + span.Stop.At + 1);
  Finish(result, DecodeDigits(data), bc2of5Industrial);
}

void Decode2of5Matrix(const TCandidate& candidate, TBarCodeResult& result) {
  result = TBarCodeResult{};
  const TElements elements = ClassifyCandidate(candidate, 10, false);
  const TSpan span = FindStartAndStop(elements, LastIndex(elements), kMatrixStartStop,
                                      kMatrixStartStop, candidate);
  Finish(result, DecodeDigits(KeepDrop(elements, span.D, span.Stop.At, 5)), bc2of5Matrix);
}

void Decode2of5DataLogic(const TCandidate& candidate, TBarCodeResult& result) {
  result = TBarCodeResult{};
  // The first bar and the stop are left out of the width histograms.
  const TWidthThresholds thresholds =
      WidthThresholds(candidate.Runs, candidate.Start + 1, candidate.End - 4, 0);
  const TElements elements = Classify(candidate, thresholds, false);
  const std::int32_t last = LastIndex(elements);
  const auto at = FindStart(elements, 0, last, kDataLogicStart, candidate.MinCodeLen);
  if (!at) throw BarCodeException(kStartNotFound);
  const std::int32_t d = *at + kDataLogicStart.Pattern.K;
  const auto stop =
      FindStop(elements, d, last, kDataLogicStop, candidate.MinCodeLen, candidate.MaxCodeLen);
  if (!stop) throw BarCodeException(kStopNotFound);
  Finish(result, DecodeDigits(KeepDrop(elements, d, stop->At, 5)), bc2of5DataLogic);
}

}  // namespace barcode

// MSI: every character is four bar/space pairs, one per bit of its value from
// the most significant; a 1 is a wide bar and a narrow space, a 0 a narrow
// bar and a wide space. No gaps between characters, no check in the text.
#include <array>
#include <cstdint>

#include "barcode/decoders.h"
#include "barcode/toolkit.h"

namespace barcode {

namespace {

constexpr std::array<TPatternRow, 16> kMSI = {{
    {"NWNWNWNW", '0'},  // 0000
    {"NWNWNWWN", '1'},  // 0001
    {"NWNWWNNW", '2'},  // 0010
    {"NWNWWNWN", '3'},  // 0011
    {"NWWNNWNW", '4'},  // 0100
    {"NWWNNWWN", '5'},  // 0101
    {"NWWNWNNW", '6'},  // 0110
    {"NWWNWNWN", '7'},  // 0111
    {"WNNWNWNW", '8'},  // 1000
    {"WNNWNWWN", '9'},  // 1001
    {"WNNWWNNW", 'A'},  // 1010
    {"WNNWWNWN", 'B'},  // 1011
    {"WNWNNWNW", 'C'},  // 1100
    {"WNWNNWWN", 'D'},  // 1101
    {"WNWNWNNW", 'E'},  // 1110
    {"WNWNWNWN", 'F'},  // 1111
}};
static_assert(AllPatterns(kMSI, 8, 4), "every MSI character has eight elements, four wide");
static_assert(DistinctPatterns(kMSI));
static_assert(kMSI[0].Value() == 85 && kMSI[15].Value() == 170);

constexpr TFrame kMSIStart{TPattern("WN"), 8, 0};
constexpr TFrame kMSIStop{TPattern("NWN"), 8, 0};

// Start and stop take this many elements besides the characters.
constexpr std::int32_t kFrameElements = 5;

}  // namespace

void DecodeMSI(const TCandidate& candidate, TBarCodeResult& result) {
  result = TBarCodeResult{};
  const TWidthThresholds thresholds =
      WidthThresholds(candidate.Runs, candidate.Start, candidate.End, 0);
  const std::int64_t n = static_cast<std::int64_t>(candidate.End) - candidate.Start + 1;
  if (n < 8 * static_cast<std::int64_t>(candidate.MinCodeLen) + kFrameElements) {
    throw BarCodeException(kBarNumberTooLow);
  }
  const TElements elements = Classify(candidate, thresholds, false);
  const auto last = static_cast<std::int32_t>(elements.size()) - 1;
  const auto start = FindStart(elements, 0, last, kMSIStart, candidate.MinCodeLen);
  if (!start) throw BarCodeException(kStartNotFound);
  const std::int32_t d = *start + kMSIStart.Pattern.K;
  const auto stop =
      FindStop(elements, d, last, kMSIStop, candidate.MinCodeLen, candidate.MaxCodeLen);
  if (!stop) throw BarCodeException(kStopNotFound);
  const TElements data(elements.begin() + d, elements.begin() + stop->At + 1);
  const auto text = DecodeGroups(data, 8, kMSI);
  if (!text) throw BarCodeException(kBadCharacter);
  SetText(result, *text);
  result.Checked = false;
  result.CodeType = bcMSI;
}

}  // namespace barcode

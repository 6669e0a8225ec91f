// Codabar: seven elements per character and a narrow gap after each; one of
// the letters A to D starts and ends every symbol and stays in the text.
#include <array>
#include <cstdint>
#include <string>

#include "barcode/decoders.h"
#include "barcode/toolkit.h"

namespace barcode {

namespace {

constexpr std::array<TPatternRow, 16> kCodabarData = {{
    // Digits, "-" and "$": one wide bar and one wide space.
    {"NNNNNWW", '0'},
    {"NNNNWWN", '1'},
    {"NNNWNNW", '2'},
    {"WWNNNNN", '3'},
    {"NNWNNWN", '4'},
    {"WNNNNWN", '5'},
    {"NWNNNNW", '6'},
    {"NWNNWNN", '7'},
    {"NWWNNNN", '8'},
    {"WNNWNNN", '9'},
    {"NNNWWNN", '-'},
    {"NNWWNNN", '$'},
    // ":", "/", ".", "+": three wide bars.
    {"WNNNWNW", ':'},
    {"WNWNNNW", '/'},
    {"WNWNWNN", '.'},
    {"NNWNWNW", '+'},
}};

// The start/stop letters, tried in this order.
constexpr std::array<TPatternRow, 4> kCodabarStartStop = {{
    {"NNWWNWN", 'A'},
    {"NWNWNNW", 'B'},
    {"NNNWNWW", 'C'},
    {"NNNWWWN", 'D'},
}};

constexpr bool CodabarPatterns() {
  for (const TPatternRow& row : kCodabarData) {
    if (!IsPattern(row.Elements, 7, 2) && !IsPattern(row.Elements, 7, 3)) return false;
  }
  return AllPatterns(kCodabarStartStop, 7, 3);
}
static_assert(CodabarPatterns(), "every Codabar character has seven elements, two or three wide");
static_assert(DistinctPatterns(kCodabarData) && DistinctPatterns(kCodabarStartStop));
static_assert(kCodabarStartStop[0].Value() == 26 && kCodabarStartStop[1].Value() == 41 &&
              kCodabarStartStop[2].Value() == 11 && kCodabarStartStop[3].Value() == 14);

// Seven elements per character plus the gap that follows it.
constexpr TFrame LetterFrame(const TPatternRow& letter) {
  return TFrame{TPattern(letter.Elements), 7, 1};
}

// Start, stop and gaps around the shortest code take this many elements
// besides its characters.
constexpr std::int32_t kFrameElements = 15;

}  // namespace

void DecodeCodabar(const TCandidate& candidate, TBarCodeResult& result) {
  result = TBarCodeResult{};
  const TWidthThresholds thresholds =
      WidthThresholds(candidate.Runs, candidate.Start, candidate.End, 8);
  const std::int64_t n = static_cast<std::int64_t>(candidate.End) - candidate.Start + 1;
  if (n < 8 * static_cast<std::int64_t>(candidate.MinCodeLen) + kFrameElements) {
    throw BarCodeException(kBarNumberTooLow);
  }
  const TElements elements = Classify(candidate, thresholds, false);
  const auto last = static_cast<std::int32_t>(elements.size()) - 1;

  // The first letter found anywhere decides the start.
  std::optional<std::int32_t> start;
  char startLetter = 0;
  for (const TPatternRow& letter : kCodabarStartStop) {
    start = FindStart(elements, 0, last, LetterFrame(letter), candidate.MinCodeLen);
    if (start) {
      startLetter = letter.Char;
      break;
    }
  }
  if (!start) throw BarCodeException("Start/Stop chars not found !");
  const std::int32_t d = *start + 7 + 1;

  std::optional<TStop> stop;
  char stopLetter = 0;
  for (const TPatternRow& letter : kCodabarStartStop) {
    stop = FindStop(elements, d, last, LetterFrame(letter), candidate.MinCodeLen,
                    candidate.MaxCodeLen);
    if (stop) {
      stopLetter = letter.Char;
      break;
    }
  }
  if (!stop) throw BarCodeException("Start/Stop chars not found !");

  const auto data = DecodeGroups(KeepDrop(elements, d, stop->At, 7), 7, kCodabarData);
  if (!data) throw BarCodeException(kBadCharacter);
  SetText(result, startLetter + *data + stopLetter);
  result.Checked = false;
  result.CodeType = bcCodaBar;
}

}  // namespace barcode

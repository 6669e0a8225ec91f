// Code 11: the digits and "-", five elements per character and a narrow gap
// after each, between start and stop characters of the same pattern. The
// text ends in one check character (C) or two (C, then K); both stay in it.
#include <array>
#include <cstdint>
#include <string>

#include "barcode/decoders.h"
#include "barcode/toolkit.h"

namespace barcode {

namespace {

constexpr std::array<TPatternRow, 11> kCode11 = {{
    {"NNNNW", '0', 0},
    {"WNNNW", '1', 1},
    {"NWNNW", '2', 2},
    {"WWNNN", '3', 3},
    {"NNWNW", '4', 4},
    {"WNWNN", '5', 5},
    {"NWWNN", '6', 6},
    {"NNNWW", '7', 7},
    {"WNNWN", '8', 8},
    {"WNNNN", '9', 9},
    {"NNWNN", '-', 10},
}};
static_assert(DistinctPatterns(kCode11));

constexpr TFrame kCode11StartStop{TPattern("NNWWN"), 5, 1};

// Start, stop and gaps take this many elements besides the characters.
constexpr std::int32_t kFrameElements = 11;

// Check characters are weighted sums modulo 11 with the weights counted from
// the right: 1 to 10 for C, 1 to 9 for K, starting again at 1.
constexpr std::int32_t kCWeights = 10;
constexpr std::int32_t kKWeights = 9;

// The weight cycle of the longest data a single C check protects.
constexpr std::size_t kSingleCheckMaxData = 10;

std::int32_t Value(char c) {
  return c == '-' ? 10 : c - '0';
}

// The check character over text[0 .. count - 1].
std::int32_t CheckOver(const std::string& text, std::size_t count, std::int32_t weights) {
  std::int32_t sum = 0;
  std::int32_t weight = 1;
  for (std::size_t i = count; i-- > 0;) {
    sum += weight * Value(text[i]);
    weight = weight == weights ? 1 : weight + 1;
  }
  return sum % 11;
}

// A symbol carries C alone (data of up to ten characters) or C and K (any
// length, as most printers add both). Either verifies the text.
bool Code11ChecksHold(const std::string& text) {
  const std::size_t n = text.size();
  if (n >= 3 && CheckOver(text, n - 2, kCWeights) == Value(text[n - 2]) &&
      CheckOver(text, n - 1, kKWeights) == Value(text[n - 1])) {
    return true;
  }
  return n >= 2 && n - 1 <= kSingleCheckMaxData &&
         CheckOver(text, n - 1, kCWeights) == Value(text[n - 1]);
}

}  // namespace

void DecodeCode11(const TCandidate& candidate, TBarCodeResult& result) {
  result = TBarCodeResult{};
  const TWidthThresholds thresholds =
      WidthThresholds(candidate.Runs, candidate.Start, candidate.End, 0);
  const std::int64_t n = static_cast<std::int64_t>(candidate.End) - candidate.Start + 1;
  if (n < 6 * static_cast<std::int64_t>(candidate.MinCodeLen) + kFrameElements) {
    throw BarCodeException(kBarNumberTooLow);
  }
  const TElements elements = Classify(candidate, thresholds, false);
  const auto last = static_cast<std::int32_t>(elements.size()) - 1;
  const auto start = FindStart(elements, 0, last, kCode11StartStop, candidate.MinCodeLen);
  if (!start) throw BarCodeException(kStartNotFound);
  const std::int32_t d = *start + kCode11StartStop.Pattern.K + kCode11StartStop.Gap;
  const auto stop =
      FindStop(elements, d, last, kCode11StartStop, candidate.MinCodeLen, candidate.MaxCodeLen);
  if (!stop) throw BarCodeException(kStopNotFound);
  const auto text = DecodeGroups(KeepDrop(elements, d, stop->At, 5), 5, kCode11);
  if (!text) throw BarCodeException(kBadCharacter);
  SetText(result, *text);
  result.Checked = Code11ChecksHold(result.Text);
  result.CodeType = bcCode11;
}

}  // namespace barcode

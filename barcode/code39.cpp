// Code 39: nine elements per character (three of them wide), a narrow gap
// between characters, "*" as start and stop, an optional modulo 43 check
// character. The pharmaceutical reading turns a Code 39 text of base-32
// digits into an Italian pharmacode.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "barcode/decoders.h"
#include "barcode/toolkit.h"
#include "platform/exceptions.h"

namespace barcode {

namespace {

// Every character: five bars and four spaces, exactly three of them wide.
constexpr std::array<TPatternRow, 44> kCode39 = {{
    // Digits: the bars follow the 2 of 5 digit patterns, the second space wide.
    {"NNNWWNWNN", '0', 0},
    {"WNNWNNNNW", '1', 1},
    {"NNWWNNNNW", '2', 2},
    {"WNWWNNNNN", '3', 3},
    {"NNNWWNNNW", '4', 4},
    {"WNNWWNNNN", '5', 5},
    {"NNWWWNNNN", '6', 6},
    {"NNNWNNWNW", '7', 7},
    {"WNNWNNWNN", '8', 8},
    {"NNWWNNWNN", '9', 9},
    // A to J: the same bar patterns, the third space wide.
    {"WNNNNWNNW", 'A', 10},
    {"NNWNNWNNW", 'B', 11},
    {"WNWNNWNNN", 'C', 12},
    {"NNNNWWNNW", 'D', 13},
    {"WNNNWWNNN", 'E', 14},
    {"NNWNWWNNN", 'F', 15},
    {"NNNNNWWNW", 'G', 16},
    {"WNNNNWWNN", 'H', 17},
    {"NNWNNWWNN", 'I', 18},
    {"NNNNWWWNN", 'J', 19},
    // K to T: the fourth space wide.
    {"WNNNNNNWW", 'K', 20},
    {"NNWNNNNWW", 'L', 21},
    {"WNWNNNNWN", 'M', 22},
    {"NNNNWNNWW", 'N', 23},
    {"WNNNWNNWN", 'O', 24},
    {"NNWNWNNWN", 'P', 25},
    {"NNNNNNWWW", 'Q', 26},
    {"WNNNNNWWN", 'R', 27},
    {"NNWNNNWWN", 'S', 28},
    {"NNNNWNWWN", 'T', 29},
    // U to Z, "-", ".", space and "*": the first space wide.
    {"WWNNNNNNW", 'U', 30},
    {"NWWNNNNNW", 'V', 31},
    {"WWWNNNNNN", 'W', 32},
    {"NWNNWNNNW", 'X', 33},
    {"WWNNWNNNN", 'Y', 34},
    {"NWWNWNNNN", 'Z', 35},
    {"NWNNNNWNW", '-', 36},
    {"WWNNNNWNN", '.', 37},
    {"NWWNNNWNN", ' ', 38},
    // "*" is start and stop; met among the data it reads as itself.
    {"NWNNWNWNN", '*', 0},
    // "$", "/", "+", "%": every bar narrow, three of the four spaces wide.
    {"NWNWNWNNN", '$', 39},
    {"NWNWNNNWN", '/', 40},
    {"NWNNNWNWN", '+', 41},
    {"NNNWNWNWN", '%', 42},
}};

static_assert(AllPatterns(kCode39, 9, 3), "every Code 39 character has nine elements, three wide");
static_assert(DistinctPatterns(kCode39));

// "*" before and after the data; each character is followed by a gap.
constexpr TFrame kCode39Frame{TPattern("NWNNWNWNN"), 9, 1};
static_assert(kCode39Frame.Pattern.Value == 148);

// Italian pharmacodes write their number in base 32 with these digits (no
// vowels, so that no word can be spelled).
constexpr std::string_view kPharmaDigits = "0123456789BCDFGHJKLMNPQRSTUVWXYZ";
static_assert(kPharmaDigits.size() == 32);

// Pharmacodes are 32-bit numbers.
constexpr std::int64_t kPharmaMax = 2147483647;

std::uint8_t CheckValue(char c) {
  for (const TPatternRow& row : kCode39) {
    if (row.Char == c) return row.Check;
  }
  return 0;
}

// The sum of the check values of all characters but the last, modulo 43,
// is the check value of the last.
bool Modulo43Holds(const std::string& text) {
  if (text.empty()) return false;
  std::int32_t sum = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) sum += CheckValue(text[i]);
  return sum % 43 == CheckValue(text.back());
}

char UpperCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text as a base-32 number, position 0 at the last character. Throws
// "Bad Pharmacode Digit !" for a character outside the alphabet; nothing
// when the number outgrows a pharmacode (the 64-bit sum would otherwise
// wrap for long texts and could land on a valid-looking value).
std::optional<std::int64_t> FromBase32(const std::string& text) {
  std::int64_t value = 0;
  for (char c : text) {
    const std::size_t digit = kPharmaDigits.find(UpperCase(c));
    if (digit == std::string_view::npos) throw platform::Exception("Bad Pharmacode Digit !");
    value = value * 32 + static_cast<std::int64_t>(digit);
    if (value > kPharmaMax) return std::nullopt;
  }
  return value;
}

std::int32_t DigitSumOfDouble(std::int32_t d) {
  return (2 * d) % 10 + (2 * d) / 10;
}

// The pharmacode check on the first nine decimal digits (zero-padded on the
// left): d1 + d3 + d5 + d7 plus the digit sums of 2 d2, 2 d4, 2 d6, 2 d8,
// modulo 10, is d9.
bool PharmaCheckHolds(std::int64_t value) {
  std::string digits = std::to_string(value);
  if (digits.size() < 9) digits.insert(0, 9 - digits.size(), '0');
  std::int32_t sum = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    const std::int32_t d = digits[i] - '0';
    sum += i % 2 == 0 ? d : DigitSumOfDouble(d);
  }
  return sum % 10 == digits[8] - '0';
}

}  // namespace

std::optional<std::int64_t> PharmaCodeValue(const std::string& text) {
  std::optional<std::int64_t> value;
  try {
    value = FromBase32(text);
  } catch (const platform::Exception&) {
    return std::nullopt;  // not a base-32 text: not a pharmacode
  }
  if (!value || !PharmaCheckHolds(*value)) return std::nullopt;
  return value;
}

void DecodeCode39(const TCandidate& candidate, TBarCodeResult& result) {
  result = TBarCodeResult{};
  const TWidthThresholds thresholds =
      WidthThresholds(candidate.Runs, candidate.Start, candidate.End, 10);
  const TElements elements = Classify(candidate, thresholds, false);
  const auto n = static_cast<std::int32_t>(elements.size());
  const std::int32_t last = n - 1;

  // A candidate cut inside a space begins one element later.
  const std::int32_t pos = (n > 0 && IsSpaceClass(elements[0])) ? 1 : 0;
  if (pos >= n - 1) throw BarCodeException("Troppo corto 2");

  const auto start = FindStart(elements, pos, last, kCode39Frame, candidate.MinCodeLen);
  if (!start) throw BarCodeException(kStartNotFound);
  const std::int32_t d = *start + kCode39Frame.Pattern.K + kCode39Frame.Gap;
  const auto stop =
      FindStop(elements, d, last, kCode39Frame, candidate.MinCodeLen, candidate.MaxCodeLen);
  if (!stop) throw BarCodeException(kStopNotFound);

  const auto text = DecodeGroups(KeepDrop(elements, d, stop->At, 9), 9, kCode39);
  if (!text) throw BarCodeException(kBadCharacter);
  SetText(result, *text);
  result.Checked = Modulo43Holds(result.Text);
  if (candidate.VerifyCheckDigit && result.Checked) result.Text.pop_back();
  result.CodeType = bcCode39;

  if ((candidate.CodeTypes & BarCodeBit(bcPharmaCode)) == 0) return;
  if (const auto value = PharmaCodeValue(result.Text)) {
    result.Text = std::to_string(*value);
    result.Checked = true;
    result.CodeType = bcPharmaCode;
  } else if ((candidate.CodeTypes & BarCodeBit(bcCode39)) == 0) {
    result.Text.clear();
  }
}

}  // namespace barcode

// Code 93: six elements per character, measured in modules against
// reference widths taken from the start and stop characters; two weighted
// check characters and full ASCII through four shift characters.
#include <array>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "barcode/modulecount.h"
#include "barcode/moduledecoders.h"
#include "platform/exceptions.h"

namespace barcode {
namespace {

// Code 93 character patterns of values 0 to 46.
constexpr std::array<std::string_view, 47> kCode93 = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114",  //  0..7
    "131211", "141111", "211113", "211212", "211311", "221112", "221211", "231111",  //  8..15
    "112113", "112212", "112311", "122112", "132111", "111123", "111222", "111321",  // 16..23
    "121122", "131121", "212112", "212211", "211122", "211221", "221121", "222111",  // 24..31
    "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",  // 32..39
    "112131", "113121", "211131", "121221", "312111", "311121", "122211",            // 40..46
};
constexpr std::string_view kCode93Start = "111141";
// Plain characters of values 0 to 42; 43 to 46 are the shifts.
constexpr std::string_view kCode93Plain = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
static_assert(kCode93Plain.size() == 43);
constexpr int32_t kShiftDollar = 43, kShiftPercent = 44, kShiftSlash = 45, kShiftPlus = 46;
// Full-ASCII meaning of the letters A..W under the (%) shift.
constexpr std::array<uint8_t, 23> kPercentShift = {27,  28,  29,  30,   ' ', ';', '<', '=',
                                                   '>', '?', '[', '\\', ']', '^', '_', '{',
                                                   '|', '}', '~', 16,   0,   '@', '`'};

// Weighted check of Code 93 over values[0 .. count - 1], weights from the
// right rising to `maxWeight` and starting again at 1.
int32_t Code93Check(const std::vector<int32_t>& values, std::size_t count, int32_t maxWeight) {
  int32_t sum = 0, weight = 1;
  for (std::size_t i = count; i-- > 0;) {
    sum += values[i] * weight;
    weight = weight == maxWeight ? 1 : weight + 1;
  }
  return sum % 47;
}

uint8_t ShiftMarker(int32_t shift) {
  return static_cast<uint8_t>(254 - (shift - kShiftDollar));
}

// The full-ASCII byte of a value under a shift, or -1 where the shift gives none.
int32_t FullAscii(int32_t shift, int32_t value) {
  if (value < 10 || value > 35) return -1;
  const int32_t letter = value - 10;  // A = 0
  switch (shift) {
    case kShiftDollar:
      return letter + 1;
    case kShiftSlash:
      return letter + 33;
    case kShiftPlus:
      return 'a' + letter;
    case kShiftPercent:
      return letter < 23 ? kPercentShift[letter] : -1;
    default:
      return -1;
  }
}

}  // namespace

void DecodeCode93(const TCandidate& candidate, TBarCodeResult& rec) {
  rec = TBarCodeResult{};
  const std::span<const int32_t> runs = candidate.Runs;
  const int32_t start = candidate.Start, end = candidate.End;
  const int32_t n = end - start + 1;
  CheckSixElementCount(n);
  const double B1 = (ElementWidth(runs, start, 0) + ElementWidth(runs, start, 2) +
                     ElementWidth(runs, start, n - 7) + ElementWidth(runs, start, n - 5)) /
                    4;
  const double B4 = (ElementWidth(runs, start, 4) + ElementWidth(runs, start, n - 3)) / 2;
  const double B2 = (2 * B1 + B4 / 2) / 2;
  const double B3 = B1 + B2;
  const double S1 = (ElementWidth(runs, start, 1) + ElementWidth(runs, start, 3) +
                     ElementWidth(runs, start, n - 2) + ElementWidth(runs, start, n - 4) +
                     ElementWidth(runs, start, n - 6)) /
                    5;
  const std::vector<ModuleElement> e =
      ClassifyRuns(runs, start, n, {B1, B2, B3, B4}, {S1, 2 * S1, 3 * S1, 4 * S1});
  if (CountDigits(e, 0, 6) != kCode93Start) throw BarCodeException("Invalid start character !");

  std::vector<int32_t> values;
  for (int32_t at = 6; at < n - 8; at += 6) {
    const int32_t value = FindPattern(kCode93, CountDigits(e, at, 6));
    if (value < 0) throw BarCodeException("Invalid character in run!");
    values.push_back(value);
  }
  // Two check characters, C over the data and K over the data and C. A symbol
  // with fewer than two values has nothing to check and is returned unchecked.
  const std::size_t k = values.size();
  rec.Checked = k >= 2 && values[k - 2] == Code93Check(values, k - 2, 20) &&
                values[k - 1] == Code93Check(values, k - 1, 15);
  if (rec.Checked) values.resize(k - 2);

  std::string text;
  int32_t shift = 0;
  for (int32_t value : values) {
    if (value >= kShiftDollar) {
      shift = value;
      continue;
    }
    if (shift != 0) {
      const int32_t ascii = FullAscii(shift, value);
      if (ascii >= 0) {
        text += static_cast<char>(ascii);
      } else {
        text += static_cast<char>(ShiftMarker(shift));
        text += kCode93Plain[static_cast<std::size_t>(value)];
      }
      shift = 0;
    } else {
      text += kCode93Plain[static_cast<std::size_t>(value)];
    }
  }
  if (shift != 0) text += static_cast<char>(ShiftMarker(shift));
  rec.Text = text;
  rec.CodeType = bcCode93;
}

}  // namespace barcode

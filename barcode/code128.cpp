// Code 128: six elements per character, measured in modules against
// reference widths taken from the start and stop characters at the two ends
// of the candidate; three code sets with switches and a weighted check.
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

// Code 128 character patterns of values 0 to 102, as module counts.
constexpr std::array<std::string_view, 103> kCode128 = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312",  //   0..7
    "132212", "221213", "221312", "231212", "112232", "122132", "122231", "113222",  //   8..15
    "123122", "123221", "223211", "221132", "221231", "213212", "223112", "312131",  //  16..23
    "311222", "321122", "321221", "312212", "322112", "322211", "212123", "212321",  //  24..31
    "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",  //  32..39
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121",  //  40..47
    "313121", "211331", "231131", "213113", "213311", "213131", "311123", "311321",  //  48..55
    "331121", "312113", "312311", "332111", "314111", "221411", "431111", "111224",  //  56..63
    "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",  //  64..71
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",  //  72..79
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112",  //  80..87
    "421211", "212141", "214121", "412121", "111143", "111341", "131141", "114113",  //  88..95
    "114311", "411113", "411311", "113141", "114131", "311141", "411131",            //  96..102
};
// Start characters of code sets A, B and C (values 103, 104, 105).
constexpr std::array<std::string_view, 3> kCode128Starts = {"211412", "211214", "211232"};

// Code 128 code sets.
enum CodeSet { kSetA = 0, kSetB = 1, kSetC = 2 };

void AppendCode128(int32_t value, CodeSet set, std::string& text) {
  constexpr char kFunction = static_cast<char>(255);  // values 96..102 in sets A and B
  if (set == kSetC) {
    if (value < 10) text += '0';
    text += std::to_string(value);
  } else if (value >= 96) {
    text += kFunction;
  } else if (set == kSetA) {
    text += static_cast<char>(value < 64 ? value + 32 : value - 64);
  } else {
    text += static_cast<char>(value + 32);
  }
}

// Applies a data value in the current set: a switch or a character.
void Code128Data(int32_t value, CodeSet& set, std::string& text) {
  switch (set) {
    case kSetA:
      if (value == 99) return void(set = kSetC);
      if (value == 98 || value == 100) return void(set = kSetB);
      break;
    case kSetB:
      if (value == 99) return void(set = kSetC);
      if (value == 98 || value == 101) return void(set = kSetA);
      break;
    case kSetC:
      if (value == 100) return void(set = kSetB);
      if (value == 101) return void(set = kSetA);
      break;
  }
  AppendCode128(value, set, text);
}

}  // namespace

void DecodeCode128(const TCandidate& candidate, TBarCodeResult& rec) {
  rec = TBarCodeResult{};
  const std::span<const int32_t> runs = candidate.Runs;
  const int32_t start = candidate.Start, end = candidate.End;
  const int32_t n = end - start + 1;
  CheckSixElementCount(n);
  // References from the known widths of the start and stop characters.
  const double B1 = (ElementWidth(runs, start, 2) + ElementWidth(runs, start, n - 3)) / 2;
  const double B2 = (ElementWidth(runs, start, 0) + ElementWidth(runs, start, n - 1) +
                     ElementWidth(runs, start, n - 7)) /
                    3;
  const double B3 = ElementWidth(runs, start, n - 5);
  const double B4 = (2 * B2 + B1 + B3) / 2;
  const double S1 = (ElementWidth(runs, start, 1) + ElementWidth(runs, start, n - 2) +
                     ElementWidth(runs, start, n - 4)) /
                    3;
  const double S3 = ElementWidth(runs, start, n - 6);
  const double S2 = ((S3 - S1) + 2 * S1) / 2;
  const double S4 = ((S3 + S1) + 4 * S1) / 2;
  std::vector<ModuleElement> e = ClassifyRuns(runs, start, n, {B1, B2, B3, B4}, {S1, S2, S3, S4});

  const int32_t startSet = FindPattern(kCode128Starts, CountDigits(e, 0, 6));
  if (startSet < 0) throw BarCodeException("Invalid start character !");
  auto set = static_cast<CodeSet>(startSet);
  int32_t sum = 103 + startSet, weight = 1, check = -1;
  std::string text;
  for (int32_t at = 6; at < n - 8; at += 6) {
    CorrectModuleSum(e, at, 6, 11, "Bad sum of character modules (not 11)");
    const int32_t value = FindPattern(kCode128, CountDigits(e, at, 6));
    if (value < 0) throw BarCodeException("Invalid character in run!");
    if (at + 6 < n - 8) {
      Code128Data(value, set, text);
      sum += value * weight;
      ++weight;
    } else {
      check = value;
    }
  }
  rec.Text = text;
  rec.Checked = sum % 103 == check;
  rec.CodeType = bcCode128;
}

}  // namespace barcode

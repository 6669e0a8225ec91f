// Symbols of every symbology family as run lists or element patterns, built
// from the published character tables, for the decoder and sweep tests:
//   Codabar, MSI, Code11, Interleaved (2 of 5)   element patterns for Runs()
//   FromModules, FromCounts, Ean13Modules, Code128, Code93   run lists
// (Code 39 and the pattern helpers are in runs.h).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runs.h"

namespace barcode_test {

inline const std::map<char, std::string> kCodabar = {
    {'0', "NNNNNWW"}, {'1', "NNNNWWN"}, {'2', "NNNWNNW"}, {'3', "WWNNNNN"}, {'4', "NNWNNWN"},
    {'5', "WNNNNWN"}, {'6', "NWNNNNW"}, {'7', "NWNNWNN"}, {'8', "NWWNNNN"}, {'9', "WNNWNNN"},
    {'-', "NNNWWNN"}, {'$', "NNWWNNN"}, {':', "WNNNWNW"}, {'/', "WNWNNNW"}, {'.', "WNWNWNN"},
    {'+', "NNWNWNW"}, {'A', "NNWWNWN"}, {'B', "NWNWNNW"}, {'C', "NNNWNWW"}, {'D', "NNNWWWN"},
};

// The whole text, start and stop letters included.
inline std::string Codabar(const std::string& text) {
  std::vector<std::string> chars;
  for (char c : text) chars.push_back(kCodabar.at(c));
  return Join(chars, true);
}

// A 1 bit is a wide bar and a narrow space, a 0 bit the other way round.
inline std::string MSI(const std::string& text) {
  std::string e = "WN";
  for (char c : text) {
    const int v = c <= '9' ? c - '0' : c - 'A' + 10;
    for (int bit = 3; bit >= 0; --bit) e += (v >> bit) & 1 ? "WN" : "NW";
  }
  return e + "NWN";
}

inline const std::map<char, std::string> kCode11 = {
    {'0', "NNNNW"}, {'1', "WNNNW"}, {'2', "NWNNW"}, {'3', "WWNNN"}, {'4', "NNWNW"}, {'5', "WNWNN"},
    {'6', "NWWNN"}, {'7', "NNNWW"}, {'8', "WNNWN"}, {'9', "WNNNN"}, {'-', "NNWNN"},
};

inline std::string Code11(const std::string& text) {
  std::vector<std::string> chars = {"NNWWN"};
  for (char c : text) chars.push_back(kCode11.at(c));
  chars.push_back("NNWWN");
  return Join(chars, true);
}

// The published 2 of 5 digit patterns, '0' to '9'.
inline const std::vector<std::string> kDigits = {"NNWWN", "WNNNW", "NWNNW", "WWNNN", "NNWNW",
                                                 "WNWNN", "NWWNN", "NNNWW", "WNNWN", "NWNWN"};

inline std::string Digit(char c) {
  return kDigits.at(c - '0');
}

// Bars carry the first digit of a pair, spaces the second.
inline std::string Interleaved(const std::string& digits) {
  std::string e = "NNNN";
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    for (int k = 0; k < 5; ++k) {
      e += Digit(digits[i])[k];
      e += Digit(digits[i + 1])[k];
    }
  }
  return e + "WNN";
}

// Runs from module colours ("1011..."), `module` pixels per module.
inline std::vector<int32_t> FromModules(const std::string& colours, int32_t module = 3) {
  std::vector<int32_t> runs;
  for (std::size_t i = 0; i < colours.size();) {
    std::size_t j = i;
    while (j < colours.size() && colours[j] == colours[i]) ++j;
    const auto width = static_cast<int32_t>(j - i) * module;
    runs.push_back(colours[i] == '1' ? width : -width);
    i = j;
  }
  return runs;
}

// Runs from module counts ("211214..."), bars first.
inline std::vector<int32_t> FromCounts(const std::string& counts, int32_t module = 3) {
  std::vector<int32_t> runs;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    const int32_t width = (counts[i] - '0') * module;
    runs.push_back(i % 2 == 0 ? width : -width);
  }
  return runs;
}

inline const char* kSetA[] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                              "0110001", "0101111", "0111011", "0110111", "0001011"};
inline const char* kSetB[] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                              "0111001", "0000101", "0010001", "0001001", "0010111"};
inline const char* kSetC[] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                              "1001110", "1010000", "1000100", "1001000", "1110100"};
inline const char* kEan13Parity[] = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                     "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};

inline std::string Left(char digit, char parity) {
  return parity == 'A' ? kSetA[digit - '0'] : kSetB[digit - '0'];
}

inline std::string Ean13Modules(const std::string& d) {
  const std::string parity = kEan13Parity[d[0] - '0'];
  std::string m = "101";
  for (int i = 1; i <= 6; ++i) m += Left(d[i], parity[i - 1]);
  m += "01010";
  for (int i = 7; i <= 12; ++i) m += kSetC[d[i] - '0'];
  return m + "101";
}

inline const char* kCode128[] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212",
    "221213", "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221",
    "223211", "221132", "221231", "213212", "223112", "312131", "311222", "321122", "321221",
    "312212", "322112", "322211", "212123", "212321", "232121", "111323", "131123", "131321",
    "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331", "132131",
    "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131",
    "311123", "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111",
    "111224", "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111", "111242",
    "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232"};

// A Code 128 symbol from its start value and data values, with its check.
inline std::vector<int32_t> Code128(int start, const std::vector<int>& data, int checkDelta = 0,
                                    int32_t module = 3) {
  std::string counts = kCode128[start];
  int sum = start, weight = 1;
  for (int v : data) {
    counts += kCode128[v];
    sum += v * weight++;
  }
  counts += kCode128[(sum + checkDelta) % 103];
  counts += "2331112";
  return FromCounts(counts, module);
}

inline const char* kCode93[] = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114",
    "131211", "141111", "211113", "211212", "211311", "221112", "221211", "231111",
    "112113", "112212", "112311", "122112", "132111", "111123", "111222", "111321",
    "121122", "131121", "212112", "212211", "211122", "211221", "221121", "222111",
    "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",
    "112131", "113121", "211131", "121221", "312111", "311121", "122211"};

inline int Check93(const std::vector<int>& v, int maxWeight) {
  int sum = 0, w = 1;
  for (auto it = v.rbegin(); it != v.rend(); ++it) {
    sum += *it * w;
    w = w == maxWeight ? 1 : w + 1;
  }
  return sum % 47;
}

// A Code 93 symbol from its values, with its two check characters.
inline std::vector<int32_t> Code93(std::vector<int> values, bool withChecks = true,
                                   int32_t module = 3) {
  if (withChecks) {
    values.push_back(Check93(values, 20));
    values.push_back(Check93(values, 15));
  }
  std::string counts = "111141";
  for (int v : values) counts += kCode93[v];
  counts += "1111411";
  return FromCounts(counts, module);
}

// A 2-digit add-on: its guard, then the two digits in the parities their
// value modulo 4 asks for, with the separator between them.
inline std::vector<int32_t> Ext2(const std::string& digits, int32_t module = 3) {
  static const char* kParity[] = {"AA", "AB", "BA", "BB"};
  const char* parity = kParity[std::stoi(digits) % 4];
  return FromModules("1011" + Left(digits[0], parity[0]) + "01" + Left(digits[1], parity[1]),
                     module);
}

}  // namespace barcode_test

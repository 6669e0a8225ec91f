// EAN-13, UPC-A, EAN-8, UPC-E and the 2- and 5-digit add-ons. The layout is
// known from the element count alone; the module width comes from the guard
// bars and spaces, every element is counted in modules, each character is
// corrected to seven modules and looked up in the published tables.
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "barcode/modulecount.h"
#include "barcode/moduledecoders.h"
#include "platform/exceptions.h"

namespace barcode {
namespace {

// Seven module colours per digit, 0 = space, 1 = bar.
constexpr std::array<std::string_view, 10> kSetA = {  // odd parity, left-hand
    "0001101", "0011001", "0010011", "0111101", "0100011",
    "0110001", "0101111", "0111011", "0110111", "0001011"};
constexpr std::array<std::string_view, 10> kSetB = {  // even parity, left-hand
    "0100111", "0110011", "0011011", "0100001", "0011101",
    "0111001", "0000101", "0010001", "0001001", "0010111"};
constexpr std::array<std::string_view, 10> kSetC = {  // right-hand
    "1110010", "1100110", "1101100", "1000010", "1011100",
    "1001110", "1010000", "1000100", "1001000", "1110100"};
// Parity of the six left-hand characters of an EAN-13, by its leading digit.
constexpr std::array<std::string_view, 10> kEan13Parity = {"AAAAAA", "AABABB", "AABBAB", "AABBBA",
                                                           "ABAABB", "ABBAAB", "ABBBAA", "ABABAB",
                                                           "ABABBA", "ABBABA"};
// Parity of the six UPC-E characters by check digit, number system 0; number
// system 1 is its mirror (A and B exchanged).
constexpr std::array<std::string_view, 10> kUpceParity0 = {"BBBAAA", "BBABAA", "BBAABA", "BBAAAB",
                                                           "BABBAA", "BAABBA", "BAAABB", "BABABA",
                                                           "BABAAB", "BAABAB"};
constexpr std::array<std::string_view, 10> kUpceParity1 = {"AAABBB", "AABABB", "AABBAB", "AABBBA",
                                                           "ABAABB", "ABBAAB", "ABBBAA", "ABABAB",
                                                           "ABABBA", "ABBABA"};
// Parity of the five add-on characters by the add-on check value.
constexpr std::array<std::string_view, 10> kExt5Parity = {
    "BBAAA", "BABAA", "BAABA", "BAAAB", "ABBAA", "AABBA", "AAABB", "ABABA", "ABAAB", "AABAB"};
// Parity of the two add-on characters by the value mod 4.
constexpr std::array<std::string_view, 4> kExt2Parity = {"AA", "AB", "BA", "BB"};

struct Layout {
  int32_t elements;
  TBarCodeTypes enabling;
  std::vector<int32_t> guardBars;
  std::vector<int32_t> guardSpaces;
  std::vector<int32_t> characters;
  int32_t rightHandFrom;  // index into characters of the first right-hand one (or size)
  int32_t tail;
};

const std::array<Layout, 5>& Layouts() {
  static const std::array<Layout, 5> layouts = {{
      {59,
       BarCodeBit(bcEAN13) | BarCodeBit(bcUPCA),
       {0, 2, 28, 30, 56, 58},
       {1, 27, 29, 31, 57},
       {3, 7, 11, 15, 19, 23, 32, 36, 40, 44, 48, 52},
       6,
       3},
      {43,
       BarCodeBit(bcEAN8),
       {0, 2, 20, 22, 40, 42},
       {1, 19, 21, 23, 41},
       {3, 7, 11, 15, 24, 28, 32, 36},
       4,
       3},
      {33, BarCodeBit(bcUPCE), {0, 2, 28, 30}, {1, 27, 29, 31}, {3, 7, 11, 15, 19, 23}, 6, 5},
      {31, BarCodeBit(bcEXT5), {0, 8, 14, 20, 26}, {1, 7, 13, 19, 25}, {3, 9, 15, 21, 27}, 5, 0},
      {13, BarCodeBit(bcEXT2), {0, 8}, {1, 7}, {3, 9}, 2, 0},
  }};
  return layouts;
}

int32_t Find(const std::array<std::string_view, 10>& table, std::string_view s) {
  for (int32_t d = 0; d < 10; ++d) {
    if (table[d] == s) return d;
  }
  return -1;
}

// Mean guard width of one kind; every guard must stay within 1.5 times it.
double GuardModule(std::span<const int32_t> runs, int32_t start, const std::vector<int32_t>& at) {
  double sum = 0;
  for (int32_t off : at) sum += std::abs(static_cast<double>(runs[start + off]));
  const double module = sum / static_cast<double>(at.size());
  for (int32_t off : at) {
    if (std::abs(static_cast<double>(runs[start + off])) > 1.5 * module) {
      throw BarCodeException("Invalid EAN/UPC start/stop pattern..");
    }
  }
  return module;
}

// References k modules wide; an element wider than four modules stretches the
// top reference and moves the middle ones with it.
void StretchReferences(ModuleReferences& refs, double width) {
  if (width <= refs[3]) return;
  refs[3] = width;
  refs[1] = refs[0] + (refs[3] - refs[0]) / 3;
  refs[2] = refs[0] + 2 * (refs[3] - refs[0]) / 3;
}

int32_t Digit(char c) {
  return c - '0';
}

// (10 - s mod 10) mod 10: the check digit of a weighted sum.
int32_t CheckDigitOf(int32_t s) {
  return (10 - s % 10) % 10;
}

void FinishEan13(std::string& text, const std::string& parity, TBarCodeResult& rec) {
  const int32_t lead = Find(kEan13Parity, parity);
  if (lead < 0) throw BarCodeException("Invalid checksum !");
  text.insert(text.begin(), static_cast<char>('0' + lead));
  int32_t s = 0;
  for (int32_t i = 0; i < 12; ++i) s += Digit(text[i]) * (i % 2 == 0 ? 1 : 3);
  if (Digit(text[12]) != CheckDigitOf(s)) throw BarCodeException("Invalid checksum !");
  rec.CodeType = bcEAN13;
  if (parity.find('B') == std::string::npos) {  // leading 0: a UPC-A symbol
    text.erase(0, 1);
    rec.CodeType = bcUPCA;
  }
}

void FinishEan8(const std::string& text, TBarCodeResult& rec) {
  int32_t s = 0;
  for (int32_t i = 0; i < 7; ++i) s += Digit(text[i]) * (i % 2 == 0 ? 3 : 1);
  if (Digit(text[7]) != CheckDigitOf(s)) throw BarCodeException("Invalid checksum !");
  rec.CodeType = bcEAN8;
}

// The ten digits a UPC-E symbol stands for, by its last digit.
std::string ExpandUpce(const std::string& d) {
  switch (d[5]) {
    case '0':
    case '1':
    case '2':
      return std::string{d[0], d[1], d[5], '0', '0', '0', '0', d[2], d[3], d[4]};
    case '3':
      return std::string{d[0], d[1], d[2], '0', '0', '0', '0', '0', d[3], d[4]};
    case '4':
      return std::string{d[0], d[1], d[2], d[3], '0', '0', '0', '0', '0', d[4]};
    default:
      return std::string{d[0], d[1], d[2], d[3], d[4], '0', '0', '0', '0', d[5]};
  }
}

void FinishUpce(const std::string& text, const std::string& parity, TBarCodeResult& rec) {
  int32_t system = -1, check = -1;
  for (int32_t c = 0; c < 10 && system < 0; ++c) {
    if (kUpceParity0[c] == parity) {
      system = 0;
      check = c;
    } else if (kUpceParity1[c] == parity) {
      system = 1;
      check = c;
    }
  }
  if (system < 0) throw BarCodeException("Invalid checksum !");
  const std::string full =
      std::to_string(system) + ExpandUpce(text) + static_cast<char>('0' + check);
  int32_t s = 0;
  for (int32_t i = 0; i < 11; ++i) s += Digit(full[i]) * (i % 2 == 0 ? 3 : 1);
  if (Digit(full[11]) != CheckDigitOf(s)) throw BarCodeException("Invalid checksum !");
  rec.CodeType = bcUPCE;
}

void FinishExt5(const std::string& text, const std::string& parity, TBarCodeResult& rec) {
  const int32_t s = 3 * (Digit(text[0]) + Digit(text[2]) + Digit(text[4])) +
                    9 * (Digit(text[1]) + Digit(text[3]));
  if (parity != kExt5Parity[s % 10]) throw BarCodeException("Invalid checksum !");
  rec.CodeType = bcEXT5;
}

void FinishExt2(const std::string& text, const std::string& parity, TBarCodeResult& rec) {
  const int32_t v = Digit(text[0]) * 10 + Digit(text[1]);
  if (parity != kExt2Parity[v % 4]) throw BarCodeException("Invalid checksum !");
  rec.CodeType = bcEXT2;
}

const Layout* FindLayout(int32_t n, TBarCodeTypes codeTypes) {
  for (const Layout& l : Layouts()) {
    if (l.elements == n && (codeTypes & l.enabling) != 0) return &l;
  }
  return nullptr;
}

}  // namespace

bool EANUPCLayoutFits(int32_t elements, TBarCodeTypes types) {
  return FindLayout(elements, types) != nullptr;
}

void DecodeEANUPC(const TCandidate& candidate, TBarCodeResult& rec) {
  rec = TBarCodeResult{};
  const std::span<const int32_t> runs = candidate.Runs;
  const int32_t start = candidate.Start, end = candidate.End;
  const TBarCodeTypes codeTypes = candidate.CodeTypes;
  const int32_t n = end - start + 1;
  const Layout* layout = FindLayout(n, codeTypes);
  if (layout == nullptr) throw BarCodeException("Barre <> 59/31/13 : No EAN13/Ext5/Ext2...");

  const double mb = GuardModule(runs, start, layout->guardBars);
  const double ms = GuardModule(runs, start, layout->guardSpaces);
  ModuleReferences bars{mb, 2 * mb, 3 * mb, 4 * mb};
  ModuleReferences spaces{ms, 2 * ms, 3 * ms, 4 * ms};
  for (int32_t i = start; i <= end; ++i) {
    const int32_t run = runs[i];
    StretchReferences(run > 0 ? bars : spaces, std::abs(static_cast<double>(run)));
  }
  std::vector<ModuleElement> elements = ClassifyRuns(runs, start, n, bars, spaces);

  std::string text, parity;
  const auto& chars = layout->characters;
  for (std::size_t c = 0; c < chars.size() && chars[c] < n - 1 - layout->tail; ++c) {
    const int32_t at = chars[c];
    CorrectModuleSum(elements, at, 4, 7, "Bad sum of character modules (not 7)");
    const bool rightHand = static_cast<int32_t>(c) >= layout->rightHandFrom;
    std::string modules;
    char colour = rightHand ? '1' : '0';
    for (int32_t e = at; e < at + 4; ++e) {
      modules.append(static_cast<std::size_t>(elements[e].Count), colour);
      colour = colour == '0' ? '1' : '0';
    }
    int32_t digit = -1;
    if (rightHand) {
      digit = Find(kSetC, modules);
    } else if ((digit = Find(kSetA, modules)) >= 0) {
      parity += 'A';
    } else if ((digit = Find(kSetB, modules)) >= 0) {
      parity += 'B';
    }
    if (digit < 0) throw BarCodeException("Invalid left EAN character in run!");
    text += static_cast<char>('0' + digit);
  }

  switch (n) {
    case 59:
      FinishEan13(text, parity, rec);
      break;
    case 43:
      FinishEan8(text, rec);
      break;
    case 33:
      FinishUpce(text, parity, rec);
      break;
    case 31:
      FinishExt5(text, parity, rec);
      break;
    default:
      FinishExt2(text, parity, rec);
      break;
  }
  rec.Text = text;
  rec.Checked = true;
}

}  // namespace barcode

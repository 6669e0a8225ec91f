#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "barcode/moduledecoders.h"

using namespace barcode;
#include "platform/exceptions.h"
#include "scan.h"

namespace {

// Runs from module colours ("1011..."), `module` pixels per module.
std::vector<int32_t> FromModules(const std::string& colours, int32_t module = 3) {
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
std::vector<int32_t> FromCounts(const std::string& counts, int32_t module = 3) {
  std::vector<int32_t> runs;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    const int32_t width = (counts[i] - '0') * module;
    runs.push_back(i % 2 == 0 ? width : -width);
  }
  return runs;
}

const char* kSetA[] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                       "0110001", "0101111", "0111011", "0110111", "0001011"};
const char* kSetB[] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                       "0111001", "0000101", "0010001", "0001001", "0010111"};
const char* kSetC[] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                       "1001110", "1010000", "1000100", "1001000", "1110100"};
const char* kEan13Parity[] = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                              "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};

std::string Left(char digit, char parity) {
  return parity == 'A' ? kSetA[digit - '0'] : kSetB[digit - '0'];
}

std::string Ean13Modules(const std::string& d) {
  const std::string parity = kEan13Parity[d[0] - '0'];
  std::string m = "101";
  for (int i = 1; i <= 6; ++i) m += Left(d[i], parity[i - 1]);
  m += "01010";
  for (int i = 7; i <= 12; ++i) m += kSetC[d[i] - '0'];
  return m + "101";
}

TBarCodeResult Ean(const std::vector<int32_t>& runs, TBarCodeTypes types) {
  TBarCodeResult rec;
  TCandidate c{runs, 0, static_cast<int32_t>(runs.size()) - 1, 1, 1, types, false};
  DecodeEANUPC(c, rec);
  return rec;
}

std::string ErrorOf(const std::vector<int32_t>& runs, TBarCodeTypes types) {
  try {
    Ean(runs, types);
  } catch (const BarCodeException& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(EanUpc, Ean13AndUpcAByTheirLeadingDigit) {
  const TBarCodeTypes both = BarCodeBit(bcEAN13) | BarCodeBit(bcUPCA);
  TBarCodeResult rec = Ean(FromModules(Ean13Modules("4006381333931")), BarCodeBit(bcUPCA));
  EXPECT_EQ(rec.Text, "4006381333931");
  EXPECT_EQ(rec.CodeType, bcEAN13);
  EXPECT_TRUE(rec.Checked);
  // Weighted sum a multiple of ten: check digit 0.
  EXPECT_EQ(Ean(FromModules(Ean13Modules("4006381333900"), 2), both).Text, "4006381333900");
  rec = Ean(FromModules(Ean13Modules("0036000291452")), BarCodeBit(bcEAN13));
  EXPECT_EQ(rec.Text, "036000291452");
  EXPECT_EQ(rec.CodeType, bcUPCA);

  EXPECT_EQ(ErrorOf(FromModules(Ean13Modules("4006381333932")), both), "Invalid checksum !");
  EXPECT_EQ(ErrorOf(FromModules(Ean13Modules("4006381333931")), BarCodeBit(bcEAN8)),
            "Barre <> 59/31/13 : No EAN13/Ext5/Ext2...");
}

TEST(EanUpc, GuardWidthsAndModuleCorrection) {
  std::vector<int32_t> runs = FromModules(Ean13Modules("4006381333931"), 10);
  const TBarCodeTypes types = BarCodeBit(bcEAN13);
  // A guard bar 1.5 times the mean passes, 1.6 times fails: raise the first guard
  // bar so that it stands at the wanted multiple of the six guards' mean.
  auto withGuard = [&](double factor) {
    std::vector<int32_t> r = runs;
    // mean = (x + 50) / 6 ; x = factor * mean  =>  x = 50 factor / (6 - factor)
    r[0] = static_cast<int32_t>(50 * factor / (6 - factor));
    return r;
  };
  EXPECT_EQ(Ean(withGuard(1.5), types).Text, "4006381333931");
  EXPECT_EQ(ErrorOf(withGuard(1.6), types), "Invalid EAN/UPC start/stop pattern..");

  // One element of a character measured a module short is corrected back to 7.
  std::vector<int32_t> shortChar = runs;
  shortChar[4] -= 7;  // 4006...: first left character, its second element
  EXPECT_EQ(Ean(shortChar, types).Text, "4006381333931");
}

TEST(EanUpc, Ean8UpceAndAddOns) {
  // EAN-8 96385074.
  std::string m = "101";
  const std::string d8 = "96385074";
  for (int i = 0; i < 4; ++i) m += kSetA[d8[i] - '0'];
  m += "01010";
  for (int i = 4; i < 8; ++i) m += kSetC[d8[i] - '0'];
  m += "101";
  TBarCodeResult rec = Ean(FromModules(m), BarCodeBit(bcEAN8));
  EXPECT_EQ(rec.Text, "96385074");
  EXPECT_EQ(rec.CodeType, bcEAN8);

  // UPC-E 654321 in number system 0 with check digit 7 (parity BABABA) yields six digits.
  const std::string upce = "654321", parity = "BABABA";
  m = "101";
  for (int i = 0; i < 6; ++i) m += Left(upce[i], parity[i]);
  m += "010101";
  rec = Ean(FromModules(m), BarCodeBit(bcUPCE));
  EXPECT_EQ(rec.Text, "654321");
  EXPECT_EQ(rec.CodeType, bcUPCE);

  // Two-digit add-on 34: 34 mod 4 = 2 needs parity BA.
  auto ext2 = [&](const std::string& p) {
    return FromModules("1011" + Left('3', p[0]) + "01" + Left('4', p[1]));
  };
  rec = Ean(ext2("BA"), BarCodeBit(bcEXT2));
  EXPECT_EQ(rec.Text, "34");
  EXPECT_EQ(rec.CodeType, bcEXT2);
  EXPECT_EQ(ErrorOf(ext2("AB"), BarCodeBit(bcEXT2)), "Invalid checksum !");

  // Five-digit add-on 52495: s = 3(5+4+5) + 9(2+9) = 141, parity of 1 = BABAA.
  const std::string ext5 = "52495", p5 = "BABAA";
  m = "1011";
  for (int i = 0; i < 5; ++i) m += (i ? "01" : "") + Left(ext5[i], p5[i]);
  rec = Ean(FromModules(m), BarCodeBit(bcEXT5));
  EXPECT_EQ(rec.Text, "52495");
  EXPECT_EQ(rec.CodeType, bcEXT5);
}

namespace {

const char* kCode128[] = {
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
std::vector<int32_t> Code128(int start, const std::vector<int>& data, int checkDelta = 0,
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

TBarCodeResult Decode128(const std::vector<int32_t>& runs) {
  TBarCodeResult rec;
  DecodeCode128(TCandidate{runs, 0, static_cast<int32_t>(runs.size()) - 1}, rec);
  return rec;
}

}  // namespace

TEST(Code128, CodeSetsSwitchesAndCheck) {
  // Set B "Hi" (values 40, 73).
  TBarCodeResult rec = Decode128(Code128(104, {40, 73}));
  EXPECT_EQ(rec.Text, "Hi");
  EXPECT_TRUE(rec.Checked);
  EXPECT_EQ(rec.CodeType, bcCode128);
  // Set C pairs with a leading zero, then a switch to set A for a control code.
  EXPECT_EQ(Decode128(Code128(105, {12, 7, 101, 64 + 9})).Text, "1207\t");
  // In set B, 98 switches to set A until the next switch.
  EXPECT_EQ(Decode128(Code128(104, {33, 98, 65, 66, 100, 65})).Text,
            "A\x01\x02"
            "a");
  // Function codes give the byte 255.
  EXPECT_EQ(Decode128(Code128(103, {102, 33})).Text,
            "\xFF"
            "A");
  // One data character: 25 elements.
  EXPECT_EQ(Decode128(Code128(104, {17})).Text, "1");
  // A wrong check character still returns the text.
  rec = Decode128(Code128(104, {40, 73}, 1));
  EXPECT_EQ(rec.Text, "Hi");
  EXPECT_FALSE(rec.Checked);
}

TEST(Code128, StructuralFailures) {
  auto error = [](std::vector<int32_t> runs) -> std::string {
    try {
      Decode128(runs);
    } catch (const BarCodeException& e) {
      return e.what();
    }
    return "";
  };
  std::vector<int32_t> runs = Code128(104, {17});
  EXPECT_EQ(error(std::vector<int32_t>(runs.begin(), runs.end() - 1)),
            "Invalid number of bars/spaces !");
  EXPECT_EQ(error(Code128(104, {17, 18}) /* 31 elements: fine */), "");
  std::vector<int32_t> badStart = runs;
  badStart[4] = 9;  // 211214 -> 211234
  EXPECT_EQ(error(badStart), "Invalid start character !");
}

namespace {

const char* kCode93[] = {"131112", "111213", "111312", "111411", "121113", "121212", "121311",
                         "111114", "131211", "141111", "211113", "211212", "211311", "221112",
                         "221211", "231111", "112113", "112212", "112311", "122112", "132111",
                         "111123", "111222", "111321", "121122", "131121", "212112", "212211",
                         "211122", "211221", "221121", "222111", "112122", "112221", "122121",
                         "123111", "121131", "311112", "311211", "321111", "112131", "113121",
                         "211131", "121221", "312111", "311121", "122211"};

int Check93(const std::vector<int>& v, int maxWeight) {
  int sum = 0, w = 1;
  for (auto it = v.rbegin(); it != v.rend(); ++it) {
    sum += *it * w;
    w = w == maxWeight ? 1 : w + 1;
  }
  return sum % 47;
}

// A Code 93 symbol from its values, with its two check characters.
std::vector<int32_t> Code93(std::vector<int> values, bool withChecks = true, int32_t module = 3) {
  if (withChecks) {
    values.push_back(Check93(values, 20));
    values.push_back(Check93(values, 15));
  }
  std::string counts = "111141";
  for (int v : values) counts += kCode93[v];
  counts += "1111411";
  return FromCounts(counts, module);
}

TBarCodeResult Decode93(const std::vector<int>& values, bool withChecks = true) {
  const std::vector<int32_t> runs = Code93(values, withChecks);
  TBarCodeResult rec;
  DecodeCode93(TCandidate{runs, 0, static_cast<int32_t>(runs.size()) - 1}, rec);
  return rec;
}

}  // namespace

TEST(Code93, ChecksAndFullAsciiShifts) {
  // "CODE 93": C = 12, O = 24, D = 13, E = 14, space = 38, 9, 3.
  TBarCodeResult rec = Decode93({12, 24, 13, 14, 38, 9, 3});
  EXPECT_EQ(rec.Text, "CODE 93");
  EXPECT_TRUE(rec.Checked);
  EXPECT_EQ(rec.CodeType, bcCode93);
  // Twenty-odd values make the weights restart.
  std::vector<int> longer(25);
  for (int i = 0; i < 25; ++i) longer[i] = i;
  EXPECT_TRUE(Decode93(longer).Checked);
  // Wrong checks: the values stay, unchecked.
  rec = Decode93({12, 24, 0, 0}, false);
  EXPECT_FALSE(rec.Checked);
  EXPECT_EQ(rec.Text, "CO00");
  // (+)A gives "a"; (%)X has no full-ASCII meaning: marker 253 then "X";
  // a trailing shift leaves its marker.
  EXPECT_EQ(Decode93({46, 10, 44, 33, 43}).Text, "a\xFDX\xFE");
  EXPECT_EQ(Decode93({45, 10, 44, 14}).Text, "! ");
}

TEST(ModuleSymbologies, ReadBlurredNoisyGreyScans) {
  struct Case {
    std::vector<int32_t> runs;
    TBarCodeType type;
    std::string text;
  };
  // Two pixels a module, as on a 200 dpi scan of a small label.
  for (const Case& c : std::vector<Case>{
           {FromModules(Ean13Modules("4006381333931"), 2), bcEAN13, "4006381333931"},
           {Code128(104, {40, 73, 17}, 0, 2), bcCode128, "Hi1"},
           {Code93({12, 24, 13, 14, 38, 9, 3}, true, 2), bcCode93, "CODE 93"},
       }) {
    for (const barcode_test::TScanLook& look : barcode_test::kScanLooks) {
      EXPECT_EQ(barcode_test::ScanReadings(c.runs, BarCodeBit(c.type), look),
                (barcode_test::TReadings{{c.type, c.text}}))
          << c.text << " " << look.Blur;
    }
  }
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "barcode/modulecount.h"
#include "barcode/moduledecoders.h"

using namespace barcode;
#include "platform/exceptions.h"
#include "scan.h"
#include "symbols.h"

namespace {

using barcode_test::Code128;
using barcode_test::Code93;
using barcode_test::Ean13Modules;
using barcode_test::FromCounts;
using barcode_test::FromModules;
using barcode_test::kSetA;
using barcode_test::kSetB;
using barcode_test::kSetC;
using barcode_test::Left;

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

// The sweep skips a decoder for the element counts it says never fit; each
// says so exactly for the counts it refuses first.
TEST(ModuleSymbologies, ElementCountsThatFitAreThoseNotRefusedAtOnce) {
  auto refusal = [](TDecoder decode, int32_t n, TBarCodeTypes types) {
    std::vector<int32_t> runs;
    for (int32_t i = 0; i < n; ++i) runs.push_back(i % 2 == 0 ? 3 : -3);
    TBarCodeResult rec;
    try {
      decode(TCandidate{runs, 0, n - 1, 1, 15, types}, rec);
    } catch (const BarCodeException& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  for (int32_t n = 1; n <= 70; ++n) {
    for (const TBarCodeTypes types : {kDefaultCodeTypes, BarCodeBit(bcEAN8),
                                      BarCodeBit(bcEXT2) | BarCodeBit(bcUPCE), TBarCodeTypes{0}}) {
      EXPECT_EQ(refusal(DecodeEANUPC, n, types) == "Barre <> 59/31/13 : No EAN13/Ext5/Ext2...",
                !EANUPCLayoutFits(n, types))
          << n << " elements, types " << types;
    }
    for (const TDecoder decode : {DecodeCode128, DecodeCode93}) {
      EXPECT_EQ(refusal(decode, n, 0) == "Invalid number of bars/spaces !", !SixElementCountFits(n))
          << n << " elements";
    }
  }
}

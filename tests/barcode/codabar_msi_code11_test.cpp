#include <gtest/gtest.h>

#include <map>

#include "runs.h"
#include "scan.h"
#include "symbols.h"

namespace {

using barcode_test::Codabar;
using barcode_test::Code11;
using barcode_test::Decode;
using barcode_test::Failure;
using barcode_test::Join;
using barcode_test::kScanLooks;
using barcode_test::MSI;
using barcode_test::Runs;
using barcode_test::ScanReadings;
using barcode_test::TLimits;
using barcode_test::TReadings;
using barcode_test::TScanLook;

TEST(Codabar, StartAndStopLettersStayInTheText) {
  for (const std::string text : {"A0123456789D", "B-$:/.+C", "C988$6B", "D1A", "A:1$4$3:0.9D"}) {
    const TBarCodeResult r = Decode(barcode::DecodeCodabar, Runs(Codabar(text)));
    EXPECT_EQ(r.Text, text);
    EXPECT_FALSE(r.Checked);
    EXPECT_EQ(r.CodeType, bcCodaBar);
  }
}

TEST(Codabar, FailureMessages) {
  struct Case {
    std::string elements;
    TLimits limits;
    std::string failure;
  };
  for (const Case& c : std::vector<Case>{
           // 3 characters need 8 x 3 + 15 = 39 elements; "A123D" has 39
           {Codabar("A123D"), {3, 15}, ""},
           {Codabar("A12D"), {3, 15}, "Bar: Bar number too low !"},
           {Codabar("A123D"), {4, 15}, "Bar: Bar number too low !"},
           // letters in the data are no data characters
           {Codabar("A1B3D"), {3, 15}, "Bar: Bad character found in scan"},
           {Codabar("012345"), {1, 15}, "Bar: Start/Stop chars not found !"},
           {Codabar("A12345"), {1, 15}, "Bar: Start/Stop chars not found !"},
           {Codabar("A12345D"), {1, 4}, "Bar: Start/Stop chars not found !"},
       }) {
    EXPECT_EQ(Failure(barcode::DecodeCodabar, Runs(c.elements), c.limits), c.failure) << c.elements;
  }
}

TEST(MSI, DigitsAndTheLettersAToF) {
  for (const std::string text : {"1008259", "0123456789", "ABCDEF", "9F0"}) {
    const TBarCodeResult r = Decode(barcode::DecodeMSI, Runs(MSI(text)));
    EXPECT_EQ(r.Text, text);
    EXPECT_FALSE(r.Checked);
    EXPECT_EQ(r.CodeType, bcMSI);
  }
}

TEST(MSI, FailureMessages) {
  struct Case {
    std::string elements;
    TLimits limits;
    std::string failure;
  };
  for (const Case& c : std::vector<Case>{
           // 2 characters need 8 x 2 + 5 = 21 elements: exactly what "12" has
           {MSI("12"), {2, 15}, ""},
           {MSI("12"), {3, 15}, "Bar: Bar number too low !"},
           {MSI("123").substr(0, 26) + "NNN", {3, 3}, "Bar: Stop character not found in scan"},
           {"N" + MSI("123").substr(1), {3, 15}, "Bar: Start character not found in scan"},
           // a character with three 1 bits written as wide bar and wide space
           {"WN" + std::string("WWNWNWNW") + "NWNWNWNW" + "NWNWNWNW" + "NWN",
            {3, 3},
            "Bar: Bad character found in scan"},
       }) {
    EXPECT_EQ(Failure(barcode::DecodeMSI, Runs(c.elements), c.limits), c.failure) << c.elements;
  }
}

TEST(Code11, TextKeepsItsCheckCharactersWhichVerifyIt) {
  struct Case {
    std::string text;
    bool checked;
  };
  for (const Case& c : std::vector<Case>{
           // "0520": C = (0 + 2 x 2 + 5 x 3 + 0 x 4) mod 11 = 8; K over "05208" = 1
           {"052081", true},
           {"05208", true},  // C alone
           {"052082", false},
           {"052091", false},
           {"396820491-", true},  // K of value 10 written "-"
           {"87079451", true},
           // C alone protects at most ten data characters
           {"123456789012", false},
           {"1234567890"
            "1",
            true},
           {"1-", false},
       }) {
    const TBarCodeResult r = Decode(barcode::DecodeCode11, Runs(Code11(c.text)), {1, 15});
    EXPECT_EQ(r.Text, c.text);
    EXPECT_EQ(r.Checked, c.checked) << c.text;
    EXPECT_EQ(r.CodeType, bcCode11);
  }
}

TEST(Code11, FailureMessages) {
  struct Case {
    std::string elements;
    TLimits limits;
    std::string failure;
  };
  for (const Case& c : std::vector<Case>{
           // 3 characters need 6 x 3 + 11 = 29 elements: "123" has 29
           {Code11("123"), {3, 15}, ""},
           {Code11("12"), {3, 15}, "Bar: Bar number too low !"},
           {Code11("123"), {3, 2}, "Bar: Stop character not found in scan"},
           {"NNNNN" + Code11("123").substr(5), {3, 15}, "Bar: Start character not found in scan"},
           {Join({"NNWWN", "WWWNN", "WNNNW", "NNNNW", "NNWWN"}, true),
            {3, 15},
            "Bar: Bad character found in scan"},
       }) {
    EXPECT_EQ(Failure(barcode::DecodeCode11, Runs(c.elements), c.limits), c.failure) << c.elements;
  }
}

TEST(CodabarMsiCode11, ReadBlurredNoisyGreyScans) {
  struct Case {
    std::string elements;
    TBarCodeType type;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{{Codabar("A0123456789D"), bcCodaBar, "A0123456789D"},
                                         {MSI("70E29"), bcMSI, "70E29"},
                                         {Code11("8-4106"), bcCode11, "8-4106"}}) {
    for (const TScanLook& look : kScanLooks) {
      EXPECT_EQ(ScanReadings(Runs(c.elements), BarCodeBit(c.type), look),
                (TReadings{{c.type, c.text}}))
          << c.text << " " << look.Blur;
    }
  }
}

}  // namespace

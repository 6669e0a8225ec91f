#include <gtest/gtest.h>

#include "runs.h"
#include "scan.h"

namespace {

using barcode_test::Code39;
using barcode_test::Decode;
using barcode_test::Failure;
using barcode_test::Join;
using barcode_test::kScanLooks;
using barcode_test::Runs;
using barcode_test::ScanReadings;
using barcode_test::TLimits;
using barcode_test::TReadings;
using barcode_test::TScanLook;

constexpr TBarCodeTypes kCode39Only = BarCodeBit(bcCode39);

TEST(Code39, EveryCharacterOfTheSetDecodes) {
  const std::string all = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
  for (std::size_t i = 0; i < all.size(); i += 11) {
    const std::string text = all.substr(i, 11);
    const TBarCodeResult r =
        Decode(barcode::DecodeCode39, Runs(Code39(text)), {1, 15, kCode39Only});
    EXPECT_EQ(r.Text, text);
    EXPECT_EQ(r.CodeType, bcCode39);
    EXPECT_EQ(r.Rect, TRect{});
  }
}

TEST(Code39, LengthLimitsDecideBetweenStartAndStop) {
  const auto runs = Runs(Code39("ABC"));
  struct Case {
    int32_t min, max;
    std::string failure;
  };
  for (const Case& c : std::vector<Case>{
           {3, 3, ""},
           {1, 15, ""},
           {3, 2, "Bar: Stop character not found in scan"},
           {1, 2, "Bar: Stop character not found in scan"},
           {4, 15, "Bar: Start character not found in scan"},
       }) {
    EXPECT_EQ(Failure(barcode::DecodeCode39, runs, {c.min, c.max, kCode39Only}), c.failure)
        << c.min << ".." << c.max;
  }
  EXPECT_EQ(Decode(barcode::DecodeCode39, runs, {3, 3, kCode39Only}).Text, "ABC");
}

TEST(Code39, ACandidateOpeningWithASpaceIsReadFromItsSecondElement) {
  std::vector<int32_t> runs = Runs(Code39("ABC"));
  runs.insert(runs.begin(), -3);
  EXPECT_EQ(Decode(barcode::DecodeCode39, runs, {1, 15, kCode39Only}).Text, "ABC");
}

TEST(Code39, FailureMessages) {
  const auto bad = [] {
    std::string e = Code39("AB");
    e.replace(10, 9, "WWWWNNNNN");  // not a character
    return Runs(e);
  }();
  struct Case {
    std::vector<int32_t> runs;
    std::string failure;
  };
  for (const Case& c : std::vector<Case>{
           {{}, "Bar: Troppo corto 2"},
           {{4}, "Bar: Troppo corto 2"},
           {{-4, 2}, "Bar: Troppo corto 2"},
           {Runs(Code39("AB")), ""},
           {bad, "Bar: Bad character found in scan"},
           {{2, 5, -2}, "Exception: Invalid alternate sequence..."},
           {Runs("NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN"), "Bar: Start character not found in scan"},
       }) {
    EXPECT_EQ(Failure(barcode::DecodeCode39, c.runs, {1, 15, kCode39Only}), c.failure);
  }
}

TEST(Code39, Modulo43CheckAndItsRemoval) {
  struct Case {
    std::string symbol;
    bool verify;
    std::string text;
    bool checked;
  };
  for (const Case& c : std::vector<Case>{
           // "A" (10) followed by its own check character "A"
           {"AA", false, "AA", true},
           {"AA", true, "A", true},
           {"AB", true, "AB", false},
           // one character checks itself only when its value is 0
           {"0", false, "0", true},
           {"*", false, "*", true},
           {"1", false, "1", false},
           // 1 + 2 + 3 = 6 -> "6"; "%" (42) + 1 = 43 -> "0"
           {"1236", true, "123", true},
           {"%10", false, "%10", true},
       }) {
    const TBarCodeResult r =
        Decode(barcode::DecodeCode39, Runs(Code39(c.symbol)), {1, 15, kCode39Only, c.verify});
    EXPECT_EQ(r.Text, c.text) << c.symbol;
    EXPECT_EQ(r.Checked, c.checked) << c.symbol;
  }
}

TEST(Code39, ReadsBlurredNoisyGreyScans) {
  for (const TScanLook& look : kScanLooks) {
    EXPECT_EQ(ScanReadings(Runs(Code39("SCAN-39")), kCode39Only, look),
              (TReadings{{bcCode39, "SCAN-39"}}))
        << look.Blur;
  }
}

TEST(Code39, TextsLongerThan255CharactersAreCut) {
  const std::string text(300, 'X');
  const TBarCodeResult r = Decode(barcode::DecodeCode39, Runs(Code39(text)), {1, 400, kCode39Only});
  EXPECT_EQ(r.Text, std::string(255, 'X'));
}

TEST(PharmaCode, Base32ValueWithItsCheckDigit) {
  struct Case {
    std::string text;
    std::optional<int64_t> value;
  };
  for (const Case& c : std::vector<Case>{
           {"Q2BD5C", 740634795},
           {"58CXDM", 176551315},
           {"9lx9f9", 321824169},  // upper-cased first
           // 1 padded to 000000001: the check digit would be 0
           {"0000001", std::nullopt},
           // "A" and "E" are no pharmacode digits
           {"Q2BD5A", std::nullopt},
           {"E", std::nullopt},
           // above 2147483647, however the 64-bit sum would wrap
           {"1ZZZZZZ", std::nullopt},
           {std::string(20, 'Z'), std::nullopt},
           {std::string(13, 'Z') + "0000000", std::nullopt},
       }) {
    EXPECT_EQ(barcode::PharmaCodeValue(c.text), c.value) << c.text;
  }
}

TEST(PharmaCode, ReadingDependsOnTheEnabledTypes) {
  const TBarCodeTypes pharma = BarCodeBit(bcPharmaCode);
  struct Case {
    std::string symbol;
    TBarCodeTypes types;
    std::string text;
    TBarCodeType type;
    bool checked;
  };
  for (const Case& c : std::vector<Case>{
           {"Q2BD5C", pharma, "740634795", bcPharmaCode, true},
           {"Q2BD5C", pharma | kCode39Only, "740634795", bcPharmaCode, true},
           {"Q2BD5C", kCode39Only, "Q2BD5C", bcCode39, false},
           // not a pharmacode: no text with the pharmaceutical reading alone
           {"ABC", pharma, "", bcCode39, false},
           {"ABC", pharma | kCode39Only, "ABC", bcCode39, false},
       }) {
    const TBarCodeResult r =
        Decode(barcode::DecodeCode39, Runs(Code39(c.symbol)), {1, 15, c.types});
    EXPECT_EQ(r.Text, c.text) << c.symbol;
    EXPECT_EQ(r.CodeType, c.type) << c.symbol;
    EXPECT_EQ(r.Checked, c.checked) << c.symbol;
  }
}

TEST(PharmaCode, ReadsTheTextLeftAfterTheCheckCharacterIsRemoved) {
  // "Q2BD5C" plus its modulo 43 check character: stripped, then a pharmacode.
  const std::string set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
  int sum = 0;
  for (char c : std::string("Q2BD5C")) sum += static_cast<int>(set.find(c));
  const std::string symbol = "Q2BD5C" + std::string(1, set[sum % 43]);
  const TBarCodeResult r = Decode(barcode::DecodeCode39, Runs(Code39(symbol)),
                                  {1, 15, BarCodeBit(bcPharmaCode) | kCode39Only, true});
  EXPECT_EQ(r.Text, "740634795");
  EXPECT_EQ(r.CodeType, bcPharmaCode);
}

}  // namespace

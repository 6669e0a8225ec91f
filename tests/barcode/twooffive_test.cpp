#include <gtest/gtest.h>

#include "runs.h"
#include "scan.h"
#include "symbols.h"

namespace {

using barcode_test::Decode;
using barcode_test::Digit;
using barcode_test::Failure;
using barcode_test::Interleaved;
using barcode_test::Join;
using barcode_test::kScanLooks;
using barcode_test::Runs;
using barcode_test::ScanReadings;
using barcode_test::TLimits;
using barcode_test::TReadings;
using barcode_test::TScanLook;

// Bars only, each followed by a narrow space (the last by nothing).
std::string WithNarrowSpaces(const std::string& bars) {
  std::string e;
  for (std::size_t i = 0; i < bars.size(); ++i) {
    if (i > 0) e += 'N';
    e += bars[i];
  }
  return e;
}

std::string IATA(const std::string& digits) {
  std::vector<std::string> parts = {"NNN"};
  for (char d : digits) parts.push_back(WithNarrowSpaces(Digit(d)));
  parts.push_back("WNN");
  return Join(parts, true);
}

std::string Industrial(const std::string& digits) {
  std::string bars = "WWN";
  for (char d : digits) bars += Digit(d);
  return WithNarrowSpaces(bars + "WNW");
}

std::string Matrix(const std::string& digits) {
  std::vector<std::string> parts = {"WNNNN"};
  for (char d : digits) parts.push_back(Digit(d));
  parts.push_back("WNNNN");
  return Join(parts, true);
}

// Four narrow elements, digits each followed by a narrow space, then WNN.
std::string DataLogic(const std::string& digits) {
  std::vector<std::string> parts;
  for (char d : digits) parts.push_back(Digit(d));
  parts.push_back("WNN");
  return "NNNN" + Join(parts, true);
}

struct Variant {
  const char* name;
  barcode::TDecoder decoder;
  std::string (*encode)(const std::string&);
  TBarCodeType type;
};

const std::vector<Variant> kVariants = {
    {"interleaved", barcode::Decode2of5Interleaved, Interleaved, bc2of5Interlaved},
    {"IATA", barcode::Decode2of5IATA, IATA, bc2of5IATA},
    {"industrial", barcode::Decode2of5Industrial, Industrial, bc2of5Industrial},
    {"matrix", barcode::Decode2of5Matrix, Matrix, bc2of5Matrix},
    {"Data Logic", barcode::Decode2of5DataLogic, DataLogic, bc2of5DataLogic},
};

TEST(TwoOfFive, EveryVariantReadsItsDigitsAndTheirCheck) {
  struct Case {
    std::string digits;
    bool checked;
  };
  // x = 3 (1 + 3) + (2 + 4) = 18 needs the check digit 2; 3 (0 + 3) + 1 = 10
  // needs 0.
  const std::vector<Case> cases = {{"12342", true}, {"12340", false},      {"0130", true},
                                   {"310", true},   {"0123456789", false}, {"00", true}};
  for (const Variant& v : kVariants) {
    for (const Case& c : cases) {
      if (v.type == bc2of5Interlaved && c.digits.size() % 2 != 0) continue;
      for (const barcode_test::TWidths widths : {barcode_test::TWidths{2, 5}, {3, 9}, {1, 3}}) {
        const TBarCodeResult r = Decode(v.decoder, Runs(v.encode(c.digits), widths));
        EXPECT_EQ(r.Text, c.digits) << v.name;
        EXPECT_EQ(r.Checked, c.checked) << v.name << " " << c.digits;
        EXPECT_EQ(r.CodeType, v.type) << v.name;
      }
    }
  }
}

TEST(TwoOfFive, EveryVariantReadsBlurredNoisyGreyScans) {
  for (const Variant& v : kVariants) {
    for (const TScanLook& look : kScanLooks) {
      EXPECT_EQ(ScanReadings(Runs(v.encode("905172")), BarCodeBit(v.type), look),
                (TReadings{{v.type, "905172"}}))
          << v.name << " " << look.Blur;
    }
  }
}

TEST(TwoOfFive, LengthLimitsCountDigits) {
  for (const Variant& v : kVariants) {
    const auto runs = Runs(v.encode("1234"));
    EXPECT_EQ(Failure(v.decoder, runs, {4, 4}), "") << v.name;
    EXPECT_EQ(Failure(v.decoder, runs, {5, 9}), "Bar: Start character not found in scan") << v.name;
    // Interleaved may meet its stop inside the second pair, an odd count.
    EXPECT_NE(Failure(v.decoder, runs, {1, 3}), "") << v.name;
  }
  EXPECT_EQ(Failure(barcode::Decode2of5Matrix, Runs(Matrix("1234")), {1, 3}),
            "Bar: Stop character not found in scan");
}

TEST(TwoOfFive, FailureMessages) {
  for (const Variant& v : kVariants) {
    EXPECT_EQ(Failure(v.decoder, Runs("NNNNWNN")), "Bar: Start character not found in scan")
        << v.name;
    // Only four digits are allowed, and no stop follows them.
    std::string noStop = v.encode("1234");
    const std::size_t stop = v.type == bc2of5Industrial ? 5 : v.type == bc2of5Matrix ? 5 : 3;
    noStop.replace(noStop.size() - stop, stop, std::string(stop, 'N'));
    EXPECT_EQ(Failure(v.decoder, Runs(noStop), {4, 4}), "Bar: Stop character not found in scan")
        << v.name;
    EXPECT_EQ(Failure(v.decoder, {2, -2, 3, 3, -2, 2, -2, 2, -2}),
              "Exception: Invalid alternate sequence...")
        << v.name;
  }
  // a digit pattern with three wide elements
  std::string bad = Matrix("12");
  bad.replace(6, 5, "WWWNN");
  EXPECT_EQ(Failure(barcode::Decode2of5Matrix, Runs(bad)), "Bar: Bad character found in scan");
  bad = Interleaved("12");
  bad[4] = 'W';
  bad[6] = 'W';
  EXPECT_EQ(Failure(barcode::Decode2of5Interleaved, Runs(bad)), "Bar: Bad character found in scan");
}

TEST(TwoOfFive, InterleavedNeedsWholePairs) {
  // Start, a pair "12", then the five elements of a lone "3" (bars and spaces
  // alternating) before the stop: three digits between start and stop.
  std::string e = Interleaved("12");
  e.insert(e.size() - 3, Digit('3'));
  EXPECT_EQ(Failure(barcode::Decode2of5Interleaved, Runs(e)),
            "Bar: Character Synchronization Error in scan");
  // A single digit between start and stop.
  EXPECT_EQ(Failure(barcode::Decode2of5Interleaved, Runs("NNNN" + Digit('3') + "WNN")),
            "Bar: Character Synchronization Error in scan");
}

TEST(TwoOfFive, IndustrialIgnoresSpaceWidths) {
  std::vector<int32_t> runs = Runs(Industrial("905"));
  for (std::size_t i = 1; i < runs.size(); i += 2) runs[i] = -static_cast<int32_t>(1 + i % 7);
  EXPECT_EQ(Decode(barcode::Decode2of5Industrial, runs).Text, "905");
}

}  // namespace

#include "barcode/trustedcodes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runs.h"

namespace {

std::vector<std::string> TextsOf(const std::vector<TBarCodeResult>& codes) {
  std::vector<std::string> texts;
  for (const TBarCodeResult& code : codes) texts.push_back(code.Text);
  return texts;
}

TEST(TrustedCodes, EachPatchOfBarsKeepsItsBestClaim) {
  const TRect bars{100, 20, 400, 150};
  const TRect band{120, 140, 380, 200};   // the same symbol met in another band
  const TRect nextTo{400, 20, 600, 150};  // right edges are exclusive: no overlap
  const auto c = barcode_test::Reading;
  struct Case {
    const char* why;
    std::vector<TBarCodeResult> codes;
    std::vector<std::string> kept;
  };
  for (const Case& k : std::vector<Case>{
           {"a stricter symbology wins even over a looser one's check",
            {c(bc2of5Interlaved, "0850890817", false, bars), c(bc2of5IATA, "05801", true, band)},
            {"0850890817"}},
           {"and whatever the order",
            {c(bc2of5Matrix, "301", true, bars), c(bc2of5Interlaved, "4380406219", false, bars)},
            {"4380406219"}},
           {"equally strict: the verified one",
            {c(bc2of5DataLogic, "32663", false, bars), c(bcCode11, "123326638", true, bars)},
            {"123326638"}},
           {"equally strict and verified: the longer one",
            {c(bc2of5Matrix, "106683058", false, bars), c(bcCode11, "6683", false, bars)},
            {"106683058"}},
           {"nothing to tell them apart: both stay",
            {c(bcCode11, "4711", false, bars), c(bc2of5Matrix, "1234", false, band)},
            {"4711", "1234"}},
           {"one symbol read three ways",
            {c(bc2of5Interlaved, "8845642587", false, bars), c(bc2of5IATA, "84628", false, bars),
             c(bc2of5DataLogic, "330", false, band)},
            {"8845642587"}},
           {"codes side by side are separate symbols",
            {c(bcEAN13, "4006381333931", true, bars), c(bcEXT2, "12", true, nextTo)},
            {"4006381333931", "12"}},
           {"unverified Code 39 over its bars read as industrial 2 of 5",
            {c(bc2of5Industrial, "102", false, bars), c(bcCode39, "KTVY-0/D", false, bars)},
            {"KTVY-0/D"}},
           {"two codes of one symbology are left to the reader's own merging",
            {c(bcCode39, "ABC", false, bars), c(bcCode39, "ABCD", false, band)},
            {"ABC", "ABCD"}},
       }) {
    EXPECT_EQ(TextsOf(barcode::TrustedCodes(k.codes)), k.kept) << k.why;
  }
  EXPECT_TRUE(barcode::TrustedCodes({}).empty());
}

}  // namespace

// Run lists the sweep never makes (zero widths, the extreme values, bars
// next to bars), handed to every decoder: each refuses them with one of the
// reader's exceptions or reads them, and nothing overflows or reads out of
// bounds.
#include <gtest/gtest.h>

#include <climits>

#include "barcode/decoders.h"
#include "barcode/moduledecoders.h"

namespace {

constexpr barcode::TDecoder kDecoders[] = {
    barcode::DecodeEANUPC,        barcode::DecodeCode39,         barcode::Decode2of5Interleaved,
    barcode::Decode2of5IATA,      barcode::Decode2of5Industrial, barcode::Decode2of5Matrix,
    barcode::Decode2of5DataLogic, barcode::DecodeCodabar,        barcode::DecodeMSI,
    barcode::DecodeCode11,        barcode::DecodeCode128,        barcode::DecodeCode93,
};

std::vector<int32_t> Repeated(std::vector<int32_t> unit, std::size_t times) {
  std::vector<int32_t> runs;
  for (std::size_t i = 0; i < times; ++i) runs.insert(runs.end(), unit.begin(), unit.end());
  return runs;
}

// Alternating runs of 3 with one extreme space and one extreme bar, in each
// element count a module-based layout accepts.
std::vector<std::vector<int32_t>> ExtremesInEveryLayout() {
  std::vector<std::vector<int32_t>> lists;
  for (std::size_t n : {13, 19, 25, 31, 33, 43, 59}) {
    for (std::size_t at : {std::size_t{1}, n / 2, n - 2}) {
      std::vector<int32_t> runs = Repeated({3, -3}, n / 2 + 1);
      runs.resize(n);
      runs[at | 1] = INT32_MIN;
      runs[(at + 1) & ~std::size_t{1}] = INT32_MAX;
      lists.push_back(runs);
    }
  }
  return lists;
}

TEST(HostileRuns, EveryDecoderRefusesOrReadsWithoutHarm) {
  std::vector<std::vector<int32_t>> lists = ExtremesInEveryLayout();
  const std::vector<std::vector<int32_t>> others = {
      {},
      {INT32_MIN},
      Repeated({INT32_MAX, INT32_MIN}, 40),
      Repeated({3, INT32_MIN, 3, -3}, 20),
      Repeated({0, 0}, 40),
      Repeated({2, -2, 0, -5}, 30),
      Repeated({2, 2, -2}, 30),
      Repeated({1, -1}, 200),
  };
  lists.insert(lists.end(), others.begin(), others.end());
  for (const auto& runs : lists) {
    for (int32_t min : {1, 3, INT32_MAX}) {
      for (int32_t max : {1, 15, INT32_MAX}) {
        const barcode::TCandidate candidate{
            runs, 0, static_cast<int32_t>(runs.size()) - 1, min, max, 0x3FFFF, true};
        for (barcode::TDecoder decoder : kDecoders) {
          TBarCodeResult result;
          try {
            decoder(candidate, result);
            EXPECT_LE(result.Text.size(), TBarCodeResult::kMaxText);
          } catch (const platform::Exception&) {
          }
        }
      }
    }
  }
}

}  // namespace

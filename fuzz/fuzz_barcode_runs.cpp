// Arbitrary run lists, lengths and types fed straight to every symbology
// decoder. A decoder may refuse a candidate only with the reader's own
// exceptions; anything else (an index error, a sanitizer report) is a bug.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "barcode/decoders.h"
#include "barcode/moduledecoders.h"
#include "fuzz_input.h"

namespace {

constexpr barcode::TDecoder kDecoders[] = {
    barcode::DecodeEANUPC,        barcode::DecodeCode39,         barcode::Decode2of5Interleaved,
    barcode::Decode2of5IATA,      barcode::Decode2of5Industrial, barcode::Decode2of5Matrix,
    barcode::Decode2of5DataLogic, barcode::DecodeCodabar,        barcode::DecodeMSI,
    barcode::DecodeCode11,        barcode::DecodeCode128,        barcode::DecodeCode93,
};

void Run(barcode::TDecoder decoder, const barcode::TCandidate& candidate) {
  TBarCodeResult result;
  try {
    decoder(candidate, result);
  } catch (const platform::Exception&) {
    return;  // not this symbology (BarCodeException) or not alternating
  }
  if (result.Text.size() > TBarCodeResult::kMaxText) std::abort();
  if (!(result.Rect == TRect{})) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in{data, size};
  const std::uint8_t flags = in.Byte();
  barcode::TCandidate candidate;
  candidate.MinCodeLen = 1 + in.Byte() % 24;
  candidate.MaxCodeLen = 1 + in.Byte() % 32;  // may fall below the minimum
  candidate.CodeTypes = static_cast<TBarCodeTypes>(in.Byte()) << 16 |
                        static_cast<TBarCodeTypes>(in.Byte()) << 8 | in.Byte();
  candidate.VerifyCheckDigit = flags & 1;

  // Either well-formed alternating runs of 1 to 64 columns, or raw values.
  std::vector<int32_t> runs;
  bool bar = (flags & 2) == 0;
  while (in.size > 0 && runs.size() < 4096) {
    if (flags & 4) {
      runs.push_back(in.Int32());
    } else {
      const int32_t width = 1 + (in.Byte() & 63);
      runs.push_back(bar ? width : -width);
      bar = !bar;
    }
  }
  candidate.Runs = runs;
  const auto n = static_cast<int32_t>(runs.size());

  // The whole list, and a stretch of it as the sweep cuts them.
  candidate.Start = 0;
  candidate.End = n - 1;
  for (barcode::TDecoder decoder : kDecoders) Run(decoder, candidate);
  if (n > 2) {
    candidate.Start = 1 + (flags >> 3) % (n - 1);
    candidate.End = n - 2;
    for (barcode::TDecoder decoder : kDecoders) Run(decoder, candidate);
  }
  return 0;
}

// The symbology decoders the sweep dispatches to, one per family file:
//   code39.cpp     Code 39 and its pharmaceutical (Italian pharmacode) reading
//   twooffive.cpp  the five 2 of 5 variants
//   codabar.cpp    Codabar
//   msi.cpp        MSI
//   code11.cpp     Code 11
// Every decoder clears the record it is given, then either fills Text,
// Checked and CodeType and returns, or throws (BarCodeException for a
// candidate that is not its symbology). The record's rectangle is left zero:
// the sweep measures it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "barcode/barcodereader.h"

namespace barcode {

// One stretch of a band's run list between two quiet zones: runs Start ..
// End (both included). A bar run is its width in columns, a space run minus
// its width. The limits are the reader's normalised parameters.
struct TCandidate {
  std::span<const int32_t> Runs;
  int32_t Start = 0;
  int32_t End = -1;
  int32_t MinCodeLen = 1;
  int32_t MaxCodeLen = 1;
  TBarCodeTypes CodeTypes = 0;
  bool VerifyCheckDigit = false;
};

using TDecoder = void (*)(const TCandidate& candidate, TBarCodeResult& result);

void DecodeCode39(const TCandidate& candidate, TBarCodeResult& result);
void Decode2of5Interleaved(const TCandidate& candidate, TBarCodeResult& result);
void Decode2of5IATA(const TCandidate& candidate, TBarCodeResult& result);
void Decode2of5Industrial(const TCandidate& candidate, TBarCodeResult& result);
void Decode2of5Matrix(const TCandidate& candidate, TBarCodeResult& result);
void Decode2of5DataLogic(const TCandidate& candidate, TBarCodeResult& result);
void DecodeCodabar(const TCandidate& candidate, TBarCodeResult& result);
void DecodeMSI(const TCandidate& candidate, TBarCodeResult& result);
void DecodeCode11(const TCandidate& candidate, TBarCodeResult& result);

// The pharmaceutical value of a Code 39 text read in base 32, when the text
// is a valid pharmacode (its check digit holds); otherwise nothing.
std::optional<int64_t> PharmaCodeValue(const std::string& text);

}  // namespace barcode

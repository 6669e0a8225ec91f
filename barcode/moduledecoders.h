// The module-based decoders: EAN/UPC with the add-ons, Code 128 and Code 93.
// Same contract as the width-class decoders: the record is cleared, then
// filled, or BarCodeException is thrown for a candidate that does not decode.
#pragma once

#include "barcode/decoders.h"

namespace barcode {

// EAN-13, UPC-A, EAN-8, UPC-E and the 2- and 5-digit add-ons, by element count.
void DecodeEANUPC(const TCandidate& candidate, TBarCodeResult& result);
// Whether a candidate of this many elements has a layout among the types:
// DecodeEANUPC refuses every other one first.
bool EANUPCLayoutFits(int32_t elements, TBarCodeTypes types);
// Code 128 with its three code sets; Checked tells whether the check held.
void DecodeCode128(const TCandidate& candidate, TBarCodeResult& result);
// Code 93 with full ASCII; Checked tells whether both check characters held.
void DecodeCode93(const TCandidate& candidate, TBarCodeResult& result);

}  // namespace barcode

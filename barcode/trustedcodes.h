// Which of the reader's codes a report can stand behind.
//
// The reader offers every candidate to every enabled decoder, so the bars of
// one symbol can come back as two or three codes of different symbologies:
// an interleaved 2 of 5 also read from its bars alone as IATA 2 of 5, a
// Code 39 as industrial 2 of 5. At most one of them is the symbol. The
// reader keeps them all, as it should; a report for people picks the one
// claim it trusts most for each patch of bars.
//
//   const std::vector<TBarCodeResult> shown = barcode::TrustedCodes(codes);
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "barcode/barcodereader.h"

namespace barcode {

// How much of a symbol its symbology's decoding holds to account, from 0 to
// 3; see the table in trustedcodes.cpp.
int32_t Strictness(TBarCodeType type);

// Whether `a` is a better claim than `b` on the same bars: the stricter
// symbology, then a verified check over none, then the longer text (as the
// reader itself prefers among readings of one symbology).
bool Outranks(const TBarCodeResult& a, const TBarCodeResult& b);

// The codes in their order, less every code that a code of another
// symbology over an overlapping rectangle outranks.
std::vector<TBarCodeResult> TrustedCodes(std::span<const TBarCodeResult> codes);
// The same choice as the indices of the codes kept, in increasing order.
std::vector<std::size_t> TrustedIndices(std::span<const TBarCodeResult> codes);

}  // namespace barcode

// The trust order of readings that claim the same bars.
#include "barcode/trustedcodes.h"

#include <algorithm>
#include <array>

#include "barcode/sweep.h"

namespace barcode {
namespace {

// A decoding that checks more of what it reads is harder to satisfy by
// chance, so its reading of bars that another symbology also read is the
// one to believe, even over a check of the looser one: a modulo 10 check
// digit holds for one random reading in ten.
constexpr std::array<int32_t, kBarCodeTypeCount> kStrictness = {
    2,  // bc2of5Interlaved: bars and spaces each carry digits, no element skipped
    0,  // bc2of5IATA: the bars alone; the spaces are never looked at
    0,  // bc2of5Industrial: the bars alone
    1,  // bc2of5Matrix: 10 of the 32 five-element patterns, gaps skipped
    1,  // bc2of5DataLogic: the same
    2,  // bcCode39: 44 of the 512 nine-element patterns, framed by "*"
    2,  // bcPharmaCode: a Code 39 reading under its own check digit
    3,  // bcEAN13: every module measured, guard patterns and a check that must hold
    3,  // bcEAN8
    3,  // bcUPCA
    3,  // bcUPCE
    3,  // bcEXT2
    3,  // bcEXT5
    2,  // bcCodaBar: 20 of the 128 seven-element patterns, framed by A to D
    2,  // bcMSI: every bar and space paired one wide, one narrow
    1,  // bcCode11: 11 of the 32 five-element patterns, gaps skipped
    3,  // bcCode128: every module measured, fixed element count, check character
    3,  // bcCode93: the same, with two check characters
};

}  // namespace

int32_t Strictness(TBarCodeType type) {
  return type < kStrictness.size() ? kStrictness[type] : 0;
}

bool Outranks(const TBarCodeResult& a, const TBarCodeResult& b) {
  if (Strictness(a.CodeType) != Strictness(b.CodeType))
    return Strictness(a.CodeType) > Strictness(b.CodeType);
  if (a.Checked != b.Checked) return a.Checked;
  return a.Text.size() > b.Text.size();
}

std::vector<std::size_t> TrustedIndices(std::span<const TBarCodeResult> codes) {
  std::vector<std::size_t> trusted;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const TBarCodeResult& code = codes[i];
    const bool outranked =
        std::any_of(codes.begin(), codes.end(), [&](const TBarCodeResult& other) {
          return other.CodeType != code.CodeType && RectsIntersect(other.Rect, code.Rect) &&
                 Outranks(other, code);
        });
    if (!outranked) trusted.push_back(i);
  }
  return trusted;
}

std::vector<TBarCodeResult> TrustedCodes(std::span<const TBarCodeResult> codes) {
  std::vector<TBarCodeResult> trusted;
  for (const std::size_t i : TrustedIndices(codes)) trusted.push_back(codes[i]);
  return trusted;
}

}  // namespace barcode

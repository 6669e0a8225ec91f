// The module-count method shared by the EAN/UPC, Code 128 and Code 93
// decoders: every bar and space is measured in modules (1 to 4) against four
// reference widths of its own kind, and a character whose counts do not add
// up to its module total is corrected one module at a time where the
// measurement was least sure.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace barcode {

struct ModuleElement {
  int32_t Count = 0;    // modules, 1 to 4
  double Residual = 0;  // width minus the reference of Count, signed
};

// Expected widths of 1 to 4 modules, index 0 for one module.
using ModuleReferences = std::array<double, 4>;

// Module count of one element: the nearest reference, ties to the smaller count.
ModuleElement ClassifyModules(double width, const ModuleReferences& refs);

// Classifies elements first .. first + count - 1 of the run list (bars
// positive, spaces negative) with the references of their kind.
std::vector<ModuleElement> ClassifyRuns(std::span<const int32_t> runs, int32_t first, int32_t count,
                                        const ModuleReferences& bars,
                                        const ModuleReferences& spaces);

// Corrects the counts of one character of `size` elements starting at
// `first` to `total` modules; only its first four elements are changed.
// Throws BarCodeException(failureMessage) when no element can take the change.
void CorrectModuleSum(std::vector<ModuleElement>& elements, int32_t first, int32_t size,
                      int32_t total, const char* failureMessage);

// The counts of `size` elements from `first` written as digits ("211412").
std::string CountDigits(const std::vector<ModuleElement>& elements, int32_t first, int32_t size);

// Code 128 and Code 93 candidates hold a start, at least one character, a
// check character and the stop of seven elements: whether n elements do,
// and the check that throws when they do not.
bool SixElementCountFits(int32_t n);
void CheckSixElementCount(int32_t n);

// Width of element i of the candidate that begins at `start`.
inline double ElementWidth(std::span<const int32_t> runs, int32_t start, int32_t i) {
  const int32_t run = runs[static_cast<std::size_t>(start + i)];
  return run < 0 ? -static_cast<double>(run) : run;
}

// The value whose pattern of module counts equals `pattern`, or -1.
template <std::size_t N>
int32_t FindPattern(const std::array<std::string_view, N>& table, std::string_view pattern) {
  for (std::size_t v = 0; v < N; ++v) {
    if (table[v] == pattern) return static_cast<int32_t>(v);
  }
  return -1;
}

}  // namespace barcode

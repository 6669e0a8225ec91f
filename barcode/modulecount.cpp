#include "barcode/modulecount.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/exceptions.h"

namespace barcode {

ModuleElement ClassifyModules(double width, const ModuleReferences& refs) {
  ModuleElement e{1, width - refs[0]};
  for (int32_t k = 2; k <= 4; ++k) {
    const double residual = width - refs[k - 1];
    if (std::fabs(residual) < std::fabs(e.Residual)) e = ModuleElement{k, residual};
  }
  return e;
}

std::vector<ModuleElement> ClassifyRuns(std::span<const int32_t> runs, int32_t first, int32_t count,
                                        const ModuleReferences& bars,
                                        const ModuleReferences& spaces) {
  std::vector<ModuleElement> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int32_t i = first; i < first + count; ++i) {
    const int32_t run = runs[static_cast<std::size_t>(i)];
    out.push_back(ClassifyModules(std::abs(static_cast<double>(run)), run > 0 ? bars : spaces));
  }
  return out;
}

void CorrectModuleSum(std::vector<ModuleElement>& elements, int32_t first, int32_t size,
                      int32_t total, const char* failureMessage) {
  constexpr int32_t kAdjustable = 4;  // only the character's first four elements change
  const int32_t adjustable = std::min(size, kAdjustable);
  for (;;) {
    int32_t sum = 0;
    for (int32_t i = first; i < first + size; ++i) sum += elements[i].Count;
    if (sum == total) return;
    int32_t pick = -1;
    for (int32_t i = first; i < first + adjustable; ++i) {
      const ModuleElement& e = elements[i];
      if (sum < total) {
        // The widest measurement that still fell short gains a module.
        if (e.Count < 4 && e.Residual >= 0 && (pick < 0 || e.Residual >= elements[pick].Residual)) {
          pick = i;
        }
      } else if (e.Count > 1 && e.Residual <= 0 &&
                 (pick < 0 || -e.Residual >= -elements[pick].Residual)) {
        pick = i;  // the element measured furthest below its count loses one
      }
    }
    if (pick < 0) throw BarCodeException(failureMessage);
    elements[pick].Count += sum < total ? 1 : -1;
    elements[pick].Residual = 0;
  }
}

std::string CountDigits(const std::vector<ModuleElement>& elements, int32_t first, int32_t size) {
  std::string digits;
  for (int32_t i = first; i < first + size; ++i)
    digits += static_cast<char>('0' + elements[i].Count);
  return digits;
}

bool SixElementCountFits(int32_t n) {
  const int32_t c = n - 1;
  return c >= 18 && (c - 12) % 6 == 0;
}

void CheckSixElementCount(int32_t n) {
  if (!SixElementCountFits(n)) throw BarCodeException("Invalid number of bars/spaces !");
}

}  // namespace barcode

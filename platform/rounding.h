// Rounding as the whole system uses it. Results (resolutions in pixels per
// metre, confidences, zone sizes, zoom) depend on ties going to even, so
// std::round and std::lround (ties away from zero) must never be used.
#pragma once

#include <cmath>
#include <cstdint>

namespace platform {

// Nearest integer, halves to even (150 dpi * 39.37 = 5905.5 -> 5906, 2.5 -> 2).
inline int64_t Round64(double v) {
  return static_cast<int64_t>(std::nearbyint(v));
}
inline int32_t Round(double v) {
  return static_cast<int32_t>(std::nearbyint(v));
}

// Cut toward zero.
inline int64_t Trunc64(double v) {
  return static_cast<int64_t>(std::trunc(v));
}
inline int32_t Trunc(double v) {
  return static_cast<int32_t>(std::trunc(v));
}

}  // namespace platform

// The fuzz input read front to back as the fields a target builds from it;
// zeros once it runs out, so every input makes a complete case.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  // Four bytes, most significant first.
  int32_t Int32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return static_cast<int32_t>(v);
  }
};

}  // namespace fuzz

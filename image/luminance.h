// Grey level of a true-colour pixel where it is only compared or counted:
// Trunc(0.3 red + 0.59 green + 0.11 blue). One table of products per channel
// gives the same sums as computing the products per pixel. Internal to the
// image library.
#pragma once

#include <array>
#include <cstdint>

class TLuminance {
 public:
  // The pixel as stored in a 24-bit row: blue, green, red.
  static int32_t Trunc(const std::uint8_t* bgr) {
    const Tables& t = Get();
    return static_cast<int32_t>(t.red[bgr[2]] + t.green[bgr[1]] + t.blue[bgr[0]]);
  }

 private:
  struct Tables {
    std::array<double, 256> red{}, green{}, blue{};
    Tables() {
      for (int32_t i = 0; i < 256; ++i) {
        red[i] = 0.3 * i;
        green[i] = 0.59 * i;
        blue[i] = 0.11 * i;
      }
    }
  };
  static const Tables& Get() {
    static const Tables tables;
    return tables;
  }
};

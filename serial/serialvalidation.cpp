#include "serial/serialvalidation.h"

#include <array>

#include "serial/serialreader.h"

namespace {

constexpr std::array<std::string_view, 2> kDollarLayouts = {"LDDDDDDDDS", "LLDDDDDDDDS"};
constexpr std::array<std::string_view, 1> kEuroLayouts = {"LDDDDDDDDDDD"};
constexpr std::array<std::string_view, 1> kPoundLayouts = {"LDDDDDDDDD"};
// A euro serial's check value (letter value plus digit sum, reduced to one digit).
constexpr int32_t kEuroCheck = 8;

}  // namespace

std::span<const std::string_view> SerialLayouts(std::string_view currency) {
  if (currency == "USD") return kDollarLayouts;
  if (currency == "EUR") return kEuroLayouts;
  if (currency == "LBP") return kPoundLayouts;
  return {};
}

std::string_view SerialLayout(std::string_view currency, std::size_t length) {
  for (std::string_view layout : SerialLayouts(currency)) {
    if (layout.size() == length) return layout;
  }
  return {};
}

bool FitsPosition(char positionClass, char c) {
  const bool letter = c >= 'A' && c <= 'Z';
  switch (positionClass) {
    case kLetterPosition:
      return letter;
    case kDigitPosition:
      return c >= '0' && c <= '9';
    case kLetterOrStarPosition:
      return letter || c == '*';
    default:
      return false;
  }
}

bool IsValidSerial(std::string_view currency, std::string_view serial) {
  const std::string_view layout = SerialLayout(currency, serial.size());
  if (layout.empty()) return false;
  for (std::size_t i = 0; i < serial.size(); ++i) {
    if (!FitsPosition(layout[i], serial[i])) return false;
  }
  return currency != "EUR" || serial_detail::EuroCheckValue(serial) == kEuroCheck;
}

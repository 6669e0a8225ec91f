#include "serial/serialvalidation.h"

#include <array>

namespace {

constexpr std::string_view kOneLetterDollar = "LDDDDDDDDS";
constexpr std::string_view kTwoLetterDollar = "LLDDDDDDDDS";
constexpr std::string_view kFirstEuro = "LDDDDDDDDDDD";
constexpr std::string_view kEuropaEuro = "LLDDDDDDDDDD";
constexpr std::string_view kPound = "LDDDDDDDDD";

constexpr std::array<std::string_view, 2> kDollarLayouts = {kOneLetterDollar, kTwoLetterDollar};
constexpr std::array<std::string_view, 2> kEuroLayouts = {kFirstEuro, kEuropaEuro};
constexpr std::array<std::string_view, 1> kPoundLayouts = {kPound};

// Dollar notes print a one-letter prefix on $1 and $2 notes and on notes
// before the 1996 series, two letters since (the first for the series);
// the serial ends in a letter, or a star on a replacement note.
constexpr std::array<TSerialSeries, 2> kDollarSeries = {{
    {"USD", "", kOneLetterDollar},
    {"USD", "", kTwoLetterDollar},
}};
// The Europa series' back shows the whole serial at its top right and the
// last six digits again, turned a quarter, beside the map.
constexpr std::array<TSerialSeries, 2> kEuroSeries = {{
    {"EUR", "first", kFirstEuro},
    {"EUR", "europa", kEuropaEuro, 6},
}};
constexpr std::array<TSerialSeries, 1> kPoundSeries = {{{"LBP", "", kPound}}};

constexpr int32_t kEuroCheckModulus = 9;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::span<const TSerialSeries> SerialSeries(std::string_view currency) {
  if (currency == "USD") return kDollarSeries;
  if (currency == "EUR") return kEuroSeries;
  if (currency == "LBP") return kPoundSeries;
  return {};
}

std::span<const std::string_view> SerialLayouts(std::string_view currency) {
  if (currency == "USD") return kDollarLayouts;
  if (currency == "EUR") return kEuroLayouts;
  if (currency == "LBP") return kPoundLayouts;
  return {};
}

bool FitsPosition(char positionClass, char c) {
  const bool letter = c >= 'A' && c <= 'Z';
  switch (positionClass) {
    case kLetterPosition:
      return letter;
    case kDigitPosition:
      return IsDigit(c);
    case kLetterOrStarPosition:
      return letter || c == '*';
    default:
      return false;
  }
}

bool FitsLayout(std::string_view layout, std::string_view serial) {
  if (layout.size() != serial.size()) return false;
  for (std::size_t i = 0; i < serial.size(); ++i) {
    if (!FitsPosition(layout[i], serial[i])) return false;
  }
  return true;
}

bool PassesEuroCheck(std::string_view serial) {
  int32_t sum = 0;
  for (const char c : serial) sum += IsDigit(c) ? c - '0' : static_cast<unsigned char>(c);
  return sum % kEuroCheckModulus == 0;
}

const TSerialSeries* ValidSeries(std::string_view currency, std::string_view serial) {
  for (const TSerialSeries& series : SerialSeries(currency)) {
    if (FitsLayout(series.Layout, serial) && (currency != "EUR" || PassesEuroCheck(serial)))
      return &series;
  }
  return nullptr;
}

bool IsValidSerial(std::string_view currency, std::string_view serial) {
  return ValidSeries(currency, serial) != nullptr;
}

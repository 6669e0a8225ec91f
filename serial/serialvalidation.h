// What a valid banknote serial looks like, per currency. A serial a cash
// centre can file has no unreadable character, the currency's layout and,
// for euro notes, the check value 8:
//   USD  one or two capital letters, eight digits, a capital letter or "*"
//   EUR  one capital letter, eleven digits, check value 8
//   LBP  one capital letter, nine digits
#pragma once

#include <span>
#include <string_view>

// One class per position of a layout.
inline constexpr char kLetterPosition = 'L';        // a capital letter A to Z
inline constexpr char kDigitPosition = 'D';         // a digit 0 to 9
inline constexpr char kLetterOrStarPosition = 'S';  // a capital letter, or "*" on star notes

// The layouts of a currency's serials ("LDDDDDDDDS" for a ten-character
// dollar serial); none for a code other than "USD", "EUR" and "LBP".
std::span<const std::string_view> SerialLayouts(std::string_view currency);
// The layout of the currency that is `length` characters long, or empty.
std::string_view SerialLayout(std::string_view currency, std::size_t length);
// Whether `c` may stand at a position of class `positionClass`.
bool FitsPosition(char positionClass, char c);
// Whether `serial` is a complete, valid serial of the currency (upper-case code).
bool IsValidSerial(std::string_view currency, std::string_view serial);

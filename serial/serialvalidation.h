// What a valid banknote serial looks like, per currency and series. A serial
// a cash centre can file has no unreadable character, the layout of one of
// its currency's series and, for euro notes, the euro check:
//   USD  one or two capital letters, eight digits, a capital letter or "*"
//   EUR  the first series (2002): one capital letter and eleven digits;
//        the Europa series (since 2013): two capital letters and ten digits;
//        in both the letters' character codes and the digits add up to a
//        multiple of 9
//   LBP  one capital letter, nine digits
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

// One class per position of a layout.
inline constexpr char kLetterPosition = 'L';        // a capital letter A to Z
inline constexpr char kDigitPosition = 'D';         // a digit 0 to 9
inline constexpr char kLetterOrStarPosition = 'S';  // a capital letter, or "*" on star notes

// A series of a currency's notes: its serial's layout and where the note
// carries the serial's two copies.
struct TSerialSeries {
  std::string_view Currency;
  // "first", "europa"; empty where the serial does not tell the currency's
  // series apart.
  std::string_view Name;
  std::string_view Layout;  // "LDDDDDDDDS": one position class a character
  // The left copy shows only the serial's last this many characters, printed
  // across the note (turned a quarter, read from bottom to top); 0: the left
  // copy is the whole serial, printed along the note like the right one.
  std::size_t ShortLeftCopy = 0;
};

// The series of a currency (upper-case code); none for a code other than
// "USD", "EUR" and "LBP".
std::span<const TSerialSeries> SerialSeries(std::string_view currency);
// The layouts of a currency's serials ("LDDDDDDDDS" for a ten-character
// dollar serial); none for a code other than "USD", "EUR" and "LBP".
std::span<const std::string_view> SerialLayouts(std::string_view currency);
// Whether `c` may stand at a position of class `positionClass`.
bool FitsPosition(char positionClass, char c);
// Whether `serial` fits `layout` character by character.
bool FitsLayout(std::string_view layout, std::string_view serial);
// The euro check: the character codes of the letters and the values of the
// digits add up to a multiple of 9.
bool PassesEuroCheck(std::string_view serial);
// The series of the currency that `serial` is a complete, valid serial of,
// or none.
const TSerialSeries* ValidSeries(std::string_view currency, std::string_view serial);
// Whether `serial` is a complete, valid serial of the currency (upper-case code).
bool IsValidSerial(std::string_view currency, std::string_view serial);

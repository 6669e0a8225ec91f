// Conversion between 16-bit characters and the system's 8-bit code page
// (Windows-1252), and from that code page to UTF-8 at the program's edges.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// One 16-bit character to Windows-1252; U+0080..U+009F keep their byte, other
// characters outside the code page give '?'.
char WideCharToAnsi(char16_t c);
std::string WideToAnsi(std::u16string_view s);

// Windows-1252 to 16-bit characters (the five undefined bytes map to themselves).
char16_t AnsiCharToWide(char c);
std::u16string AnsiToWide(std::string_view s);

// Windows-1252 bytes to UTF-8, for printing.
std::string AnsiToUtf8(std::string_view s);
// 16-bit characters to UTF-8 (surrogate pairs joined; lone surrogates give U+FFFD).
std::string WideToUtf8(std::u16string_view s);

}  // namespace platform

#include "platform/codepage.h"

#include <array>
#include <cstdint>

namespace platform {
namespace {

// Bytes 0x80..0x9F of Windows-1252; the undefined bytes map to themselves.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

char WideCharToAnsi(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  }
  // The C1 controls keep their byte, as the system's conversion does: the
  // classifier reads the euro-shaped glyph as code 0x80, which must come out
  // as the euro sign's byte and not as '?'.
  if (c >= 0x80 && c <= 0x9F) return static_cast<char>(c);
  return '?';
}

std::string WideToAnsi(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char16_t c : s) out += WideCharToAnsi(c);
  return out;
}

char16_t AnsiCharToWide(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
  return static_cast<char16_t>(b);
}

std::u16string AnsiToWide(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (char c : s) out += AnsiCharToWide(c);
  return out;
}

std::string AnsiToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) AppendUtf8(out, AnsiCharToWide(c));
  return out;
}

std::string WideToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace platform

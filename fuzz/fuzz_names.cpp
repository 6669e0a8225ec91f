// File names as a folder may hold them, any bytes: the JSON string of a name
// and its field of a text line both give every byte back, and the text field
// holds no control character that could break its line or its columns.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "platform/codepage.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<uint32_t> Hex(std::string_view s, std::size_t at, std::size_t digits) {
  if (at + digits > s.size()) return std::nullopt;
  uint32_t v = 0;
  for (std::size_t k = 0; k < digits; ++k) {
    const int d = HexValue(s[at + k]);
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  return v;
}

// The bytes a JSON string stands for, a lone U+DC80..U+DCFF standing for one
// byte; nothing when the text is not such a string.
std::optional<std::string> DecodeJsonName(std::string_view s) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i + 1 < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == '"') return std::nullopt;
    if (c != '\\') {
      out += s[i++];
      continue;
    }
    if (i + 2 >= s.size()) return std::nullopt;
    const char e = s[i + 1];
    i += 2;
    switch (e) {
      case '"':
        out += '"';
        continue;
      case '\\':
        out += '\\';
        continue;
      case '/':
        out += '/';
        continue;
      case 'b':
        out += '\b';
        continue;
      case 'f':
        out += '\f';
        continue;
      case 'n':
        out += '\n';
        continue;
      case 'r':
        out += '\r';
        continue;
      case 't':
        out += '\t';
        continue;
      case 'u':
        break;
      default:
        return std::nullopt;
    }
    const std::optional<uint32_t> u = Hex(s, i, 4);
    if (!u) return std::nullopt;
    i += 4;
    if (*u >= 0xDC80 && *u <= 0xDCFF) {
      out += static_cast<char>(*u - 0xDC00);
    } else if (*u >= 0xD800 && *u <= 0xDFFF) {
      return std::nullopt;  // the names never need a surrogate pair: UTF-8 stays as it is
    } else {
      // A code point below U+D800 or above U+DFFF: one 16-bit character.
      out += platform::WideToUtf8(std::u16string(1, static_cast<char16_t>(*u)));
    }
  }
  return out;
}

// The bytes a text field stands for.
std::optional<std::string> DecodePlainField(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) return std::nullopt;
    if (c != '\\') {
      out += s[i++];
      continue;
    }
    if (i + 1 >= s.size()) return std::nullopt;
    const char e = s[i + 1];
    i += 2;
    if (e == '\\') {
      out += '\\';
    } else if (e == 't') {
      out += '\t';
    } else if (e == 'n') {
      out += '\n';
    } else if (e == 'r') {
      out += '\r';
    } else if (e == 'x') {
      const std::optional<uint32_t> b = Hex(s, i, 2);
      if (!b) return std::nullopt;
      out += static_cast<char>(*b);
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  if (DecodeJsonName(cli::JsonName(name)) != name) __builtin_trap();
  if (DecodePlainField(cli::PlainField(name)) != name) __builtin_trap();
  return 0;
}

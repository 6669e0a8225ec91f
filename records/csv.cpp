#include "records/csv.h"

#include <algorithm>
#include <cctype>

#include "records/watchlist.h"

namespace records {
namespace {

std::string_view Trimmed(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool IsHeading(std::span<const std::string> fields) {
  std::string joined;
  for (const std::string& f : fields) {
    if (!joined.empty()) joined += ',';
    joined += Trimmed(f);
  }
  std::transform(joined.begin(), joined.end(), joined.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return joined == kWatchCsvHeading;
}

}  // namespace

std::vector<std::string> ParseCsvLine(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  const std::size_t n = line.size();
  for (;;) {
    std::string field;
    if (i < n && line[i] == '"') {
      for (++i;; ++i) {
        if (i >= n) throw ECsvError("a quoted field does not end on its line");
        if (line[i] != '"') {
          field += line[i];
        } else if (i + 1 < n && line[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      if (i < n && line[i] != ',') throw ECsvError("text after a quoted field's closing quote");
    } else {
      const std::size_t end = std::min(line.find(',', i), n);
      field = line.substr(i, end - i);
      if (field.find('"') != std::string::npos)
        throw ECsvError("a quote in a field that is not quoted");
      i = end;
    }
    fields.push_back(std::move(field));
    if (i >= n) return fields;
    ++i;  // the comma
  }
}

std::string CsvLine(std::span<const std::string> fields) {
  std::string line;
  for (std::size_t f = 0; f < fields.size(); ++f) {
    if (f > 0) line += ',';
    const std::string& field = fields[f];
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
      line += field;
      continue;
    }
    line += '"';
    for (char c : field) line += c == '"' ? std::string("\"\"") : std::string(1, c);
    line += '"';
  }
  return line;
}

std::vector<TWatchEntry> ParseWatchCsv(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<TWatchEntry> entries;
  bool first = true;
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (Trimmed(line).empty()) continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    try {
      if (!IsUtf8(line)) throw ECsvError("not UTF-8 text (save the file as CSV in UTF-8)");
      const std::vector<std::string> fields = ParseCsvLine(line);
      const bool heading = first && IsHeading(fields);
      first = false;
      if (heading) continue;
      if (fields.size() != 3)
        throw ECsvError("3 fields (" + std::string(kWatchCsvHeading) + ") expected, found " +
                        std::to_string(fields.size()));
      entries.push_back(MakeWatchEntry(Trimmed(fields[0]), Trimmed(fields[1]), fields[2]));
    } catch (const platform::Exception& e) {
      throw ECsvError(where + e.what());
    }
  }
  return entries;
}

bool IsUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    std::size_t length;
    uint32_t min, code;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      length = 2, min = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, min = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, min = 0x10000, code = c & 0x07;
    } else {
      return false;
    }
    if (i + length > n) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      code = (code << 6) | (s[i + k] & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and code points beyond Unicode.
    if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

}  // namespace records

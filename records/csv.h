// Comma-separated values (RFC 4180) for watch list files and the tool's
// --csv output: fields split at commas; a field in double quotes may hold
// commas and doubled quotes. One record per line: a quoted field does not
// run over a line end.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exceptions.h"
#include "records/recordstore.h"

namespace records {

class ECsvError : public platform::Exception {
 public:
  using Exception::Exception;
};

// The fields of one line (without its line end). Throws ECsvError.
std::vector<std::string> ParseCsvLine(std::string_view line);
// One line of fields, each quoted when it needs to be, without a line end.
std::string CsvLine(std::span<const std::string> fields);

// The heading of a watch list file, and the fields of each of its lines.
inline constexpr std::string_view kWatchCsvHeading = "currency,pattern,reason";
// A watch list file: UTF-8 text (a byte order mark is skipped), one entry a
// line as "currency,pattern,reason", an optional heading first, blank lines
// skipped. Throws ECsvError "line N: what is wrong" for the first bad line.
std::vector<TWatchEntry> ParseWatchCsv(std::string_view text);

// Whether `text` is well-formed UTF-8.
bool IsUtf8(std::string_view text);

}  // namespace records

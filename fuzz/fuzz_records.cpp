// The text the records library takes from outside, as anyone may write it:
// watch list files (watch import), serial patterns (watch add, records
// --serial) and times (records --since). Nothing crashes; what is accepted
// keeps its normal form, and every accepted pattern matches its own ends.
#include <cstddef>
#include <cstdint>
#include <string>

#include "records/csv.h"
#include "records/timestamps.h"
#include "records/watchlist.h"
#include "records/watchpattern.h"

namespace {

void CheckPattern(std::string_view text, std::string_view currency) {
  records::TSerialPattern p;
  try {
    p = records::ParseSerialPattern(text, currency);
  } catch (const records::EPatternError&) {
    return;
  }
  if (records::ParseSerialPattern(p.Text(), currency).Text() != p.Text()) __builtin_trap();
  if (!p.Matches(p.Low()) || !p.Matches(p.High())) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const std::vector<records::TWatchEntry> entries = records::ParseWatchCsv(text);
    const records::TWatchList list(entries);
    for (const records::TWatchEntry& e : entries) {
      CheckPattern(e.Pattern, e.Currency);
      const records::TSerialPattern p = records::ParseSerialPattern(e.Pattern, e.Currency);
      if (p.Kind() == records::pkSerial && list.Match(e.Currency, e.Pattern) == nullptr)
        __builtin_trap();
    }
  } catch (const records::ECsvError&) {
  }
  for (const char* currency : {"USD", "EUR", "LBP", ""}) CheckPattern(text, currency);
  if (const std::optional<std::string> time = records::ParseRecordTime(text)) {
    // A time in the records' form reads back as itself (years of four digits).
    if (time->size() == 24 && records::ParseRecordTime(*time) != time) __builtin_trap();
  }
  return 0;
}

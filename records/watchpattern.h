// Serial patterns of watch lists and record queries:
//   an exact serial          "AB12345678C"
//   a range of serials       "AB12340000-AB12349999": both ends as long as
//                            each other, differing only in one run of digits;
//                            a serial matches when its first characters
//                            (as many as an end has) equal the ends outside
//                            that run and its digits there lie between theirs
//   a prefix                 "AB1234*": every serial that starts so
// A dollar star note's serial ends in "*" itself: a text that is a complete
// valid serial of the currency ("AB12345678*") is that exact serial, not a
// prefix. Letters may be given in any case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/exceptions.h"

namespace records {

// A pattern that cannot be one or cannot match its currency's serials, or a
// watch entry that is not valid.
class EPatternError : public platform::Exception {
 public:
  using Exception::Exception;
};

enum TPatternKind : std::uint8_t { pkSerial, pkRange, pkPrefix };

class TSerialPattern {
 public:
  TPatternKind Kind() const { return kind_; }
  // The normal form: upper case, "LOW-HIGH" for a range, "PREFIX*" for a prefix.
  std::string Text() const;
  // The exact serial, the prefix, or the range's low end.
  const std::string& Low() const { return low_; }
  const std::string& High() const { return high_; }
  // A range's run of digits that varies, [RunStart, RunEnd) of the ends.
  std::size_t RunStart() const { return runStart_; }
  std::size_t RunEnd() const { return runEnd_; }
  // The characters every match starts with.
  std::string_view FixedStart() const;

  bool Matches(std::string_view serial) const;

 private:
  friend TSerialPattern ParseSerialPattern(std::string_view, std::string_view);
  TPatternKind kind_ = pkSerial;
  std::string low_, high_;
  std::size_t runStart_ = 0, runEnd_ = 0;
};

// Reads a pattern for `currency` ("USD", "EUR", "LBP"), or for any of them
// when `currency` is empty. Throws EPatternError when the text is no pattern
// or no serial of the currency's layouts could match it.
TSerialPattern ParseSerialPattern(std::string_view text, std::string_view currency);

// The currencies a watch entry may name.
bool IsWatchCurrency(std::string_view currency);
// The code of a watch entry's currency given in any case ("usd" is "USD");
// throws EPatternError for another.
std::string WatchCurrencyCode(std::string_view text);

}  // namespace records

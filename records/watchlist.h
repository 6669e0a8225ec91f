// A watch list held in memory, so that every reading of a run is matched
// without asking the store: exact serials and prefixes are found by hashing,
// ranges by the characters before their varying digits and the length of
// that run, then by a binary search over their low ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "records/recordstore.h"
#include "records/watchpattern.h"

namespace records {

// A watch entry from what a user gave: the currency ("USD", "EUR" or "LBP",
// any case), the pattern in its normal form, and a reason of one line
// (surrounding blanks dropped). Throws EPatternError with what is wrong.
TWatchEntry MakeWatchEntry(std::string_view currency, std::string_view pattern,
                           std::string_view reason);

class TWatchList {
 public:
  TWatchList() = default;
  // Throws EPatternError for an entry whose pattern does not fit its currency
  // (a store changed by other means than this tool).
  explicit TWatchList(std::vector<TWatchEntry> entries);

  // The entry a serial of `currency` matches, the most specific one when
  // several do: an exact serial, else a range, else the longest prefix. Null
  // when none matches, and for a serial that is not valid for the currency.
  const TWatchEntry* Match(std::string_view currency, std::string_view serial) const;
  std::size_t Size() const { return entries_.size(); }

 private:
  struct TRangeItem {
    std::string LowRun, HighRun;  // the varying digits of the ends
    uint32_t Pattern;             // index in ranges_
    std::string MaxHighRun;       // the highest HighRun of this and every item before it
  };
  struct TRange {
    TSerialPattern Pattern;
    uint32_t Entry;
  };

  const TWatchEntry* MatchRange(std::string_view currency, std::string_view serial) const;

  std::vector<TWatchEntry> entries_;
  std::unordered_map<std::string, uint32_t> serials_, prefixes_;
  std::vector<TRange> ranges_;
  // Range items by currency, length of the varying run and the characters
  // before it; each bucket sorted by LowRun.
  std::unordered_map<std::string, std::vector<TRangeItem>> rangeBuckets_;
};

}  // namespace records

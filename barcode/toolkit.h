// The toolkit shared by the decoders of the two-width symbologies (Code 39,
// 2 of 5, Codabar, MSI, Code 11), whose bars and spaces are either narrow or
// wide:
//   WidthThresholds   narrow/wide limits of bars and of spaces, from a width
//                     histogram of the candidate
//   Classify          one class byte per element
//   PatternValue      a group of elements read as a binary number (wide = 1)
//   FindStart/Stop    the start and stop characters; the stop search also
//                     enforces the code length limits
//   KeepDrop, EveryOther, SplitByParity
//                     the data elements between start and stop
//   DecodeGroups      data elements to characters through a symbology table
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "barcode/decoders.h"

namespace barcode {

enum TElementClass : std::uint8_t {
  ecWideBar = 2,
  ecWideSpace = 3,
  ecNarrowBar = 4,
  ecNarrowSpace = 5,
};

// One class byte per element of a candidate (or of a list taken from it).
using TElements = std::vector<std::uint8_t>;

inline bool IsWide(std::uint8_t cls) {
  return cls == ecWideBar || cls == ecWideSpace;
}
inline bool IsSpaceClass(std::uint8_t cls) {
  return cls == ecWideSpace || cls == ecNarrowSpace;
}

// A character's element pattern, written first element first with W for wide
// and N for narrow, as a binary number with the first element most
// significant.
struct TPattern {
  std::uint16_t Value = 0;
  std::int32_t K = 0;  // number of elements

  constexpr explicit TPattern(std::string_view elements)
      : K(static_cast<int32_t>(elements.size())) {
    for (char c : elements) Value = static_cast<std::uint16_t>(Value * 2 + (c == 'W' ? 1 : 0));
  }
};

// True when `elements` is a well-formed pattern of k elements of which
// `wide` are W: lets the tables check themselves at compile time.
constexpr bool IsPattern(std::string_view elements, std::size_t k, int wide) {
  if (elements.size() != k) return false;
  int count = 0;
  for (char c : elements) {
    if (c != 'W' && c != 'N') return false;
    if (c == 'W') ++count;
  }
  return count == wide;
}

// A table row: the character a pattern stands for and, where a check
// character uses one, its check value.
struct TPatternRow {
  std::string_view Elements;
  char Char;
  std::uint8_t Check = 0;

  constexpr std::uint16_t Value() const { return TPattern(Elements).Value; }
};

// Compile-time checks of a symbology table: every row has k elements of
// which `wide` are wide, and no two rows share a pattern.
template <std::size_t N>
constexpr bool AllPatterns(const std::array<TPatternRow, N>& table, std::size_t k, int wide) {
  for (const TPatternRow& row : table) {
    if (!IsPattern(row.Elements, k, wide)) return false;
  }
  return true;
}
template <std::size_t N>
constexpr bool DistinctPatterns(const std::array<TPatternRow, N>& table) {
  for (std::size_t i = 0; i < N; ++i) {
    for (std::size_t j = i + 1; j < N; ++j) {
      if (table[i].Value() == table[j].Value()) return false;
    }
  }
  return true;
}

// How the characters of a symbology sit in the element list: the start or
// stop pattern, the elements of one character and the gap that follows it.
struct TFrame {
  TPattern Pattern;
  std::int32_t Width;  // w: elements of one data character
  std::int32_t Gap;    // g: elements between two characters
};

struct TWidthThresholds {
  std::int32_t Bar = 0;
  std::int32_t Space = 0;
};

// Narrow/wide limits from the widths of runs first .. last (bars and spaces
// apart). With a period p > 0 every element whose count from `first` plus one
// is a multiple of p is left out (the inter-character gaps of symbologies
// that have them at that period). Widths of 64 columns or more are ignored.
// Throws platform::Exception "Invalid alternate sequence..." when two
// neighbouring runs are both bars or both spaces.
TWidthThresholds WidthThresholds(std::span<const std::int32_t> runs, std::int32_t first,
                                 std::int32_t last, std::int32_t period);

// The classes of the candidate's elements Start .. End. A bar wider than the
// bar threshold is wide; a space wider than the space threshold is wide
// unless `spacesNarrow` forces every space narrow.
TElements Classify(const TCandidate& candidate, TWidthThresholds thresholds, bool spacesNarrow);

// The k elements from `at` read as a binary number, first most significant.
std::uint16_t PatternValue(const TElements& elements, std::int32_t at, std::int32_t k);

// The index of the first start pattern at or after `pos` that leaves room
// for `minLen` characters and a stop before element `last`; nothing when
// there is none. The data begin at the index + k + g.
std::optional<std::int32_t> FindStart(const TElements& elements, std::int32_t pos,
                                      std::int32_t last, const TFrame& frame, std::int32_t minLen);

struct TStop {
  std::int32_t At = 0;     // index of the stop pattern's first element
  std::int32_t Count = 0;  // characters between start and stop
};

// The stop pattern at the stride of the frame from the data position `d`:
// the longest count from maxLen down to minLen whose stop fits before `last`
// wins. Nothing when no count fits or minLen > maxLen.
std::optional<TStop> FindStop(const TElements& elements, std::int32_t d, std::int32_t last,
                              const TFrame& frame, std::int32_t minLen, std::int32_t maxLen);

// Elements d .. s keeping `keep` and dropping the one after them, repeatedly.
TElements KeepDrop(const TElements& elements, std::int32_t d, std::int32_t s, std::int32_t keep);
// Elements d, d + 2, d + 4, ... up to s.
TElements EveryOther(const TElements& elements, std::int32_t d, std::int32_t s);
// Elements d .. s at even offsets from d, and those at odd offsets.
std::pair<TElements, TElements> SplitByParity(const TElements& elements, std::int32_t d,
                                              std::int32_t s);

// The characters of consecutive groups of `w` elements (a shorter remainder
// is ignored); nothing when a group's pattern is not in the table.
std::optional<std::string> DecodeGroups(const TElements& elements, std::int32_t w,
                                        std::span<const TPatternRow> table);

// The row of a pattern value, or null.
const TPatternRow* FindRow(std::span<const TPatternRow> table, std::uint16_t value);

// Stores a decoded text, cut to the result's 255 characters.
void SetText(TBarCodeResult& result, std::string text);

// The messages every decoder family shares.
inline constexpr const char* kStartNotFound = "Start character not found in scan";
inline constexpr const char* kStopNotFound = "Stop character not found in scan";
inline constexpr const char* kBadCharacter = "Bad character found in scan";
inline constexpr const char* kBarNumberTooLow = "Bar number too low !";

}  // namespace barcode

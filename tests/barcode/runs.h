// Run lists for the decoder tests, written as element patterns: 'N' is a
// narrow element and 'W' a wide one, alternately bar and space starting with
// a bar (or a space). Symbols are joined from their characters with an
// optional narrow gap between them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "barcode/decoders.h"

namespace barcode_test {

struct TWidths {
  int32_t Narrow = 2;
  int32_t Wide = 5;
};

inline std::vector<int32_t> Runs(std::string_view elements, TWidths widths = {},
                                 bool firstIsBar = true) {
  std::vector<int32_t> runs;
  bool bar = firstIsBar;
  for (char c : elements) {
    const int32_t width = c == 'W' ? widths.Wide : widths.Narrow;
    runs.push_back(bar ? width : -width);
    bar = !bar;
  }
  return runs;
}

// The characters' patterns one after the other, with a narrow gap element
// between neighbours when `gap` is set.
inline std::string Join(const std::vector<std::string>& characters, bool gap) {
  std::string elements;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    if (i > 0 && gap) elements += 'N';
    elements += characters[i];
  }
  return elements;
}

// The reader's parameters for a decoder call over a whole run list.
struct TLimits {
  int32_t Min = 1;
  int32_t Max = 15;
  TBarCodeTypes Types = kDefaultCodeTypes;
  bool Verify = false;
};

inline TBarCodeResult Decode(barcode::TDecoder decoder, const std::vector<int32_t>& runs,
                             TLimits limits = {}) {
  barcode::TCandidate candidate{runs,         0,          static_cast<int32_t>(runs.size()) - 1,
                                limits.Min,   limits.Max, limits.Types,
                                limits.Verify};
  TBarCodeResult result;
  result.Text = "left over";  // a decoder must clear the record first
  decoder(candidate, result);
  return result;
}

// The message a decoder fails with, prefixed "Bar: " for a BarCodeException
// and "Exception: " for any other; empty when it decodes.
inline std::string Failure(barcode::TDecoder decoder, const std::vector<int32_t>& runs,
                           TLimits limits = {}) {
  try {
    Decode(decoder, runs, limits);
  } catch (const BarCodeException& e) {
    return std::string("Bar: ") + e.what();
  } catch (const platform::Exception& e) {
    return std::string("Exception: ") + e.what();
  }
  return "";
}

// A result record as the reader holds one.
inline TBarCodeResult Reading(TBarCodeType type, const char* text, bool checked, TRect rect) {
  TBarCodeResult r;
  r.CodeType = type;
  r.Text = text;
  r.Checked = checked;
  r.Rect = rect;
  return r;
}

// Code 39 characters built from the symbology's structure rather than from a
// table: five bars in one of the ten 2 of 5 arrangements, four spaces of
// which one is wide, the wide space's place naming the row of the character
// set. "$", "/", "+" and "%" have narrow bars and three wide spaces.
inline std::map<char, std::string> Code39Patterns() {
  const std::vector<std::string> bars = {"WNNNW", "NWNNW", "WWNNN", "NNWNW", "WNWNN",
                                         "NWWNN", "NNNWW", "WNNWN", "NWNWN", "NNWWN"};
  const std::vector<std::pair<std::string, int>> rows = {
      {"1234567890", 1}, {"ABCDEFGHIJ", 2}, {"KLMNOPQRST", 3}, {"UVWXYZ-. *", 0}};
  std::map<char, std::string> patterns;
  for (const auto& [chars, wideSpace] : rows) {
    for (std::size_t i = 0; i < chars.size(); ++i) {
      std::string p;
      for (int e = 0; e < 9; ++e) {
        p += e % 2 == 0 ? bars[i][e / 2] : (e / 2 == wideSpace ? 'W' : 'N');
      }
      patterns[chars[i]] = p;
    }
  }
  patterns['$'] = "NWNWNWNNN";
  patterns['/'] = "NWNWNNNWN";
  patterns['+'] = "NWNNNWNWN";
  patterns['%'] = "NNNWNWNWN";
  return patterns;
}

// "*" text "*" with narrow gaps.
inline std::string Code39(const std::string& text) {
  static const std::map<char, std::string> patterns = Code39Patterns();
  std::vector<std::string> chars = {patterns.at('*')};
  for (char c : text) chars.push_back(patterns.at(c));
  chars.push_back(patterns.at('*'));
  return Join(chars, true);
}

}  // namespace barcode_test

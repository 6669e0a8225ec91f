// The recognition settings a user picks (the desktop tool's area OCR dialog,
// the command line's `ocr` options) and how they map onto the engine's
// parameters. Both front ends come through here so that they read alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

class TOmnifontOCR;

// The content choices, in the dialog's order, and the characters each allows
// (empty: every character).
inline constexpr std::size_t kNumericContent = 0;
inline constexpr std::size_t kAlphanumericContent = 4;
inline constexpr std::array<std::u16string_view, 5> kContentAllowedChars = {
    u"0123456789,./",                                           // numeric
    u"0123456789ABCDEFGHIJKLMNOPQRSTUVXYZW,./",                 // uppercase letters
    u"0123456789abcdefghijklmnopqrstuvxyzw,./",                 // lowercase letters
    u"ABCDEFGHIJKLMNOPQRSTUVXYZWabcdefghijklmnopqrstuvxyzw,.",  // letters
    u"",                                                        // alphanumeric
};

// The largest spot a user may name; -1 lets the engine choose.
inline constexpr int32_t kMinSpotSize = -1;
inline constexpr int32_t kMaxSpotSize = 99;

// The engine's spot removal codes.
inline constexpr uint8_t kSpotsNone = 0;
inline constexpr uint8_t kSpotsSmart = 1;
inline constexpr uint8_t kSpotsAlways = 2;

// One set of choices; the defaults are the dialog's initial values.
struct TOcrSettings {
  int32_t Area = 3;  // 0 character, 1 word, 2 text line, 3 paragraph (4 page)
  std::size_t Content = kAlphanumericContent;
  uint8_t SpotRemoval = kSpotsAlways;
  int32_t MaxSpotSize = 8;
  bool SplitTouching = true;
  bool SimilarityCorrection = true;
  bool ContextCorrection = true;
};

// Sets the engine's parameters from the choices. Splitting, when chosen,
// runs at the engine's thorough level 2. A content index outside the table
// raises "Invalid OCR content".
void ApplyOcrSettings(const TOcrSettings& settings, TOmnifontOCR& engine);

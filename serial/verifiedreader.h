// The verified serial reading: what a cash centre can file. It runs the
// serial reader's passes (zone location and zone reading as they are), but
// keeps every zone's candidates per character instead of its text, never
// counts an invalid value, and stops only when every position of a valid
// serial is backed by independent evidence: readings at two different
// thresholds, or the pound barcode. Glyphs the recognisers leave unread or
// doubtful are read by the note's own templates (the serial is printed twice
// and its digits recur). When no valid serial comes out, the result says so
// instead of guessing. A pound note whose barcode reads turned by a quarter
// or half turn is read turned upright.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "image/dibunit.h"
#include "serial/serialreader.h"

struct TVerifiedSerial {
  std::string Serial;     // empty unless Valid
  double Confidence = 0;  // percent, two decimals: how strongly the sources agreed; 0 unless Valid
  bool Valid = false;
  std::string Currency;  // the code given, or the one detected for "AUTO"
  std::array<std::optional<TSerialZone>, 2> Zones;  // left, right
  int32_t Passes = 0;
};

// Reads `raster` for "USD", "EUR", "LBP" or "AUTO" (any case); the raster is
// not changed.
TVerifiedSerial ReadVerifiedSerial(const TDIB& raster, const std::string& currency);

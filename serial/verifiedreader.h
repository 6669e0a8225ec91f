// The verified serial reading: what a cash centre can file. It runs the
// serial reader's passes (zone location and zone reading as they are), but
// keeps every zone's candidates per character instead of its text, never
// counts an invalid value, and stops only when every position of a valid
// serial is backed by independent families of sources: the recognisers
// (over all passes), the glyph classifier, which judges pixels and so fails
// differently, and the pound barcode. Where two families disagree and
// nothing independent settles it, the position stays open and the note is
// not valid: never a guess. Glyphs the recognisers leave unread are read by
// the classifier when it is sure in both zones, or by the note's own
// templates (the serial is printed twice and its digits recur). The
// confidence estimates the probability that the serial is right. A pound
// note whose barcode reads turned by a quarter or half turn is read turned
// upright.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/dibunit.h"
#include "serial/serialreader.h"

// What the sources of a verified reading read at one position of the
// serial: each family's character (0 where it read nothing, or is not
// there) and the character verified there (0: the position stayed open).
// A position is disputed where two families read different characters: an
// operator sees there why a note was refused, or what settled it.
// How a position was verified: which families of sources agreed on it.
enum class TSerialBacking : std::uint8_t {
  Open,                      // not verified
  RecognisersAndClassifier,  // (and the barcode, where there is one)
  RecognisersAndBarcode,     // the classifier unsure
  ClassifierAndBarcode,      // the recognisers read nothing
  TwoAgainstOne,             // the three disagreed; two of them agreed
  ClassifierInBothZones,     // a glyph the recognisers left unread or split on
  CheckValue,                // an open euro digit, settled by the check value
};
inline constexpr std::size_t kSerialBackings = 7;

struct TSerialPosition {
  char Recognisers = 0;  // the OCR engine's recognisers, elected over all passes and views
  char Classifier = 0;   // the independent glyph classifier's best, over both zones
  float ClassifierProbability = 0;  // of that best, among the characters that fit
  char Barcode = 0;                 // the pound barcode
  char Verified = 0;
  TSerialBacking Backing = TSerialBacking::Open;
  bool Disputed = false;
};

struct TVerifiedSerial {
  std::string Serial;  // empty unless Valid
  // Percent, two decimals: the estimated probability that Serial is right,
  // from how its positions were verified; 0 unless Valid.
  double Confidence = 0;
  bool Valid = false;
  std::string Currency;  // the code given, or the one detected for "AUTO"
  // The series of a valid serial where the currency's serials tell their
  // series apart ("first" or "europa" for the euro), else empty.
  std::string Series;
  std::array<std::optional<TSerialZone>, 2> Zones;  // left, right
  int32_t Passes = 0;
  // Per position of the serial layout most zones had; empty when no zone
  // had the length of one of the currency's serials.
  std::vector<TSerialPosition> Positions;
};

// Reads `raster` for "USD", "EUR", "LBP" or "AUTO" (any case); the raster is
// not changed.
TVerifiedSerial ReadVerifiedSerial(const TDIB& raster, const std::string& currency);

// The evidence a verified serial reading gathers pass by pass, and how it
// elects a serial from it.
//
// Every zone a pass reads becomes an observation: its glyphs laid out by the
// currency's serial layout, each position with the candidates of the reading
// whose alphabet fits it (letters or digits), and the zone's pixels. An
// observation reads a position surely when its best candidate is clearly
// ahead of the next one. The election then
//   1. refutes sure readings that the glyph shapes contradict: within one
//      zone two glyphs read alike must look alike, and two glyphs that look
//      alike must not be read differently;
//   2. counts, per position, the independent sources behind each character:
//      a source is a threshold (each even pass binarises at its own; odd
//      passes all hand the grey note to the engine, so they are one source)
//      or the pound barcode. Both zones of one pass are one source: they
//      print the same glyphs, so they share their confusions;
//   3. verifies a position whose character has two sources or more and no
//      serious dissent;
//   4. reads unverified positions by the note's own templates: a glyph that
//      looks like the glyph of a verified position, and like no verified
//      glyph of another character, has that position's character;
//   5. completes a euro serial with one unverified digit from its check
//      value, when the digit is not one the note shows elsewhere.
// A serial is valid when every position is verified and it passes the
// currency's rules.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/dibunit.h"
#include "ocr/omnifontocr.h"
#include "serial/serialreader.h"

namespace serial_detail {

// Sources of evidence: the even passes each, the odd passes together, the barcode.
inline constexpr int32_t kBarcodeSource = -1;
int32_t EvidenceSource(int32_t pass);

// A zone crop as the engine saw it (8-bit grey, the engine's ink threshold),
// kept to compare and probe the zone's glyphs after the engine is gone.
class TGlyphSheet {
 public:
  TGlyphSheet(const TDIB& crop, int32_t threshold);
  // GlyphDistance of two glyphs of this sheet: 0 identical, 100 unrelated.
  int32_t Distance(const TCharRecord& a, const TCharRecord& b) const;
  const TDIB& Raster() const { return *engine_.Image; }
  uint8_t Threshold() const { return static_cast<uint8_t>(engine_.Threshold); }

 private:
  TOmnifontOCR engine_;  // only its raster and threshold are used
};

// One zone read in one pass, laid out by one of the currency's layouts.
struct TZoneObservation {
  int32_t Source = 0;
  std::string_view Layout;
  // Per position: the record of the reading whose alphabet fits the
  // position. Where that reading has no glyph in the place, the other
  // reading's record without candidates stands in (for its box).
  std::vector<TCharRecord> Glyphs;
  std::shared_ptr<const TGlyphSheet> Sheet;

  // The sheet's distance of the glyphs at two positions, measured once: the
  // election asks again after every pass.
  int32_t Distance(std::size_t i, std::size_t j) const;

 private:
  mutable std::vector<int16_t> distances_;  // -1 until measured
};

// The observation of a zone's readings, or none when neither reading has the
// length of one of the currency's layouts.
std::optional<TZoneObservation> ObserveZone(const TZoneReading& reading, std::string_view currency,
                                            int32_t source);

// The observation's sure reading of a position, or 0: the best candidate
// that fits the position, at least kSureConfidence and clearly ahead of the
// next fitting one. The digit recogniser proposes "1" for any narrow upright
// stroke it cannot place (broken 3, 4, 7 and 9 strokes, at 96 and below), so
// a "1" below kSureOneConfidence is passed over. On the corpus, the candidate
// behind such a "1" was right every time it reached kSureConfidence.
inline constexpr int32_t kSureConfidence = 80;
inline constexpr int32_t kSureOneConfidence = 97;
inline constexpr int32_t kSureLead = 5;
char SureRead(const TZoneObservation& observation, std::size_t position);

// Glyph distances (GlyphDistance) within one zone: below kSameShape two
// glyphs are one character printed twice; from kDifferentShape on they are
// different characters. Measured on the corpus: the same character stays
// under 25, different characters start at 20 (S against 5 in a bold sans)
// and are mostly above 30.
inline constexpr int32_t kSameShape = 15;
inline constexpr int32_t kDifferentShape = 30;

struct TSerialVerdict {
  std::string Reading;  // the elected characters, "~" where none was elected
  bool Valid = false;   // every position verified and the currency's rules hold
  double Confidence = 0;
};

class TSerialEvidence {
 public:
  explicit TSerialEvidence(std::string currency) : currency_(std::move(currency)) {}
  void AddZone(TZoneObservation observation);
  // A barcode text; only texts that are valid serials of the currency count.
  void AddBarcode(const std::string& text);
  TSerialVerdict Decide() const;
  // Whether some zone had the length of one of the currency's layouts.
  bool Observed() const { return !observations_.empty(); }

 private:
  std::string currency_;
  std::vector<TZoneObservation> observations_;
  std::vector<std::string> barcodes_;
};

}  // namespace serial_detail

// The evidence a verified serial reading gathers pass by pass, and how it
// elects a serial from it.
//
// Every zone a pass reads becomes an observation: its glyphs laid out by the
// currency's serial layout, each position with the candidates of the reading
// whose alphabet fits it (letters or digits), the independent classifier's
// judgement of the glyph, and the zone's pixels. An observation's
// recognisers read a position surely when their best candidate is clearly
// ahead of the next one. Three families of sources stand behind a position,
// each failing in its own way:
//   - the recognisers, over all passes and views: a glyph they misread they
//     misread alike at every threshold, so their sources (each even pass's
//     threshold, the odd passes together, each view) only elect their
//     character, and two zones of one pass are one source;
//   - the glyph classifier, which judges pixels, not strokes: its judgements
//     of every observation of a zone are averaged, per zone;
//   - the pound barcode.
// The election
//   1. refutes sure recogniser readings that the glyph shapes contradict:
//      within one zone two glyphs read alike must look alike, and two glyphs
//      that look alike must not be read differently;
//   2. elects the recognisers' character of each position: the one most of
//      their sources read, by a clear majority;
//   3. verifies a position where two families agree and none reads another
//      character; where two disagree, the third family settles it, and
//      nothing else does: the position stays open, and is one of the
//      reading's doubts;
//   4. lets the classifier fill a glyph the recognisers leave unread when it
//      is clearly sure of it in both zones;
//   5. reads unverified positions by the note's own templates (a glyph that
//      looks like the glyph of a verified position, and like no verified
//      glyph of another character, has that position's character), which
//      the classifier must then confirm;
//   6. settles a euro serial's open digits by its check value, when exactly
//      one choice among what the families read there passes it.
// A serial is valid when every position is verified and it passes the
// currency's rules.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "glyphmodel/glyphclassifier.h"
#include "image/dibunit.h"
#include "ocr/omnifontocr.h"
#include "serial/serialreader.h"
#include "serial/serialvalidation.h"
#include "serial/verifiedreader.h"

namespace serial_detail {

// The recognisers' sources: the even passes each, the odd passes together
// (and, from 100 on, the verified reading's views).
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

// How the election asks the classifier about a glyph of a sheet:
// JudgeByClassifier, or a stand-in in tests.
using TGlyphJudge = std::function<TGlyphJudgement(const TGlyphSheet&, const TCharRecord&)>;
TGlyphJudgement JudgeByClassifier(const TGlyphSheet& sheet, const TCharRecord& glyph);

// One zone read in one pass, laid out by one of the currency's layouts.
struct TZoneObservation {
  int32_t Source = 0;
  int32_t Side = 0;  // 0 the left zone, 1 the right one
  std::string_view Layout;
  // The serial position of the zone's first glyph: 0 for a copy of the
  // whole serial; a copy that shows only the serial's last characters
  // starts further on.
  std::size_t First = 0;
  // Per glyph of the zone, from position First on: the record of the
  // reading whose alphabet fits the position. Where that reading has no
  // glyph in the place, the other reading's record without candidates
  // stands in (for its box).
  std::vector<TCharRecord> Glyphs;
  // Per glyph, the record of the other reading (capital letters at a digit
  // position, digits at a letter position), or a stand-in without
  // candidates: what the glyph looks like to the recognisers of the other
  // kind.
  std::vector<TCharRecord> Others;
  std::shared_ptr<const TGlyphSheet> Sheet;
  // Per glyph, the classifier's judgement (made when the observation joins
  // the evidence).
  std::vector<TGlyphJudgement> Judgements;

  // Whether the zone shows serial position `position`, and its glyph there.
  bool Covers(std::size_t position) const {
    return position >= First && position - First < Glyphs.size();
  }
  const TCharRecord& Glyph(std::size_t position) const { return Glyphs[position - First]; }
  const TCharRecord& Other(std::size_t position) const { return Others[position - First]; }
  const TGlyphJudgement& Judgement(std::size_t position) const {
    return Judgements[position - First];
  }
  // The sheet's distance of the glyphs at two serial positions, measured
  // once: the election asks again after every pass.
  int32_t Distance(std::size_t i, std::size_t j) const;

 private:
  mutable std::vector<int16_t> distances_;  // -1 until measured
};

// The observations of a zone's readings, one per layout of the currency
// that has the length of the letter reading (or else of the digit
// reading); none when neither has a layout's length.
std::vector<TZoneObservation> ObserveZone(const TZoneReading& reading, std::string_view currency,
                                          int32_t source, int32_t side);
// The observation of a series' short left copy (the serial's last
// characters), or none when neither reading has its length.
std::optional<TZoneObservation> ObserveShortCopy(const TZoneReading& reading,
                                                 const TSerialSeries& series, int32_t source,
                                                 int32_t side);

// The observation's sure reading of a position, or 0: the best candidate
// that fits the position, at least kSureConfidence and clearly ahead of the
// next fitting one. The digit recogniser proposes "1" for any narrow upright
// stroke it cannot place (broken 3, 4, 7 and 9 strokes, at 96 and below), so
// a "1" below kSureOneConfidence is passed over. On the corpus, the candidate
// behind such a "1" was right every time it reached kSureConfidence.
inline constexpr int32_t kSureConfidence = 80;
inline constexpr int32_t kSureOneConfidence = 97;
inline constexpr int32_t kSureLead = 5;
// `position` is a serial position the observation covers.
char SureRead(const TZoneObservation& observation, std::size_t position);
// The sure reading of a record at a position of class `positionClass`.
char SureReadAs(const TCharRecord& record, char positionClass);

// Glyph distances (GlyphDistance) within one zone: below kSameShape two
// glyphs are one character printed twice; from kDifferentShape on they are
// different characters. Measured on the corpus: the same character stays
// under 25, different characters start at 20 (S against 5 in a bold sans)
// and are mostly above 30.
inline constexpr int32_t kSameShape = 15;
inline constexpr int32_t kDifferentShape = 30;

// Per backing, the share of positions so verified that were wrong, as
// measured on the corpus (bench/serial_confidence.cpp).
using TBackingErrorRates = std::array<double, kSerialBackings>;
extern const TBackingErrorRates kBackingErrorRates;
// The probability, in percent to two decimals, that a valid reading with
// these positions is right: every position right, independently.
double ReadingConfidence(const std::vector<TSerialPosition>& positions,
                         const TBackingErrorRates& rates);

struct TSerialVerdict {
  std::string Reading;  // the elected characters, "~" where none was elected
  bool Valid = false;   // every position verified and the currency's rules hold
  double Confidence = 0;
  std::vector<TSerialPosition> Positions;
  // The series elected in; none when no zone had a serial's length.
  const TSerialSeries* Series = nullptr;
  // Where the currency's series of this length differ in kind (letter or
  // digit), the glyphs look like this series' kinds.
  bool KindsHold = true;
};

class TSerialEvidence {
 public:
  explicit TSerialEvidence(std::string currency, TGlyphJudge judge = JudgeByClassifier)
      : currency_(std::move(currency)), judge_(std::move(judge)) {}
  // Judges the observation's glyphs and keeps it.
  void AddZone(TZoneObservation observation);
  // A barcode text; only texts that are valid serials of the currency count.
  void AddBarcode(const std::string& text);
  TSerialVerdict Decide() const;
  // Whether some zone had the length of one of the currency's layouts.
  bool Observed() const { return !observations_.empty(); }

 private:
  std::string currency_;
  TGlyphJudge judge_;
  std::vector<TZoneObservation> observations_;
  std::vector<std::string> barcodes_;
};

}  // namespace serial_detail

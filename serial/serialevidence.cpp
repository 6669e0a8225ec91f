#include "serial/serialevidence.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <set>

#include "ocr/glyphprobes.h"
#include "platform/rounding.h"
#include "serial/confusablepairs.h"
#include "serial/serialvalidation.h"

namespace serial_detail {
namespace {

constexpr char kUnread = '~';
// Zone readings of one pass are laid side by side by their boxes: a glyph of
// the other reading stands in the same place when both edges are this close
// (in pixels, or a quarter of the glyph's width when that is more).
constexpr int32_t kSamePlace = 2;
// A character needs this many independent sources, and this many times the
// sources of any other character read there, to be verified.
constexpr std::size_t kVerifyingSources = 2;
constexpr std::size_t kMajority = 3;
// The share a position's agreement counts with when one source alone, or
// the euro check value alone, stands behind it.
constexpr double kSingleSourceShare = 0.5;
constexpr int32_t kEuroCheck = 8;

bool SamePlace(const TCharRecord& a, const TCharRecord& b) {
  const int32_t tolerance = std::max(kSamePlace, (a.Right - a.Left + 1) / 4);
  return std::abs(a.Left - b.Left) <= tolerance && std::abs(a.Right - b.Right) <= tolerance;
}

// Letters and digits are told apart by the layout, never by shape: "S" and
// "5" of a bold sans look nearly alike.
bool SameKind(char positionClassA, char positionClassB) {
  return (positionClassA == kDigitPosition) == (positionClassB == kDigitPosition);
}

// The sources behind each character read at one position.
using TPositionTally = std::map<char, std::set<int32_t>>;

struct TElected {
  char Ch = 0;              // 0 when nothing was read there
  std::size_t Support = 0;  // sources behind Ch
  std::size_t Dissent = 0;  // sources behind the strongest other character
  std::size_t All = 0;      // sum over all characters
};

TElected Elect(const TPositionTally& tally) {
  TElected e;
  for (const auto& [ch, sources] : tally) {
    e.All += sources.size();
    if (sources.size() > e.Support) {
      e.Dissent = e.Support;
      e.Support = sources.size();
      e.Ch = ch;
    } else {
      e.Dissent = std::max(e.Dissent, sources.size());
    }
  }
  return e;
}

bool Verified(const TElected& e) {
  return e.Ch != 0 && e.Support >= kVerifyingSources && e.Support >= kMajority * e.Dissent;
}

// How strongly the sources agree on a position: the share of the elected
// character among all readings, halved when one source alone stands behind it.
double AgreementShare(const TElected& e) {
  if (e.All == 0) return 0;
  const double share = static_cast<double>(e.Support) / static_cast<double>(e.All);
  return e.Support >= kVerifyingSources ? share : share * kSingleSourceShare;
}

// One observation's readings of every position, as the election uses them.
struct TBallot {
  const TZoneObservation* Observation = nullptr;
  std::string Reads;  // per position a character or 0
};

// The euro digit at `position` that gives `serial` the check value 8, when
// there is exactly one.
std::optional<char> EuroCheckDigit(std::string serial, std::size_t position) {
  std::optional<char> found;
  for (char d = '0'; d <= '9'; ++d) {
    serial[position] = d;
    if (EuroCheckValue(serial) != kEuroCheck) continue;
    if (found) return std::nullopt;  // 0 and 9 give the same check value
    found = d;
  }
  return found;
}

class TElection {
 public:
  TElection(std::string_view currency, std::string_view layout,
            const std::vector<TZoneObservation>& observations,
            const std::vector<std::string>& barcodes)
      : currency_(currency), layout_(layout) {
    for (const TZoneObservation& o : observations) {
      if (o.Layout != layout) continue;
      TBallot b{&o, std::string(layout.size(), '\0')};
      for (std::size_t i = 0; i < layout.size(); ++i) {
        b.Reads[i] = SettleConfusablePair(*o.Sheet, o.Glyphs[i], SureRead(o, i));
      }
      ballots_.push_back(std::move(b));
    }
    for (const std::string& text : barcodes) {
      if (text.size() == layout.size()) barcodes_.push_back(text);
    }
  }

  TSerialVerdict Run() {
    for (TBallot& b : ballots_) RefuteByShape(b);
    Count();
    ReadByTemplates();
    AcceptBarcodeOnly();
    CompleteByEuroCheck();
    return Verdict();
  }

 private:
  int32_t Distance(const TBallot& b, std::size_t i, std::size_t j) const {
    return b.Observation->Distance(i, j);
  }

  // Drops the readings of a zone that its own glyph shapes contradict: two
  // glyphs read alike that look different, or read differently that look
  // alike. One of each pair is wrong, and the shapes do not say which.
  void RefuteByShape(TBallot& b) const {
    std::vector<bool> refuted(layout_.size(), false);
    for (std::size_t i = 0; i < layout_.size(); ++i) {
      for (std::size_t j = i + 1; j < layout_.size(); ++j) {
        if (b.Reads[i] == 0 || b.Reads[j] == 0 || !SameKind(layout_[i], layout_[j])) continue;
        const int32_t d = Distance(b, i, j);
        const bool contradicted = b.Reads[i] == b.Reads[j] ? d >= kDifferentShape : d < kSameShape;
        if (contradicted) refuted[i] = refuted[j] = true;
      }
    }
    for (std::size_t i = 0; i < layout_.size(); ++i) {
      if (refuted[i]) b.Reads[i] = 0;
    }
  }

  void Count() {
    tallies_.assign(layout_.size(), {});
    for (const TBallot& b : ballots_) {
      for (std::size_t i = 0; i < layout_.size(); ++i) {
        if (b.Reads[i] != 0) tallies_[i][b.Reads[i]].insert(b.Observation->Source);
      }
    }
    for (const std::string& text : barcodes_) {
      for (std::size_t i = 0; i < layout_.size(); ++i) tallies_[i][text[i]].insert(kBarcodeSource);
    }
    elected_.clear();
    for (const TPositionTally& t : tallies_) elected_.push_back(Elect(t));
    verified_.assign(layout_.size(), false);
    for (std::size_t i = 0; i < layout_.size(); ++i) verified_[i] = Verified(elected_[i]);
  }

  // The note's own templates: in every zone, an unverified glyph that looks
  // like the glyph of a verified position, and like no verified glyph of
  // another character, is read as that position's character.
  void ReadByTemplates() {
    bool added = false;
    for (TBallot& b : ballots_) {
      for (std::size_t i = 0; i < layout_.size(); ++i) {
        if (verified_[i] || b.Reads[i] != 0) continue;
        const char ch = TemplateRead(b, i);
        if (ch == 0) continue;
        tallies_[i][ch].insert(b.Observation->Source);
        added = true;
      }
    }
    if (!added) return;
    for (std::size_t i = 0; i < layout_.size(); ++i) {
      if (verified_[i]) continue;
      elected_[i] = Elect(tallies_[i]);
      verified_[i] = Verified(elected_[i]);
    }
  }

  char TemplateRead(const TBallot& b, std::size_t i) const {
    std::map<char, int32_t> nearest;  // per verified character, the closest glyph
    for (std::size_t j = 0; j < layout_.size(); ++j) {
      if (j == i || !verified_[j] || !SameKind(layout_[i], layout_[j])) continue;
      if (!FitsPosition(layout_[i], elected_[j].Ch)) continue;
      const int32_t d = Distance(b, i, j);
      auto [it, inserted] = nearest.emplace(elected_[j].Ch, d);
      if (!inserted) it->second = std::min(it->second, d);
    }
    char match = 0;
    for (const auto& [ch, d] : nearest) {
      if (d < kSameShape) {
        match = ch;
      } else if (d < kDifferentShape) {
        return 0;  // too close to another character to tell
      }
    }
    return match;
  }

  // A pound barcode that the engine confirms on most positions carries the
  // note's serial: where the engine reads nothing sure, its character
  // stands, unless the engine reads another one there.
  void AcceptBarcodeOnly() {
    if (barcodes_.empty()) return;
    const std::string& text = barcodes_.front();
    std::size_t confirmed = 0;
    for (std::size_t i = 0; i < layout_.size(); ++i) {
      if (verified_[i] && elected_[i].Ch == text[i]) ++confirmed;
    }
    if (2 * confirmed < layout_.size()) return;
    for (std::size_t i = 0; i < layout_.size(); ++i) {
      const TElected& e = elected_[i];
      if (!verified_[i] && e.Ch == text[i] && e.Support == 1 && e.Dissent == 0) {
        verified_[i] = true;
      }
    }
  }

  // One unverified euro digit follows from the check value, unless the
  // digit is one the note shows elsewhere (its glyph would then have
  // matched that template) or a source reads another digit there.
  void CompleteByEuroCheck() {
    if (currency_ != "EUR") return;
    const auto open = std::count(verified_.begin(), verified_.end(), false);
    if (open != 1) return;
    const std::size_t i = std::find(verified_.begin(), verified_.end(), false) - verified_.begin();
    if (layout_[i] != kDigitPosition) return;
    std::string serial;
    for (std::size_t j = 0; j < layout_.size(); ++j) serial += j == i ? '0' : elected_[j].Ch;
    const std::optional<char> d = EuroCheckDigit(serial, i);
    if (!d) return;
    for (std::size_t j = 0; j < layout_.size(); ++j) {
      if (j != i && elected_[j].Ch == *d) return;
    }
    for (const auto& [ch, sources] : tallies_[i]) {
      if (ch != *d) return;
    }
    elected_[i] = TElected{*d, 1, 0, 1};
    verified_[i] = true;
  }

  TSerialVerdict Verdict() const {
    TSerialVerdict v;
    double share = 1;
    for (std::size_t i = 0; i < layout_.size(); ++i) {
      v.Reading += verified_[i] ? elected_[i].Ch : kUnread;
      share = std::min(share, verified_[i] ? AgreementShare(elected_[i]) : 0.0);
    }
    v.Valid = std::all_of(verified_.begin(), verified_.end(), [](bool b) { return b; }) &&
              IsValidSerial(currency_, v.Reading);
    if (v.Valid) v.Confidence = platform::Round(share * 100 * 100) / 100.0;
    return v;
  }

  std::string_view currency_;
  std::string_view layout_;
  std::vector<TBallot> ballots_;
  std::vector<std::string> barcodes_;
  std::vector<TPositionTally> tallies_;
  std::vector<TElected> elected_;
  std::vector<bool> verified_;
};

}  // namespace

int32_t EvidenceSource(int32_t pass) {
  return pass % 2 == 1 ? 1 : pass;
}

TGlyphSheet::TGlyphSheet(const TDIB& crop, int32_t threshold) {
  engine_.Image = crop.Duplicate();
  engine_.Image->ConvertTo(df8Bit);
  engine_.Threshold = threshold;
}

int32_t TGlyphSheet::Distance(const TCharRecord& a, const TCharRecord& b) const {
  return GlyphDistance(engine_, a, b);
}

int32_t TZoneObservation::Distance(std::size_t i, std::size_t j) const {
  const std::size_t n = Glyphs.size();
  if (distances_.size() != n * n) distances_.assign(n * n, -1);
  const std::size_t first = std::min(i, j), second = std::max(i, j);
  int16_t& d = distances_[first * n + second];
  if (d < 0) d = static_cast<int16_t>(Sheet->Distance(Glyphs[first], Glyphs[second]));
  return d;
}

std::optional<TZoneObservation> ObserveZone(const TZoneReading& reading, std::string_view currency,
                                            int32_t source) {
  const std::vector<TCharRecord>* base = &reading.LetterGlyphs;
  std::string_view layout = SerialLayout(currency, base->size());
  if (layout.empty()) {
    base = &reading.DigitGlyphs;
    layout = SerialLayout(currency, base->size());
  }
  if (layout.empty()) return std::nullopt;
  TZoneObservation o;
  o.Source = source;
  o.Layout = layout;
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const TCharRecord& place = (*base)[i];
    const std::vector<TCharRecord>& fitting =
        layout[i] == kDigitPosition ? reading.DigitGlyphs : reading.LetterGlyphs;
    auto same = std::find_if(fitting.begin(), fitting.end(),
                             [&](const TCharRecord& r) { return SamePlace(r, place); });
    if (same != fitting.end()) {
      o.Glyphs.push_back(*same);
    } else {
      o.Glyphs.push_back(place);
      o.Glyphs.back().CandCount = 0;
      o.Glyphs.back().Ch = NoChar;
    }
  }
  o.Sheet = std::make_shared<TGlyphSheet>(*reading.Crop, reading.Threshold);
  return o;
}

char SureRead(const TZoneObservation& observation, std::size_t position) {
  const TCharRecord& r = observation.Glyphs[position];
  const char positionClass = observation.Layout[position];
  char best = 0;
  int32_t bestConf = 0;
  for (int32_t k = 0; k < r.CandCount; ++k) {
    const char16_t c = r.Cands[k];
    if (c > 0x7F || !FitsPosition(positionClass, static_cast<char>(c))) continue;
    // A doubtful "1" is the recogniser's guess for a stroke it could not
    // place, not a reading: the candidates behind it are weighed instead.
    if (c == u'1' && r.Confs[k] < kSureOneConfidence) continue;
    if (best != 0) return r.Confs[k] + kSureLead <= bestConf ? best : 0;
    best = static_cast<char>(c);
    bestConf = r.Confs[k];
    if (bestConf < kSureConfidence) return 0;
  }
  return best;
}

void TSerialEvidence::AddZone(TZoneObservation observation) {
  observations_.push_back(std::move(observation));
}

void TSerialEvidence::AddBarcode(const std::string& text) {
  if (IsValidSerial(currency_, text) &&
      std::find(barcodes_.begin(), barcodes_.end(), text) == barcodes_.end())
    barcodes_.push_back(text);
}

TSerialVerdict TSerialEvidence::Decide() const {
  // The layout most readings have.
  std::string_view layout;
  std::size_t most = 0;
  for (std::string_view candidate : SerialLayouts(currency_)) {
    std::size_t n = std::count_if(observations_.begin(), observations_.end(),
                                  [&](const TZoneObservation& o) { return o.Layout == candidate; });
    n += std::count_if(barcodes_.begin(), barcodes_.end(),
                       [&](const std::string& t) { return t.size() == candidate.size(); });
    if (n > most) {
      most = n;
      layout = candidate;
    }
  }
  if (layout.empty()) return {};
  return TElection(currency_, layout, observations_, barcodes_).Run();
}

}  // namespace serial_detail

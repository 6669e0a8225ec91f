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
// The recognisers elect a character when this many of their sources read it,
// and this many times the sources of any other character.
constexpr std::size_t kElectingSources = 1;
constexpr std::size_t kMajority = 3;
// The classifier reads a position when its judgement, averaged over the
// zones' observations, gives a character at least this probability among
// the characters that fit the position.
constexpr float kClassifierReads = 0.5f;
// It fills a glyph the recognisers leave unread, or picks between the
// characters they split on, only when it is this sure in each zone.
constexpr float kClassifierFills = 0.9f;
// The euro check value settles at most this many open digits at once.
constexpr std::size_t kCheckSettles = 2;

bool SamePlace(const TCharRecord& a, const TCharRecord& b) {
  const int32_t tolerance = std::max(kSamePlace, (a.Right - a.Left + 1) / 4);
  return std::abs(a.Left - b.Left) <= tolerance && std::abs(a.Right - b.Right) <= tolerance;
}

// Letters and digits are told apart by the layout, never by shape: "S" and
// "5" of a bold sans look nearly alike.
bool SameKind(char positionClassA, char positionClassB) {
  return (positionClassA == kDigitPosition) == (positionClassB == kDigitPosition);
}

// The characters of the serial alphabet that fit a position class.
std::string FittingCharacters(char positionClass) {
  std::string fitting;
  for (const char c : kGlyphAlphabet) {
    if (FitsPosition(positionClass, c)) fitting += c;
  }
  return fitting;
}

// The sources behind each character the recognisers read at one position.
using TPositionTally = std::map<char, std::set<int32_t>>;

struct TElected {
  char Ch = 0;              // 0 when nothing was read there
  std::size_t Support = 0;  // sources behind Ch
  std::size_t Dissent = 0;  // sources behind the strongest other character
};

TElected Elect(const TPositionTally& tally) {
  TElected e;
  for (const auto& [ch, sources] : tally) {
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

char ElectedCharacter(const TElected& e) {
  return e.Ch != 0 && e.Support >= kElectingSources && e.Support >= kMajority * e.Dissent ? e.Ch
                                                                                          : 0;
}

struct TPosition {
  TPositionTally Tally;  // the recognisers' sources per character
  TElected Recognisers;
  char Read = 0;  // the recognisers' character: elected by a clear majority
  std::array<TGlyphReading, 2> ClassifierSide{};  // per zone; Best 0 where not observed
  TGlyphReading Classifier;                       // over both zones
  // The share of the classifier's judgement, over both zones, that goes to
  // the digits rather than to the letters and the star.
  float ClassifierDigitShare = 0;
  // Some zone's recognisers of the other kind read the glyph surely where
  // those of the position's kind read nothing surely: a letter at a digit
  // position, a digit at a letter position.
  bool RecognisersSeeTheOtherKind = false;
  char Barcode = 0;
  char Ch = 0;
  TSerialBacking Backing = TSerialBacking::Open;
  bool Verified() const { return Backing != TSerialBacking::Open; }
  char ClassifierRead() const {
    return Classifier.Probability >= kClassifierReads ? Classifier.Best : 0;
  }
  bool ClassifierSureInEachZone(char c) const {
    bool seen = false;
    for (const TGlyphReading& side : ClassifierSide) {
      if (side.Best == 0) continue;
      if (side.Best != c || side.Probability < kClassifierFills) return false;
      seen = true;
    }
    return seen;
  }
};

// One observation's readings of every position, as the election uses them.
struct TBallot {
  const TZoneObservation* Observation = nullptr;
  std::string Reads;  // per position a character or 0
  // Per position, the sure reading of the other alphabet's recognisers, or 0.
  std::string OtherReads;
};

// The class of the other alphabet's positions: digits for letters and stars.
char OtherClass(char positionClass) {
  return positionClass == kDigitPosition ? kLetterPosition : kDigitPosition;
}

bool IsDigitChar(char c) {
  return c >= '0' && c <= '9';
}

// The mean of some judgements; none when there are none.
std::optional<TGlyphJudgement> MeanJudgement(
    const std::vector<const TGlyphJudgement*>& judgements) {
  if (judgements.empty()) return std::nullopt;
  TGlyphJudgement mean;
  for (const TGlyphJudgement* j : judgements) {
    for (std::size_t c = 0; c < kGlyphClassCount; ++c)
      mean.Probabilities[c] += j->Probabilities[c] / static_cast<float>(judgements.size());
  }
  return mean;
}

class TElection {
 public:
  TElection(std::string_view currency, std::string_view layout,
            const std::vector<TZoneObservation>& observations,
            const std::vector<std::string>& barcodes)
      : currency_(currency), layout_(layout), positions_(layout.size()) {
    for (std::string_view other : SerialLayouts(currency)) {
      if (other.size() != layout.size() || other == layout) continue;
      for (std::size_t i = 0; i < layout.size(); ++i) {
        if (!SameKind(other[i], layout[i])) kindsDiffer_.push_back(i);
      }
    }
    for (const TZoneObservation& o : observations) {
      if (o.Layout != layout) continue;
      TBallot b{&o, std::string(layout.size(), '\0'), std::string(layout.size(), '\0')};
      for (std::size_t i = 0; i < layout.size(); ++i) {
        if (!o.Covers(i)) continue;
        b.Reads[i] = SettleConfusablePair(*o.Sheet, o.Glyph(i), SureRead(o, i));
        b.OtherReads[i] = SureReadAs(o.Other(i), OtherClass(layout[i]));
      }
      ballots_.push_back(std::move(b));
    }
    for (const std::string& text : barcodes) {
      if (text.size() != layout.size()) continue;
      for (std::size_t i = 0; i < layout.size(); ++i) positions_[i].Barcode = text[i];
      break;  // the first valid text; a second one is rarely another reading of the same bars
    }
  }

  TSerialVerdict Run() {
    for (TBallot& b : ballots_) RefuteByShape(b);
    Count();
    AverageClassifier();
    for (TPosition& p : positions_) Gate(p);
    if (ReadByTemplates()) {
      for (TPosition& p : positions_) {
        if (!p.Verified()) Gate(p);
      }
    }
    SettleByEuroCheck();
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
    for (const TBallot& b : ballots_) {
      for (std::size_t i = 0; i < layout_.size(); ++i) {
        if (b.Reads[i] != 0) positions_[i].Tally[b.Reads[i]].insert(b.Observation->Source);
        if (b.Reads[i] == 0 && b.OtherReads[i] != 0)
          positions_[i].RecognisersSeeTheOtherKind = true;
      }
    }
    for (TPosition& p : positions_) Recount(p);
  }

  static void Recount(TPosition& p) {
    p.Recognisers = Elect(p.Tally);
    p.Read = ElectedCharacter(p.Recognisers);
  }

  // The classifier's judgements of each position, averaged per zone, and
  // over both zones with each zone weighing alike.
  void AverageClassifier() {
    for (std::size_t i = 0; i < layout_.size(); ++i) {
      const std::string fitting = FittingCharacters(layout_[i]);
      std::array<std::vector<const TGlyphJudgement*>, 2> perSide;
      for (const TBallot& b : ballots_) {
        const TZoneObservation& o = *b.Observation;
        if (o.Covers(i)) perSide[static_cast<std::size_t>(o.Side)].push_back(&o.Judgement(i));
      }
      TPosition& p = positions_[i];
      std::vector<const TGlyphJudgement*> sides;
      std::array<std::optional<TGlyphJudgement>, 2> means;
      for (std::size_t s = 0; s < 2; ++s) {
        means[s] = MeanJudgement(perSide[s]);
        if (!means[s]) continue;
        p.ClassifierSide[s] = means[s]->Among(fitting);
        sides.push_back(&*means[s]);
      }
      if (const auto both = MeanJudgement(sides)) {
        p.Classifier = both->Among(fitting);
        for (std::size_t c = 0; c < kGlyphClassCount; ++c) {
          if (IsDigitChar(kGlyphAlphabet[c])) p.ClassifierDigitShare += both->Probabilities[c];
        }
      }
    }
  }

  // Verifies a position where the families agree: two or three of them on
  // one character and none on another, or two of three against the third.
  // A glyph the recognisers leave unread, or split on, the classifier fills
  // when it is sure of it in each zone.
  static void Gate(TPosition& p) {
    const char r = p.Read, c = p.ClassifierRead(), b = p.Barcode;
    auto verify = [&](char ch, TSerialBacking backing) {
      p.Ch = ch;
      p.Backing = backing;
    };
    if (r != 0 && r == c)
      return verify(r, b == 0 || b == r ? TSerialBacking::RecognisersAndClassifier
                                        : TSerialBacking::TwoAgainstOne);
    if (r != 0 && r == b)
      return verify(r,
                    c == 0 ? TSerialBacking::RecognisersAndBarcode : TSerialBacking::TwoAgainstOne);
    if (c != 0 && c == b)
      return verify(c,
                    r == 0 ? TSerialBacking::ClassifierAndBarcode : TSerialBacking::TwoAgainstOne);
    const bool unreadOrSplit = r == 0 && (p.Tally.empty() || p.Tally.count(c) > 0);
    if (c != 0 && b == 0 && unreadOrSplit && p.ClassifierSureInEachZone(c))
      return verify(c, TSerialBacking::ClassifierInBothZones);
  }

  // The note's own templates: in every zone, an unverified glyph that looks
  // like the glyph of a verified position, and like no verified glyph of
  // another character, is read as that position's character. Whether any
  // template read was added.
  bool ReadByTemplates() {
    bool added = false;
    for (TBallot& b : ballots_) {
      for (std::size_t i = 0; i < layout_.size(); ++i) {
        if (positions_[i].Verified() || b.Reads[i] != 0 || !b.Observation->Covers(i)) continue;
        const char ch = TemplateRead(b, i);
        if (ch == 0) continue;
        positions_[i].Tally[ch].insert(b.Observation->Source);
        added = true;
      }
    }
    if (added) {
      for (TPosition& p : positions_) {
        if (!p.Verified()) Recount(p);
      }
    }
    return added;
  }

  char TemplateRead(const TBallot& b, std::size_t i) const {
    std::map<char, int32_t> nearest;  // per verified character, the closest glyph
    for (std::size_t j = 0; j < layout_.size(); ++j) {
      if (j == i || !positions_[j].Verified() || !SameKind(layout_[i], layout_[j]) ||
          !b.Observation->Covers(j))
        continue;
      if (!FitsPosition(layout_[i], positions_[j].Ch)) continue;
      const int32_t d = Distance(b, i, j);
      auto [it, inserted] = nearest.emplace(positions_[j].Ch, d);
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

  // What the families read at an open position: the characters the check
  // value may choose among.
  std::string Options(const TPosition& p) const {
    std::string options;
    for (const char c : {p.Read, p.ClassifierRead(), p.Barcode, p.Recognisers.Ch}) {
      if (c != 0 && options.find(c) == std::string::npos) options += c;
    }
    return options;
  }

  // Open euro digits (at most kCheckSettles) are settled when exactly one
  // choice among what the families read there gives the check value; one
  // digit that nothing read is settled by the check alone when the
  // classifier's best guess is that digit and the note shows that digit
  // nowhere else (its glyph would then have matched that template).
  void SettleByEuroCheck() {
    if (currency_ != "EUR") return;
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < layout_.size(); ++i) {
      if (!positions_[i].Verified()) open.push_back(i);
    }
    if (open.empty() || open.size() > kCheckSettles) return;
    std::vector<std::string> options;
    std::size_t unread = 0;
    for (const std::size_t i : open) {
      if (!CheckMayComplete(i)) return;
      options.push_back(Options(positions_[i]));
      if (options.back().empty()) {
        options.back() = "0123456789";
        ++unread;
      }
    }
    if (unread > 1) return;
    std::string serial;
    for (const TPosition& p : positions_) serial += p.Verified() ? p.Ch : '0';
    std::optional<std::string> found;
    std::vector<std::size_t> pick(open.size(), 0);
    for (;;) {
      for (std::size_t k = 0; k < open.size(); ++k) serial[open[k]] = options[k][pick[k]];
      if (PassesEuroCheck(serial)) {
        if (found) return;  // two choices pass: the check cannot tell
        found = serial;
      }
      std::size_t k = 0;
      while (k < open.size() && ++pick[k] == options[k].size()) pick[k++] = 0;
      if (k == open.size()) break;
    }
    if (!found) return;
    for (const std::size_t i : open) {
      TPosition& p = positions_[i];
      const char d = (*found)[i];
      if (Options(p).empty() && (p.Classifier.Best != d || ShownElsewhere(i, d))) return;
    }
    for (const std::size_t i : open) {
      positions_[i].Ch = (*found)[i];
      positions_[i].Backing = TSerialBacking::CheckValue;
    }
  }

  // The check completes digits, never a letter: a letter the election took
  // for an unread digit would be completed to the digit that makes the
  // check pass, and the note would verify (letters count by their character
  // codes, so every letter stands for some digit). So only where nothing
  // takes the glyph for a letter: the classifier gives the digits most of
  // its judgement, and no zone's recognisers read a letter there surely
  // while reading no digit.
  bool CheckMayComplete(std::size_t i) const {
    const TPosition& p = positions_[i];
    return layout_[i] == kDigitPosition && !LetterInAnotherLayout(i) &&
           !p.RecognisersSeeTheOtherKind && p.ClassifierDigitShare > 0.5f;
  }

  // Whether another series of the currency prints a letter where this one
  // prints a digit: the first euro series' second character is a digit, the
  // Europa series' a letter.
  bool LetterInAnotherLayout(std::size_t i) const {
    return std::find(kindsDiffer_.begin(), kindsDiffer_.end(), i) != kindsDiffer_.end();
  }

  // Where another series' layout of the same length has a letter and this
  // one a digit, or the other way round, only the glyph's shape tells the
  // series apart: the classifier must give the position's kind most of its
  // judgement, and no zone's recognisers see the other kind there.
  bool KindsHold() const {
    for (const std::size_t i : kindsDiffer_) {
      const TPosition& p = positions_[i];
      const float share =
          layout_[i] == kDigitPosition ? p.ClassifierDigitShare : 1 - p.ClassifierDigitShare;
      if (p.RecognisersSeeTheOtherKind || share <= 0.5f) return false;
    }
    return true;
  }

  bool ShownElsewhere(std::size_t i, char ch) const {
    for (std::size_t j = 0; j < layout_.size(); ++j) {
      if (j != i && positions_[j].Verified() && positions_[j].Ch == ch) return true;
    }
    return false;
  }

  // What each family read at each position, and where they disagreed.
  std::vector<TSerialPosition> Positions() const {
    std::vector<TSerialPosition> out;
    for (const TPosition& p : positions_) {
      const char r = p.Recognisers.Ch, c = p.ClassifierRead(), b = p.Barcode;
      const bool disputed = (r != 0 && c != 0 && r != c) || (b != 0 && r != 0 && b != r) ||
                            (b != 0 && c != 0 && b != c);
      out.push_back(TSerialPosition{r, p.Classifier.Best, p.Classifier.Probability, b,
                                    p.Verified() ? p.Ch : '\0', p.Backing, disputed});
    }
    return out;
  }

  TSerialVerdict Verdict() const {
    TSerialVerdict v;
    for (const TPosition& p : positions_) v.Reading += p.Verified() ? p.Ch : kUnread;
    v.Valid = std::all_of(positions_.begin(), positions_.end(),
                          [](const TPosition& p) { return p.Verified(); }) &&
              IsValidSerial(currency_, v.Reading);
    v.Positions = Positions();
    v.KindsHold = KindsHold();
    if (v.Valid) v.Confidence = ReadingConfidence(v.Positions, kBackingErrorRates);
    return v;
  }

  std::string_view currency_;
  std::string_view layout_;
  // The positions where another layout of the same length has the other
  // kind (letter or digit).
  std::vector<std::size_t> kindsDiffer_;
  std::vector<TBallot> ballots_;
  std::vector<TPosition> positions_;
};

}  // namespace

// Per backing, the share of positions so verified that may be wrong: (wrong
// + 1) / (positions + 2) over the verified positions of the 180 notes of the
// corpus-more a and b measuring sets (bench/serial_confidence.cpp fits them;
// the first measuring corpus checks them). No verified position there was
// wrong, so the rates say how much evidence each kind of backing has had:
//   two or three families agreeing, none against: 1865 positions (1829
//     recognisers and classifier, 36 classifier and barcode);
//   the classifier alone, sure in both zones: 112 positions;
//   a dispute or an open digit settled further: 2 positions (euro check).
const TBackingErrorRates kBackingErrorRates = {
    1.0,          // Open: never part of a valid reading
    0.000535619,  // RecognisersAndClassifier
    0.000535619,  // RecognisersAndBarcode
    0.000535619,  // ClassifierAndBarcode
    0.25,         // TwoAgainstOne
    0.00877193,   // ClassifierInBothZones
    0.25,         // CheckValue
};

double ReadingConfidence(const std::vector<TSerialPosition>& positions,
                         const TBackingErrorRates& rates) {
  double right = 1;
  for (const TSerialPosition& p : positions)
    right *= 1 - rates[static_cast<std::size_t>(p.Backing)];
  return platform::Round(right * 100 * 100) / 100.0;
}

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
  const std::size_t first = std::min(i, j) - First, second = std::max(i, j) - First;
  int16_t& d = distances_[first * n + second];
  if (d < 0) d = static_cast<int16_t>(Sheet->Distance(Glyphs[first], Glyphs[second]));
  return d;
}

namespace {

// The record of `glyphs` in the place of `place`, or a stand-in with its box.
TCharRecord InPlace(const std::vector<TCharRecord>& glyphs, const TCharRecord& place) {
  auto same = std::find_if(glyphs.begin(), glyphs.end(),
                           [&](const TCharRecord& r) { return SamePlace(r, place); });
  if (same != glyphs.end()) return *same;
  TCharRecord standIn = place;
  standIn.CandCount = 0;
  standIn.Ch = NoChar;
  return standIn;
}

// The glyphs in the places of `base` (one of the zone's readings), laid out
// by `layout` from serial position `first` on.
TZoneObservation Observe(const TZoneReading& reading, const std::vector<TCharRecord>& base,
                         std::string_view layout, std::size_t first, int32_t source, int32_t side,
                         std::shared_ptr<const TGlyphSheet> sheet) {
  TZoneObservation o;
  o.Source = source;
  o.Side = side;
  o.Layout = layout;
  o.First = first;
  for (std::size_t k = 0; k < base.size(); ++k) {
    const bool digit = layout[first + k] == kDigitPosition;
    o.Glyphs.push_back(InPlace(digit ? reading.DigitGlyphs : reading.LetterGlyphs, base[k]));
    o.Others.push_back(InPlace(digit ? reading.LetterGlyphs : reading.DigitGlyphs, base[k]));
  }
  o.Sheet = std::move(sheet);
  return o;
}

}  // namespace

std::vector<TZoneObservation> ObserveZone(const TZoneReading& reading, std::string_view currency,
                                          int32_t source, int32_t side) {
  const std::span<const std::string_view> layouts = SerialLayouts(currency);
  auto isLayoutLength = [&](std::size_t n) {
    return std::any_of(layouts.begin(), layouts.end(),
                       [&](std::string_view l) { return l.size() == n; });
  };
  const std::vector<TCharRecord>* base = &reading.LetterGlyphs;
  if (!isLayoutLength(base->size())) base = &reading.DigitGlyphs;
  if (!isLayoutLength(base->size())) return {};
  const auto sheet = std::make_shared<TGlyphSheet>(*reading.Crop, reading.Threshold);
  std::vector<TZoneObservation> observations;
  for (std::string_view layout : layouts) {
    if (layout.size() == base->size())
      observations.push_back(Observe(reading, *base, layout, 0, source, side, sheet));
  }
  return observations;
}

std::optional<TZoneObservation> ObserveShortCopy(const TZoneReading& reading,
                                                 const TSerialSeries& series, int32_t source,
                                                 int32_t side) {
  const std::size_t n = series.ShortLeftCopy;
  const std::vector<TCharRecord>* base = &reading.DigitGlyphs;
  if (base->size() != n) base = &reading.LetterGlyphs;
  if (n == 0 || base->size() != n) return std::nullopt;
  return Observe(reading, *base, series.Layout, series.Layout.size() - n, source, side,
                 std::make_shared<TGlyphSheet>(*reading.Crop, reading.Threshold));
}

char SureRead(const TZoneObservation& observation, std::size_t position) {
  return SureReadAs(observation.Glyph(position), observation.Layout[position]);
}

char SureReadAs(const TCharRecord& r, char positionClass) {
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

TGlyphJudgement JudgeByClassifier(const TGlyphSheet& sheet, const TCharRecord& glyph) {
  // A zone crop holds its serial's glyphs with a margin all round; a glyph
  // touching the crop's edge is a character the zone cut (a Q whose tail
  // kept it out of the zone's group, say), and part of a character can look
  // like a whole other one. The classifier gives no opinion on it.
  const TDIB& r = sheet.Raster();
  if (glyph.Left <= 0 || glyph.Top <= 0 || glyph.Right >= r.Width() - 1 ||
      glyph.Bottom >= r.Height() - 1) {
    TGlyphJudgement none;
    none.Probabilities.fill(1.0f / kGlyphClassCount);
    return none;
  }
  return JudgeGlyph(r, sheet.Threshold(), TRect{glyph.Left, glyph.Top, glyph.Right, glyph.Bottom});
}

void TSerialEvidence::AddZone(TZoneObservation observation) {
  observation.Judgements.clear();
  for (const TCharRecord& glyph : observation.Glyphs)
    observation.Judgements.push_back(judge_(*observation.Sheet, glyph));
  observations_.push_back(std::move(observation));
}

void TSerialEvidence::AddBarcode(const std::string& text) {
  if (IsValidSerial(currency_, text) &&
      std::find(barcodes_.begin(), barcodes_.end(), text) == barcodes_.end())
    barcodes_.push_back(text);
}

namespace {

// Whether the note shows the copies that only `series` prints: the short
// copy turned a quarter, or a whole copy along the left of the note.
bool ShowsItsOwnCopies(const TSerialSeries& series,
                       const std::vector<TZoneObservation>& observations) {
  return std::any_of(observations.begin(), observations.end(), [&](const TZoneObservation& o) {
    if (o.Layout != series.Layout) return false;
    return series.ShortLeftCopy > 0 ? o.First > 0 : o.Side == 0 && o.First == 0;
  });
}

}  // namespace

TSerialVerdict TSerialEvidence::Decide() const {
  // The serial length most readings have, as the layout of the currency's
  // series that most readings fit.
  const std::span<const TSerialSeries> all = SerialSeries(currency_);
  std::vector<std::size_t> evidence;  // per series: observations and barcode texts
  std::size_t most = 0, length = 0;
  for (const TSerialSeries& series : all) {
    std::size_t n =
        std::count_if(observations_.begin(), observations_.end(),
                      [&](const TZoneObservation& o) { return o.Layout == series.Layout; });
    n += std::count_if(barcodes_.begin(), barcodes_.end(),
                       [&](const std::string& t) { return FitsLayout(series.Layout, t); });
    evidence.push_back(n);
    if (n > most) most = n, length = series.Layout.size();
  }
  if (most == 0) return {};
  // Series whose serials have that length are rivals: only the copies a
  // note shows and the kind (letter or digit) of some glyphs tell them
  // apart. Each is elected on its own.
  struct TElected {
    TSerialVerdict Verdict;
    std::size_t Evidence;
    bool OwnCopies;
  };
  std::vector<TElected> rivals;
  for (std::size_t k = 0; k < all.size(); ++k) {
    if (all[k].Layout.size() != length || evidence[k] == 0) continue;
    TSerialVerdict v = TElection(currency_, all[k].Layout, observations_, barcodes_).Run();
    v.Series = &all[k];
    rivals.push_back({std::move(v), evidence[k], ShowsItsOwnCopies(all[k], observations_)});
  }
  // A reading is valid only in a series that the note's copies point to,
  // or, where they do not tell, in the only series that reads a valid
  // serial, with its glyphs of the kinds it asks for.
  const std::size_t showing =
      std::count_if(rivals.begin(), rivals.end(), [](const TElected& e) { return e.OwnCopies; });
  const std::size_t valid = std::count_if(rivals.begin(), rivals.end(),
                                          [](const TElected& e) { return e.Verdict.Valid; });
  auto pointedTo = [&](const TElected& e) {
    if (rivals.size() == 1) return true;
    if (showing > 0) return showing == 1 && e.OwnCopies;
    return valid == 1 && e.Verdict.KindsHold;
  };
  const TElected* shown = &rivals.front();
  for (const TElected& e : rivals) {
    if (e.Verdict.Valid && pointedTo(e)) return e.Verdict;
    if (e.Evidence > shown->Evidence) shown = &e;
  }
  TSerialVerdict refused = shown->Verdict;
  refused.Valid = false;
  refused.Confidence = 0;
  return refused;
}

}  // namespace serial_detail

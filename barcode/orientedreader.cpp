// The sweeps of the oriented reader: families of scan lines (rows, columns,
// slanted lines along the picture's bar axes), each band of a family cut into
// runs as the reader cuts its bands, every candidate decoded forwards and,
// for the opposite direction, backwards; readings merged across directions;
// the evidence of each code gathered at the end.
#include "barcode/orientedreader.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "barcode/bardirections.h"
#include "barcode/scanlines.h"
#include "barcode/sweep.h"
#include "barcode/trustedcodes.h"
#include "image/dibops.h"
#include "image/inkband.h"
#include "platform/deadline.h"
#include "platform/rounding.h"

namespace barcode {
namespace {

// The shortest symbol any decoder reads, the 2-digit add-on, has 13 bars
// and spaces: shorter stretches are not offered to the decoders.
constexpr int32_t kFewestSymbolElements = 13;
// An axis this close to the rows or the columns is read well enough by
// their sweep ...
constexpr double kAxisTolerance = 2.0;
// ... and one this far from them is read by its slanted lines alone.
constexpr double kObliqueDegrees = 8.0;
// Beyond a field's quiet zones, this many pixels more of the picture are
// swept for the ends of its bars.
constexpr int32_t kFieldMargin = 24;
// Slanted families beyond the largest few fields cost more than they find.
constexpr std::size_t kMostSlantedFields = 4;
// Points of a stretch that are looked up in the field map, this far apart.
constexpr int32_t kFieldProbeStep = 8;

// Where a held code was read, to look at its bars again.
struct TSource {
  const TScanLines* Lines = nullptr;
  int32_t Line = 0;  // the first line of the band
  int32_t From = 0;  // the symbol's first point along the line
  int32_t To = 0;    // the first point of its closing quiet zone
  std::size_t Slot = 0;
  bool Reversed = false;
  int32_t FirstLine = 0;  // the bands of this family that read the same
  int32_t LastLine = 0;
};

struct THeld {
  TOrientedCode Code;
  // Every family and direction that read this text; the code's rectangle
  // and orientation are those of the first.
  std::vector<TSource> Sources;
  int32_t Reads = 1;  // bands that read this text
  // Other texts read from the same bars that rank as high: a band that
  // crosses the bars badly, or the bars read backwards where the reverse of
  // the symbol is another valid symbol (a 2-digit add-on can be).
  std::vector<THeld> Rivals;
};

// Whether two directions are within an eighth of a turn.
bool Agree(int32_t a, int32_t b) {
  const int32_t d = std::abs(a - b) % 360;
  return d < 45 || d > 315;
}

int32_t NormalDegrees(double degrees) {
  int32_t d = platform::Round(degrees) % 360;
  return d < 0 ? d + 360 : d;
}

TRect BoundingBox(std::initializer_list<TPoint> points, const TGreyPixels& pixels) {
  TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const TPoint& p : points) {
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
  }
  r.Left = std::clamp(r.Left, 0, pixels.Width() - 1);
  r.Right = std::clamp(r.Right, 0, pixels.Width() - 1);
  r.Top = std::clamp(r.Top, 0, pixels.Height() - 1);
  r.Bottom = std::clamp(r.Bottom, 0, pixels.Height() - 1);
  return r;
}

// The lines around line k over which the symbol's points stay at least a
// third as inky as on line k, as the reader measures a reading's rows; the
// rectangle is the box around them.
TRect ReadingRect(const TScanLines& lines, const TGreyPixels& pixels, int32_t k, int32_t from,
                  int32_t to) {
  const int32_t t = lines.InkCount(k, from, to) / 3;
  int32_t first = k;
  while (first > lines.FirstLine() && lines.InkCount(first, from, to) > t) --first;
  int32_t last = k;
  while (last <= lines.LastLine() && lines.InkCount(last, from, to) > t) ++last;
  return BoundingBox(
      {lines.At(first, from), lines.At(first, to), lines.At(last, from), lines.At(last, to)},
      pixels);
}

// A candidate of a run list, or of the same list read backwards.
TCandidate CandidateOf(std::span<const int32_t> runs, int32_t start, int32_t end, bool reversed,
                       const TSweepSettings& s) {
  const auto n = static_cast<int32_t>(runs.size());
  return TCandidate{runs,
                    reversed ? n - 1 - end : start,
                    reversed ? n - 1 - start : end,
                    s.MinCodeLen,
                    s.MaxCodeLen,
                    s.CodeTypes,
                    s.VerifyCheckDigit};
}

// Bands tried on each side of a code for the evidence that its bars stand
// tall.
constexpr int32_t kTallTries = 3;

// EAN-13, UPC-A, EAN-8, Code 128 and Code 93 read backwards give no valid
// symbol of their kind: their guards, start and stop characters or
// character sets are not mirror images of each other. A verified reading of
// one of them settles a stretch. The add-ons and the two-width symbologies
// can read backwards as other symbols of their kind.
bool ReadsOneWayOnly(TBarCodeType type) {
  return type == bcEAN13 || type == bcUPCA || type == bcEAN8 || type == bcCode128 ||
         type == bcCode93;
}

// How far beyond the band that read it (in parts of its length) a code of
// this type must read again: the bars of an add-on stand as tall as those
// of its main symbol, at least 10 of its modules on either side of its
// middle (the 2-digit add-on is 20 modules long, the 5-digit one 47);
// other symbols are at least a sixth as tall as they are long.
double LeastHalfHeight(TBarCodeType type) {
  if (type == bcEXT2) return 0.5;
  if (type == bcEXT5) return 0.2;
  return 0.08;
}

class TOrientedSweep {
 public:
  TOrientedSweep(const TDIB& dib, const TSweepSettings& settings, TCodeOrientations which)
      : FDib(dib), FPixels(dib), FSettings(settings), FWhich(which) {}

  std::vector<TOrientedCode> Run() {
    std::vector<TBarField> tilted;
    if (Wants(coTilted)) {
      FFields.emplace(FPixels);
      for (std::size_t f = 0; f < FFields->Fields().size(); ++f) {
        const double off = OffGrid(FFields->Fields()[f].Degrees);
        // Rows and columns that cross a field of well tilted bars obliquely
        // smear them; the lines slanted along the field read it.
        FOblique.push_back(off > kObliqueDegrees);
        if (off > kAxisTolerance && tilted.size() < kMostSlantedFields) {
          tilted.push_back(FFields->Fields()[f]);
        }
      }
    }
    bool going = true;
    if (Wants(co0) || Wants(co180)) going = Sweep(Family(0), Wants(co0), Wants(co180));
    if (going && (Wants(co90) || Wants(co270))) {
      going = Sweep(Family(90), Wants(co90), Wants(co270));
    }
    for (const TBarField& field : tilted) {
      if (!going) break;
      going = Sweep(Family(field.Degrees, AroundField(field)), true, true);
    }
    ChooseAmongRivals();
    std::vector<TOrientedCode> codes;
    for (THeld& h : FHeld) {
      h.Code.Tall = IsTall(h);
      codes.push_back(h.Code);
    }
    return codes;
  }

 private:
  bool Wants(TCodeOrientation o) const { return (FWhich & OrientationBit(o)) != 0; }
  // How far an axis lies from the rows or the columns, in degrees.
  static double OffGrid(double axis) {
    const double quarter = std::fmod(axis, 90);
    return std::min(quarter, 90 - quarter);
  }

  const TScanLines& Family(double degrees) {
    FFamilies.push_back(std::make_unique<TScanLines>(FPixels, degrees));
    return *FFamilies.back();
  }
  const TScanLines& Family(double degrees, const TRect& region) {
    FFamilies.push_back(std::make_unique<TScanLines>(FPixels, degrees, region));
    return *FFamilies.back();
  }

  // A field of bars with room for the ends of bars in tiles too little
  // covered to speak, and for the quiet zones around its codes.
  TRect AroundField(const TBarField& field) const {
    const int32_t margin = kFieldMargin + QuietZoneWidth(std::max(FDib.XDpi(), FDib.YDpi()));
    return {field.Box.Left - margin, field.Box.Top - margin, field.Box.Right + margin,
            field.Box.Bottom + margin};
  }

  // Whether most of a band's stretch of rows or columns crosses fields of
  // well tilted bars.
  bool InObliqueField(const TScanLines& lines, const TSource& source) const {
    if (!lines.OnGrid() || !FFields) return false;
    const int32_t middle = source.Line + FSettings.LaserSize / 2;
    int32_t points = 0, oblique = 0;
    for (int32_t t = source.From; t <= source.To; t += kFieldProbeStep, ++points) {
      const TPoint p = lines.At(middle, t);
      const int32_t field = FFields->FieldAt(p.X, p.Y);
      if (field >= 0 && FOblique[static_cast<std::size_t>(field)]) ++oblique;
    }
    return 2 * oblique > points;
  }

  bool HoldsEnoughVerifiedCodes() const {
    if (static_cast<int32_t>(FHeld.size()) < FSettings.ExpectedCodes) return false;
    return std::all_of(FHeld.begin(), FHeld.end(),
                       [](const THeld& h) { return h.Code.Code.Checked; });
  }

  // The quarter inch at the resolution nearest the lines' direction.
  int32_t QuietZone(const TScanLines& lines) const {
    const double a = std::fmod(lines.Degrees(), 180);
    return QuietZoneWidth(a > 45 && a < 135 ? FDib.YDpi() : FDib.XDpi());
  }

  // The band of `rows` lines from line k, cut into runs.
  TBandRuns BandAt(const TScanLines& lines, int32_t k, int32_t threshold) const {
    TProfile profile(static_cast<std::size_t>(lines.Length()), 0);
    for (int32_t line = k; line < k + FSettings.LaserSize; ++line) {
      const TProfile ink = lines.LineInk(line);
      for (std::size_t t = 0; t < ink.size(); ++t) profile[t] += ink[t];
    }
    return CutBand(profile, threshold, QuietZone(lines));
  }

  // Sweeps the bands of a family, reading each candidate forwards and/or
  // backwards; false once enough verified codes are held.
  bool Sweep(const TScanLines& lines, bool forward, bool backward) {
    const int32_t threshold = BandThreshold(FSettings.LaserSize, FSettings.Quality);
    const int32_t quietZone = QuietZone(lines);
    TSlidingBand band([&lines](int32_t k) { return lines.LineInk(k); }, FSettings.LaserSize);
    for (int64_t k = lines.FirstLine(); k + FSettings.LaserSize <= lines.LastLine();
         k += FSettings.LaserStep) {
      platform::CheckDeadline();
      if (HoldsEnoughVerifiedCodes()) return false;
      const auto line = static_cast<int32_t>(k);
      TProfile profile = band.At(line);
      const TBandRuns cut = CutBand(profile, threshold, quietZone);
      TProfile backwards;
      for (std::size_t q = 0; q + 1 < cut.QuietZones.size(); ++q) {
        if (static_cast<int32_t>(FHeld.size()) >= FSettings.ExpectedCodes) break;
        const int32_t start = cut.QuietZones[q] + 1;
        const int32_t end = cut.QuietZones[q + 1] - 1;
        if (end - start + 1 < kFewestSymbolElements) continue;
        const TSource source{&lines, line, cut.Positions[start], cut.Positions[end + 1]};
        if (InObliqueField(lines, source)) continue;
        const bool settled =
            forward && ReadCandidate(CandidateOf(cut.Runs, start, end, false, FSettings), source);
        if (backward && !settled) {
          if (backwards.empty()) backwards.assign(cut.Runs.rbegin(), cut.Runs.rend());
          TSource back = source;
          back.Reversed = true;
          ReadCandidate(CandidateOf(backwards, start, end, true, FSettings), back);
        }
      }
    }
    return true;
  }

  // Offers the candidate's readings; true when one of them is a verified
  // code of a symbology whose symbols never read backwards as others of
  // their kind, so that the stretch needs no reading the other way.
  bool ReadCandidate(const TCandidate& candidate, TSource source) {
    TDecoderSlots slots{};
    DecodeCandidate(candidate, slots);
    bool settled = false;
    for (std::size_t s = 0; s < slots.size(); ++s) {
      const TBarCodeResult& reading = slots[s];
      if (reading.Text.empty()) continue;
      source.Slot = s;
      Offer(reading, candidate, source);
      settled = settled || (reading.Checked && ReadsOneWayOnly(reading.CodeType));
    }
    return settled;
  }

  // A reading joins the held codes as the reader merges its readings, a
  // whole symbol first outranking a reading that left bars over. A reading
  // that ranks as high as the held code but says something else becomes its
  // rival, and the one most bands read is kept (ChooseAmongRivals).
  void Offer(TBarCodeResult reading, const TCandidate& candidate, TSource source) {
    const TScanLines& lines = *source.Lines;
    if (ReadAgain(reading, source)) return;
    // The band's own box finds the held code it reads; the rows the bars
    // span are measured only for a code that is kept.
    reading.Rect = BandBox(source);
    source.FirstLine = source.LastLine = source.Line;
    const THeld offered{{reading, NormalDegrees(lines.Degrees() + (source.Reversed ? 180 : 0)),
                         IsWhole(reading, candidate, source.Slot), false},
                        {source},
                        1,
                        {}};
    bool matched = false;
    for (THeld& held : FHeld) {
      if (held.Code.Code.CodeType != reading.CodeType ||
          !RectsIntersect(held.Code.Code.Rect, reading.Rect)) {
        continue;
      }
      matched = true;
      if (THeld* same = SameReading(held, offered.Code)) {
        AddSource(*same, offered);
      } else if (Improves(offered.Code, held.Code)) {
        held = offered;
        held.Code.Code.Rect = SymbolRect(source);
      } else if (!Improves(held.Code, offered.Code)) {
        held.Rivals.push_back(offered);
      }
    }
    if (!matched && FHeld.size() < static_cast<std::size_t>(ZAzudivozUDA::kResultCapacity)) {
      FHeld.push_back(offered);
      FHeld.back().Code.Code.Rect = SymbolRect(source);
    }
  }

  // The box around the stretch of a source's band.
  TRect BandBox(const TSource& s) const {
    const TScanLines& lines = *s.Lines;
    const int32_t below = s.Line + FSettings.LaserSize;
    return BoundingBox({lines.At(s.Line, s.From), lines.At(s.Line, s.To), lines.At(below, s.From),
                        lines.At(below, s.To)},
                       FPixels);
  }

  TRect SymbolRect(const TSource& s) const {
    return ReadingRect(*s.Lines, FPixels, s.Line, s.From, s.To);
  }

  // Another family read a held text again. Lines slanted along the bars'
  // measured axis follow a tilted code better than the rows or columns do:
  // the first of them to read it gives the code its rectangle and direction.
  void AddSource(THeld& held, const THeld& again) const {
    ++held.Reads;
    const TSource& source = again.Sources[0];
    const bool aligned = !source.Lines->OnGrid() && held.Sources[0].Lines->OnGrid();
    if (aligned) {
      held.Code.Code.Rect = SymbolRect(source);
      held.Code.Orientation = again.Code.Orientation;
    }
    held.Sources.insert(aligned ? held.Sources.begin() : held.Sources.end(), source);
  }

  // The held code or the rival that reads `code`'s text in about its direction.
  static THeld* SameReading(THeld& held, const TOrientedCode& code) {
    auto same = [&](const THeld& h) {
      return h.Code.Code.Text == code.Code.Text && Agree(h.Code.Orientation, code.Orientation);
    };
    if (same(held)) return &held;
    for (THeld& rival : held.Rivals) {
      if (same(rival)) return &rival;
    }
    return nullptr;
  }

  // A code read several ways keeps, among its readings, those in the
  // direction of the code nearest to it that has no rival (an add-on that of
  // its main symbol) when some have it; then those of lines slanted along
  // the bars' measured axis, which cross a tilted code cleanly where rows
  // or columns smear its bars; then the reading most bands gave; on a tie,
  // the first.
  void ChooseAmongRivals() {
    for (THeld& held : FHeld) {
      if (held.Rivals.empty()) continue;
      const THeld* nearest = nullptr;
      int64_t best = INT64_MAX;
      for (const THeld& other : FHeld) {
        if (&other == &held || !other.Rivals.empty()) continue;
        const int64_t d = CentreDistance(other.Code.Code.Rect, held.Code.Code.Rect);
        if (d < best) {
          best = d;
          nearest = &other;
        }
      }
      std::vector<THeld> options = std::move(held.Rivals);
      options.insert(options.begin(), std::move(held));
      auto agrees = [&](const THeld& h) {
        return nearest && Agree(nearest->Code.Orientation, h.Code.Orientation);
      };
      auto aligned = [](const THeld& h) { return !h.Sources[0].Lines->OnGrid(); };
      const bool someAgree = std::any_of(options.begin(), options.end(), agrees);
      const bool someAligned = std::any_of(options.begin(), options.end(), [&](const THeld& h) {
        return (!someAgree || agrees(h)) && aligned(h);
      });
      const THeld* chosen = nullptr;
      for (const THeld& option : options) {
        if ((someAgree && !agrees(option)) || (someAligned && !aligned(option))) continue;
        if (!chosen || option.Reads > chosen->Reads) chosen = &option;
      }
      THeld kept{chosen->Code, chosen->Sources, chosen->Reads, {}};
      // A rival's rectangle is still its band's.
      if (chosen != &options.front()) kept.Code.Code.Rect = SymbolRect(kept.Sources[0]);
      held = std::move(kept);
    }
  }

  static int64_t CentreDistance(const TRect& a, const TRect& b) {
    const int64_t dx = (int64_t{a.Left} + a.Right) - (int64_t{b.Left} + b.Right);
    const int64_t dy = (int64_t{a.Top} + a.Bottom) - (int64_t{b.Top} + b.Bottom);
    return dx * dx + dy * dy;
  }

  static bool Improves(const TOrientedCode& reading, const TOrientedCode& held) {
    if (reading.Whole != held.Whole) return reading.Whole;
    return ImprovesReading(reading.Code, held.Code);
  }

  // A code this family already holds (or one of its rivals), read the same
  // way again by a later band: only its count and the lines that read it
  // grow.
  bool ReadAgain(const TBarCodeResult& reading, const TSource& source) {
    const TRect here = BandBox(source);
    auto again = [&](THeld& held) {
      const TBarCodeResult& code = held.Code.Code;
      if (code.CodeType != reading.CodeType || code.Text != reading.Text ||
          code.Checked != reading.Checked || !RectsIntersect(code.Rect, here)) {
        return false;
      }
      for (TSource& h : held.Sources) {
        // The next band over the same stretch of the same bars.
        if (h.Lines != source.Lines || h.Reversed != source.Reversed || h.Slot != source.Slot ||
            source.Line > h.LastLine + FSettings.LaserStep ||
            source.Line < h.FirstLine - FSettings.LaserStep ||
            !SameStretch(h, source.From, source.To)) {
          continue;
        }
        h.FirstLine = std::min(h.FirstLine, source.Line);
        h.LastLine = std::max(h.LastLine, source.Line);
        ++held.Reads;
        return true;
      }
      return false;
    };
    for (THeld& held : FHeld) {
      if (again(held)) return true;
      for (THeld& rival : held.Rivals) {
        if (again(rival)) return true;
      }
    }
    return false;
  }

  // Whether the symbol needs every bar of its stretch: the same decoder
  // reads something else, or nothing, once a bar and a space are taken off
  // either end.
  static bool IsWhole(const TBarCodeResult& reading, const TCandidate& candidate,
                      std::size_t slot) {
    for (const auto& [cutStart, cutEnd] : {std::pair{2, 0}, std::pair{0, 2}}) {
      TCandidate trimmed = candidate;
      trimmed.Start += cutStart;
      trimmed.End -= cutEnd;
      if (trimmed.End < trimmed.Start) continue;
      const TBarCodeResult again = DecodeWithSlot(slot, trimmed);
      if (again.CodeType == reading.CodeType && again.Text == reading.Text) return false;
    }
    return true;
  }

  // Whether the code's bars stand tall enough: for one of the families that
  // read it, bands that far from the ones that read it, on either side, read
  // it too.
  bool IsTall(const THeld& held) const {
    return std::any_of(held.Sources.begin(), held.Sources.end(),
                       [&](const TSource& s) { return IsTallAlong(held, s); });
  }

  bool IsTallAlong(const THeld& held, const TSource& s) const {
    const TScanLines& lines = *s.Lines;
    const auto offset = static_cast<int32_t>(
        std::max<double>(FSettings.LaserSize,
                         std::ceil(LeastHalfHeight(held.Code.Code.CodeType) * (s.To - s.From))));
    if (s.LastLine - s.FirstLine >= offset) return true;
    const int32_t threshold = BandThreshold(FSettings.LaserSize, FSettings.Quality);
    // A few neighbouring bands on each side: a small code on a slanted line
    // reads in some bands and not in others.
    std::vector<int32_t> bands;
    for (int32_t more = 0; more < kTallTries; ++more) {
      bands.push_back(s.FirstLine - offset - more);
      bands.push_back(s.LastLine + offset + more);
    }
    for (const int32_t k : bands) {
      if (k < lines.FirstLine() || k + FSettings.LaserSize > lines.LastLine() + 1) continue;
      const TBandRuns cut = BandAt(lines, k, threshold);
      TProfile backwards(cut.Runs.rbegin(), cut.Runs.rend());
      for (std::size_t q = 0; q + 1 < cut.QuietZones.size(); ++q) {
        const int32_t start = cut.QuietZones[q] + 1;
        const int32_t end = cut.QuietZones[q + 1] - 1;
        if (!SameStretch(s, cut.Positions[start], cut.Positions[end + 1])) continue;
        const TCandidate candidate = CandidateOf(
            s.Reversed ? std::span<const int32_t>(backwards) : std::span<const int32_t>(cut.Runs),
            start, end, s.Reversed, FSettings);
        const TBarCodeResult again = DecodeWithSlot(s.Slot, candidate);
        if (again.CodeType == held.Code.Code.CodeType && again.Text == held.Code.Code.Text) {
          return true;
        }
      }
    }
    return false;
  }

  // Whether a stretch of a line lies where a source's stretch lies, give or
  // take an eighth of its length.
  static bool SameStretch(const TSource& s, int32_t from, int32_t to) {
    const int32_t slack = std::max(3, (s.To - s.From) / 8);
    return std::abs(from - s.From) <= slack && std::abs(to - s.To) <= slack;
  }

  const TDIB& FDib;
  TGreyPixels FPixels;
  TSweepSettings FSettings;
  TCodeOrientations FWhich;
  std::vector<std::unique_ptr<TScanLines>> FFamilies;
  std::vector<THeld> FHeld;
  std::optional<TBarFields> FFields;
  std::vector<bool> FOblique;  // per field: tilted well away from the rows and columns
};

}  // namespace

bool HasInkProfiles(const TDIB& dib) {
  return dib.Format() == df1Bit || dib.Format() == df8Bit || dib.Format() == df24Bit;
}

std::vector<TOrientedCode> ReadOrientedBarcodes(const ZAzudivozUDA& settings,
                                                platform::BlockHandle dib,
                                                TCodeOrientations orientations) {
  // The block stays the caller's: never let the raster free it, not even if
  // attaching fails half-way.
  TDIB attached;
  attached.FOwnsBlock = false;
  attached.AttachBlock(dib);
  attached.FOwnsBlock = false;
  std::unique_ptr<TDIB> grey;
  if (!HasInkProfiles(attached)) {
    grey = attached.Duplicate();
    grey->ConvertTo(df8Bit);
    // 15- and 16-bit words carry no known colour layout.
    if (!HasInkProfiles(*grey)) throw platform::Exception("Unsupported bit depth...");
  }
  return TOrientedSweep(grey ? *grey : attached, NormalisedSettings(settings), orientations).Run();
}

bool HasEvidence(const TOrientedCode& code) {
  const TBarCodeType type = code.Code.CodeType;
  if (type == bcEXT2 || type == bcEXT5 || Strictness(type) <= 1) return code.Whole && code.Tall;
  return code.Orientation == 0 || code.Tall;
}

std::vector<TOrientedCode> ShownCodes(std::span<const TOrientedCode> codes) {
  std::vector<TOrientedCode> evident;
  for (const TOrientedCode& code : codes) {
    if (HasEvidence(code)) evident.push_back(code);
  }
  std::vector<TBarCodeResult> readings;
  for (const TOrientedCode& code : evident) readings.push_back(code.Code);
  std::vector<TOrientedCode> shown;
  for (const std::size_t i : TrustedIndices(readings)) shown.push_back(evident[i]);
  return shown;
}

}  // namespace barcode

// The verified reading's request: the reader's passes, minus those that
// would only repeat pixels already read, then other views of the zones for
// the glyphs the passes leave open.
#include "serial/verifiedreader.h"

#include <array>
#include <memory>

#include "serial/serialevidence.h"
#include "serial/shortcopy.h"
#include "serial/turnednote.h"

using namespace serial_detail;

namespace {

// Second looks at a zone for the recognisers, which measure strokes against
// the glyph's size: the glyphs with other stroke weights, and the zone scaled
// down and up. Each view is a source of its own. They are tried in this
// order until the serial is verified: on the corpus the first four settle
// most notes the passes leave open, the later ones a few more.
struct TZoneView {
  enum : int32_t { StrokeWeight, Scaled } Kind;
  // StrokeWeight: a pixel is ink when this many of the nine pixels around it
  // (itself included) are ink at the zone's threshold: 6 takes about a pixel
  // off each side of a stroke and 7 a little more, 5 smooths the edges, 4
  // makes strokes a little bolder; all keep stroke ends and joins.
  // Scaled: the scale.
  double Parameter;
};
constexpr std::array<TZoneView, 12> kViews = {{
    {TZoneView::StrokeWeight, 6},
    {TZoneView::Scaled, 0.6},
    {TZoneView::Scaled, 1.25},
    {TZoneView::StrokeWeight, 7},
    {TZoneView::Scaled, 0.75},
    {TZoneView::Scaled, 1.5},
    {TZoneView::StrokeWeight, 5},
    {TZoneView::StrokeWeight, 4},
    {TZoneView::Scaled, 0.8},
    {TZoneView::Scaled, 0.9},
    {TZoneView::Scaled, 0.55},
    {TZoneView::Scaled, 0.65},
}};
constexpr int32_t kFirstViewSource = 100;

std::unique_ptr<TDIB> StrokeWeightView(const TDIB& zone, int32_t threshold, int32_t inkNeighbours) {
  std::unique_ptr<TDIB> grey = zone.Duplicate();
  grey->ConvertTo(df8Bit);
  auto view = std::make_unique<TDIB>();
  const int32_t w = grey->Width(), h = grey->Height();
  view->NewImage(w, h, df8Bit, grey->XDpi(), grey->YDpi());
  auto ink = [&](int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < w && y < h && grey->Row(y)[x] < threshold;
  };
  for (int32_t y = 0; y < h; ++y) {
    std::uint8_t* row = view->Row(y);
    for (int32_t x = 0; x < w; ++x) {
      int32_t around = 0;
      for (int32_t j = -1; j <= 1; ++j) {
        for (int32_t i = -1; i <= 1; ++i) around += ink(x + i, y + j) ? 1 : 0;
      }
      row[x] = around >= inkNeighbours ? 0 : 255;
    }
  }
  return view;
}

std::unique_ptr<TDIB> ScaledView(const TDIB& zone, double scale) {
  std::unique_ptr<TDIB> grey = zone.Duplicate();
  grey->ConvertTo(df8Bit);
  auto view = std::make_unique<TDIB>();
  view->NewImage(std::max(1, static_cast<int32_t>(grey->Width() * scale)),
                 std::max(1, static_cast<int32_t>(grey->Height() * scale)), df8Bit, grey->XDpi(),
                 grey->YDpi());
  grey->ScaleInto(TRect{0, 0, grey->Width() - 1, grey->Height() - 1}, *view);
  return view;
}

std::unique_ptr<TDIB> ZoneView(const TDIB& zone, int32_t threshold, const TZoneView& view) {
  if (view.Kind == TZoneView::StrokeWeight)
    return StrokeWeightView(zone, threshold, static_cast<int32_t>(view.Parameter));
  return ScaledView(zone, view.Parameter);
}

// The readings of a zone, or none when the zone holds no ink at all (a
// pass's threshold can leave a faint zone blank): such a zone tells nothing
// about the serial, and the reading goes on.
std::optional<TZoneReading> ReadInkedZone(const TDIB& source, const TRect& zone) {
  try {
    return ReadZoneGlyphs(source, zone);
  } catch (const ENoCharactersFound&) {
    return std::nullopt;
  }
}

TRect WholeOf(const TDIB& raster) {
  return TRect{0, 0, raster.Width() - 1, raster.Height() - 1};
}

// One verified request: the evidence so far and what the result reports.
class TVerifiedRequest {
  struct TViewZone {
    TRect Box;
    int32_t Threshold = 0;
    const TDIB* Note = nullptr;  // the note, or the colour channel, it was found on
  };

 public:
  TVerifiedRequest(const TDIB& raster, const std::string& currency)
      : raster_(raster), code_(NormaliseCurrency(currency)) {}

  TVerifiedSerial Run() {
    for (int32_t pass = 0; pass <= kLastPass && !verdict_.Valid; ++pass) {
      if (RepeatsAReadView(pass)) continue;
      RunPass(pass);
    }
    for (std::size_t v = 0; v < kViews.size() && !verdict_.Valid; ++v) RunView(v);
    result_.Currency = code_;
    result_.Valid = verdict_.Valid;
    if (verdict_.Valid) {
      result_.Serial = verdict_.Reading;
      result_.Confidence = verdict_.Confidence;
      result_.Series = verdict_.Series->Name;
    }
    result_.Positions = verdict_.Positions;
    return std::move(result_);
  }

 private:
  // A bilevel note gives every pass the same pixels, and odd passes all give
  // the engine the same grey zones: once read, they add nothing.
  bool RepeatsAReadView(int32_t pass) const {
    if (pass == 0) return false;
    if (raster_.Format() == df1Bit) return true;
    return pass % 2 == 1 && greyZonesRead_;
  }

  void RunPass(int32_t pass) {
    const TPassZones zones = LocatePassZones(raster_, pass, code_);
    if (!evidence_) evidence_.emplace(code_);  // the code is known after pass 0's detection
    std::array<bool, 2> read{};
    ReadZones(raster_, zones, pass, read);
    const std::optional<TRect> shortCopy =
        ReadShortCopy(*zones.Work, ZoneSource(raster_, zones, pass), pass);
    // A zone the grey note does not show may show in a colour channel: a
    // green serial printed over red lines of the same grey level stands out
    // dark on light in the red channel.
    for (std::size_t c = 0; c < kChannels && raster_.Format() == df24Bit; ++c) {
      if (read[0] && read[1]) break;
      const TDIB& note = ChannelNote(c);
      std::string code = code_;
      ReadZones(note, LocatePassZones(note, pass, code), pass, read);
    }
    if (pass % 2 == 1 && (read[0] || shortCopy) && read[1]) greyZonesRead_ = true;
    if (code_ == "LBP") evidence_->AddBarcode(ReadPoundBarcode(*zones.Work));
    Decide();
  }

  // Reads the zones a pass found on `note` (the note, or one of its colour
  // channels) where no zone of the side has been read yet.
  void ReadZones(const TDIB& note, const TPassZones& zones, int32_t pass,
                 std::array<bool, 2>& read) {
    const TDIB& source = ZoneSource(note, zones, pass);
    const std::array<const std::optional<TRect>*, 2> sides = {&zones.Left, &zones.Right};
    for (std::size_t side = 0; side < 2; ++side) {
      if (!*sides[side] || read[side]) continue;
      read[side] = true;
      const TRect& zone = **sides[side];
      const std::optional<TZoneReading> reading = ReadInkedZone(source, zone);
      if (!reading) continue;
      result_.Zones[side] = TSerialZone{zone, SpliceZone(reading->Letters, reading->Digits, code_)};
      KeepViewZone(side, note, source, TViewZone{zone, reading->Threshold, &note});
      Observe(*reading, EvidenceSource(pass), static_cast<int32_t>(side));
    }
  }

  // Channel `c` (red, green, blue) of the colour note as a grey note, made
  // when first asked for.
  const TDIB& ChannelNote(std::size_t c) {
    std::unique_ptr<TDIB>& note = channels_[c];
    if (!note) {
      note = raster_.Duplicate();
      note->RGBToGrey(false, c == 0, c == 1, c == 2);
    }
    return *note;
  }

  // The zones of the first pass that found them, seen another way, on the
  // note itself. Zones that never read as long as a serial get no second
  // look: the views help glyphs, not zones.
  void RunView(std::size_t v) {
    if (!evidence_ || !evidence_->Observed() || !(viewZones_[0] || viewZones_[1])) return;
    for (std::size_t slot = 0; slot < viewZones_.size(); ++slot) {
      const std::optional<TViewZone>& z = viewZones_[slot];
      if (!z) continue;
      const TDIB& note = *z->Note;
      const std::unique_ptr<TDIB> zone =
          slot == kShortCopySlot ? ShortCopyUpright(note, z->Box)
                                 : note.Crop(z->Box.Left, z->Box.Top, z->Box.Right, z->Box.Bottom);
      const std::unique_ptr<TDIB> view = ZoneView(*zone, z->Threshold, kViews[v]);
      const std::optional<TZoneReading> reading = ReadInkedZone(*view, WholeOf(*view));
      if (!reading) continue;
      const int32_t source = kFirstViewSource + static_cast<int32_t>(v);
      if (slot == kShortCopySlot)
        ObserveShortCopies(*reading, source);
      else
        Observe(*reading, source, static_cast<int32_t>(slot));
    }
    Decide();
  }

  // The short copy of a series that prints one, read turned upright: it
  // stands on the left of the note, and is reported as the left zone when
  // the pass found no whole copy there.
  std::optional<TRect> ReadShortCopy(const TDIB& work, const TDIB& source, int32_t pass) {
    for (const TSerialSeries& series : SerialSeries(code_)) {
      const std::optional<TRect> zone = LocateShortCopy(work, series);
      if (!zone) continue;
      const std::unique_ptr<TDIB> upright = ShortCopyUpright(source, *zone);
      const std::optional<TZoneReading> reading = ReadInkedZone(*upright, WholeOf(*upright));
      if (!reading) continue;
      if (!result_.Zones[0] || result_.Zones[0]->QuarterTurns != 0)
        result_.Zones[0] = TSerialZone{*zone, reading->Digits, 1};
      KeepViewZone(kShortCopySlot, raster_, source, TViewZone{*zone, reading->Threshold, &raster_});
      ObserveShortCopies(*reading, EvidenceSource(pass));
      return zone;
    }
    return std::nullopt;
  }

  // Views are cut from the note (or the channel) itself, so they take
  // zones read from its own pixels.
  void KeepViewZone(std::size_t slot, const TDIB& note, const TDIB& source, const TViewZone& zone) {
    if (!viewZones_[slot] && (&source == &note || note.Format() == df1Bit)) viewZones_[slot] = zone;
  }

  void Observe(const TZoneReading& reading, int32_t source, int32_t side) {
    for (TZoneObservation& o : ObserveZone(reading, code_, source, side))
      evidence_->AddZone(std::move(o));
  }

  void ObserveShortCopies(const TZoneReading& reading, int32_t source) {
    for (const TSerialSeries& series : SerialSeries(code_)) {
      if (auto o = ObserveShortCopy(reading, series, source, 0)) evidence_->AddZone(std::move(*o));
    }
  }

  void Decide() {
    verdict_ = evidence_->Decide();
    ++result_.Passes;
  }

  const TDIB& raster_;
  std::string code_;
  std::optional<TSerialEvidence> evidence_;
  TSerialVerdict verdict_;
  TVerifiedSerial result_;
  bool greyZonesRead_ = false;
  static constexpr std::size_t kChannels = 3;
  std::array<std::unique_ptr<TDIB>, kChannels> channels_;
  // The left and right zones, and the short copy.
  static constexpr std::size_t kShortCopySlot = 2;
  std::array<std::optional<TViewZone>, 3> viewZones_;
};

}  // namespace

TVerifiedSerial ReadVerifiedSerial(const TDIB& raster, const std::string& currency) {
  auto read = [](const TDIB& note, const std::string& code) {
    return TVerifiedRequest(note, code).Run();
  };
  TVerifiedSerial serial = read(raster, currency);
  if (serial.Valid) return serial;
  return ReadTurnedPoundNote(raster, currency, read).value_or(std::move(serial));
}

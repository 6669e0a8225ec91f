// verevizu serial: reads the printed serial number of banknote scans, by
// default verified (a serial the currency's rules accept, backed by
// independent evidence), with --classic as the reader's plain vote over its
// passes.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <memory>
#include <string>

#include "cli/command.h"
#include "cli/serial_records.h"
#include "image/dibunit.h"
#include "platform/codepage.h"
#include "serial/confidencetext.h"
#include "serial/presentedreader.h"
#include "serial/serialreader.h"
#include "serial/serialvalidation.h"
#include "serial/verifiedreader.h"

namespace cli {
namespace {

constexpr std::array<std::string_view, 4> kCurrencies = {"USD", "EUR", "LBP", "AUTO"};

// The currency code of an option's text, in any case.
std::string CurrencyCode(const std::string& text) {
  std::string code = text;
  std::transform(code.begin(), code.end(), code.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (std::find(kCurrencies.begin(), kCurrencies.end(), code) == kCurrencies.end()) {
    throw UsageError("option --currency: '" + code + "' is not one of USD, EUR, LBP, AUTO");
  }
  return code;
}

// What either reader gives for one note.
struct TNoteSerial {
  std::string serial;
  double confidence = 0;
  bool valid = false;
  std::string currency;
  std::string series;  // the verified reading's, where the currency's serials tell it
  std::array<std::optional<TSerialZone>, 2> zones;
  int32_t passes = 0;
  std::vector<TSerialPosition> positions;
  std::optional<TNotePlacement> note;  // the verified reading's; none: no note found
};

TNoteSerial ReadClassic(const TDIB& raster, const std::string& currency) {
  TNoteSerial r;
  TSerialTrace trace;
  ReadSerialNumberTraced(raster, currency, r.serial, r.confidence, trace);
  if (r.serial.empty()) r.confidence = 0;
  r.valid = IsValidSerial(trace.Currency, r.serial);
  r.currency = trace.Currency;
  r.zones = trace.Zones;
  r.passes = trace.Passes;
  return r;
}

TNoteSerial ReadVerified(const TDIB& raster, const std::string& currency) {
  TPresentedSerial p = ReadPresentedSerial(raster, currency);
  const TVerifiedSerial& v = p.Reading;
  return {v.Serial, v.Confidence, v.Valid,     v.Currency, v.Series,
          v.Zones,  v.Passes,     v.Positions, p.Note};
}

Json NoteJson(const std::optional<TNotePlacement>& note) {
  if (!note) return nullptr;
  const TRect& b = note->Box;
  return {{"box", {b.Left, b.Top, b.Right, b.Bottom}},
          {"skew", NumberJson(std::nearbyint(note->Skew * 100) / 100)},
          {"orientation", note->Orientation}};
}

Json ZonesJson(const std::array<std::optional<TSerialZone>, 2>& zones) {
  Json list = Json::array();
  for (const std::optional<TSerialZone>& z : zones) {
    if (!z) {
      list.push_back(nullptr);
      continue;
    }
    Json zone = {{"reading", platform::AnsiToUtf8(z->Reading)},
                 {"box", {z->Box.Left, z->Box.Top, z->Box.Right, z->Box.Bottom}}};
    if (z->QuarterTurns != 0) zone["turned"] = 90 * z->QuarterTurns;
    list.push_back(std::move(zone));
  }
  return list;
}

// A character a source read, or null where it read nothing.
Json CharacterJson(char c) {
  if (c == 0) return nullptr;
  return std::string(1, c);
}

// The disputed positions, numbered from 1.
Json DoubtsJson(const std::vector<TSerialPosition>& positions) {
  Json list = Json::array();
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const TSerialPosition& p = positions[i];
    if (!p.Disputed) continue;
    list.push_back({{"position", i + 1},
                    {"recognisers", CharacterJson(p.Recognisers)},
                    {"classifier", CharacterJson(p.Classifier)},
                    {"barcode", CharacterJson(p.Barcode)},
                    {"settled", CharacterJson(p.Verified)}});
  }
  return list;
}

class SerialCommand : public Command {
 public:
  std::string_view Name() const override { return "serial"; }
  std::string_view Summary() const override { return "serial numbers of banknote scans"; }
  std::string Description() const override {
    return "Prints FILE<TAB>SERIAL<TAB>CONFIDENCE for every note scan, and a fourth column\n"
           "\"not valid\" when the note gave no valid serial (\"no note found\" when the\n"
           "picture shows none). By default the serial is verified: valid for the currency\n"
           "and backed by independent readings, else empty with confidence 0; the note is\n"
           "found in the picture (on a scanner bed, skewed, upside down, on its side) and\n"
           "read level and upright. --classic prints the reader's plain vote on the\n"
           "picture as it is. AUTO (the default) tells the currency from the note's size.\n"
           "JSON members: serial, confidence, currency (the code used; empty when no note\n"
           "was found and none was given), valid, zones (left and right: reading and box\n"
           "in the picture, and turned: 90 for a copy printed across the note, or null),\n"
           "passes, and without --classic: series (\"first\" or \"europa\" for a valid\n"
           "euro serial, else null), doubts, the positions\n"
           "(from 1) where the sources disagreed, with what the recognisers, the glyph\n"
           "classifier and the barcode read there and the character independent evidence\n"
           "settled it on (null: none); note, its box in the picture, skew (degrees,\n"
           "clockwise) and orientation (0, 90, 180 or 270: the clockwise quarter turn it\n"
           "lay at), or null when no note was found.\n" +
           std::string(TSerialRecords::kHelp);
  }

  void AddOptions(CLI::App& app) override {
    AddValueOption(app, "--currency", "USD|EUR|LBP|AUTO", "the notes' currency, in any case (AUTO)",
                   [this](const std::string& text) { currency_ = CurrencyCode(text); });
    AddFlag(app, "--classic", "the plain vote over the passes, unverified",
            [this] { classic_ = true; });
    records_.AddOptions(app);
  }

  void Prepare(const RunInfo&) override { records_.Prepare(); }
  bool NeedsContentHash() const override { return records_.Recording(); }

  FileResult Process(LoadedImage& image, const RunInfo&) const override {
    TDIB raster;
    raster.AttachBlock(image.dib.get());
    image.dib.release();  // the raster owns the block now
    const TNoteSerial r =
        classic_ ? ReadClassic(raster, currency_) : ReadVerified(raster, currency_);
    const std::string text = platform::AnsiToUtf8(r.serial);
    FileResult out;
    out.found = r.valid;
    const bool noNote = !classic_ && !r.note;
    out.text = image.file + '\t' + text + '\t' + ConfidenceText(r.confidence) +
               (r.valid  ? ""
                : noNote ? "\tno note found"
                         : "\tnot valid") +
               '\n';
    out.json = {{"serial", text},
                {"confidence", ConfidenceJson(r.confidence)},
                {"currency", r.currency},
                {"valid", r.valid},
                {"zones", ZonesJson(r.zones)},
                {"passes", r.passes}};
    if (!classic_) {
      out.json["series"] = r.series.empty() ? Json(nullptr) : Json(r.series);
      out.json["doubts"] = DoubtsJson(r.positions);
      out.json["note"] = NoteJson(r.note);
    }
    records_.Apply(image, {text, r.confidence, r.valid, r.currency}, out);
    return out;
  }

 private:
  std::string currency_ = "AUTO";
  bool classic_ = false;
  TSerialRecords records_;
};

}  // namespace

std::unique_ptr<Command> MakeSerialCommand() {
  return std::make_unique<SerialCommand>();
}

}  // namespace cli

// verevizu barcode: the one-dimensional barcodes of images at any
// orientation, read by the barcode engine with its published properties set
// from the options; --classic is the engine's own upright sweep alone.
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "barcode/barcodereader.h"
#include "barcode/orientedreader.h"
#include "barcode/trustedcodes.h"
#include "cli/command.h"
#include "image/dibunit.h"
#include "platform/codepage.h"

namespace cli {
namespace {

// Every symbology, Code 93 included.
constexpr TBarCodeTypes kAllTypes = (TBarCodeTypes{1} << kBarCodeTypeCount) - 1;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A type by its name with or without the "bc" prefix, in any case.
TBarCodeType TypeNamed(const std::string& name) {
  const std::string wanted = Lower(name);
  for (int32_t t = 0; t < kBarCodeTypeCount; ++t) {
    const std::string full = Lower(BarCodeTypeName(static_cast<TBarCodeType>(t)));
    if (wanted == full || wanted == full.substr(2)) return static_cast<TBarCodeType>(t);
  }
  throw UsageError("option --types: '" + name + "' is not a barcode type");
}

TBarCodeTypes ParseTypes(const std::string& list) {
  if (Lower(list) == "all") return kAllTypes;
  TBarCodeTypes types = 0;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    const std::size_t comma = std::min(list.find(',', pos), list.size());
    types |= BarCodeBit(TypeNamed(list.substr(pos, comma - pos)));
    pos = comma + 1;
  }
  return types;
}

// "0,90,180,270,tilted" in any order and case, or all.
TCodeOrientations ParseOrientations(const std::string& list) {
  if (Lower(list) == "all") return kEveryOrientation;
  static const std::vector<std::pair<std::string, TCodeOrientation>> kNames = {
      {"0", co0}, {"90", co90}, {"180", co180}, {"270", co270}, {"tilted", coTilted}};
  TCodeOrientations orientations = 0;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    const std::size_t comma = std::min(list.find(',', pos), list.size());
    const std::string name = Lower(list.substr(pos, comma - pos));
    const auto named =
        std::find_if(kNames.begin(), kNames.end(), [&](const auto& n) { return n.first == name; });
    if (named == kNames.end()) {
      throw UsageError("option --orientations: '" + name +
                       "' is not one of 0, 90, 180, 270, tilted, all");
    }
    orientations |= OrientationBit(named->second);
    pos = comma + 1;
  }
  return orientations;
}

TBarCodeQuality ParseQuality(const std::string& name) {
  if (name == "normal") return bqNormal;
  if (name == "dark") return bqDark;
  if (name == "light") return bqLight;
  throw UsageError("option --quality: '" + name + "' is not one of normal, dark, light");
}

class BarcodeCommand : public Command {
 public:
  std::string_view Name() const override { return "barcode"; }
  std::string_view Summary() const override { return "one-dimensional barcodes of images"; }
  std::string Description() const override {
    return "Reads the barcodes of every image and prints one line per code:\n"
           "FILE<TAB>TYPE<TAB>TEXT<TAB>CHECKED, TYPE being the type's name (bcCode39, ...)\n"
           "and CHECKED 1 when the code's check characters verified, else 0. In TEXT,\n"
           "control characters and the backslash are escaped (\\t, \\n, \\r, \\xNN, \\\\).\n"
           "The settings' defaults are the reader's own.\n"
           "\n"
           "Codes are read at every orientation: upright, upside down, reading down or\n"
           "up (turned a quarter either way) and tilted in between; --orientations\n"
           "narrows the search. Each code is printed once. When the bars of one symbol\n"
           "read as codes of several symbologies, only the code of the strictest\n"
           "symbology is printed (among equally strict ones the verified one, then the\n"
           "longest). Codes that are easily read by chance in printed text or noise (the\n"
           "2- and 5-digit add-ons, 2 of 5 IATA, industrial, matrix and Data Logic,\n"
           "Code 11) are printed only when their symbol fills the space between its\n"
           "quiet zones and its bars stand tall; codes read away from upright only when\n"
           "their bars stand tall. --all-readings prints every code found. --classic\n"
           "reads with the reader's own sweep alone (upright codes, no evidence asked);\n"
           "with --all-readings it prints exactly what that sweep found.\n"
           "\n"
           "Types: 2of5interlaved, 2of5iata, 2of5industrial, 2of5matrix, 2of5datalogic,\n"
           "code39, pharmacode, ean13, ean8, upca, upce, ext2, ext5, codabar, msi,\n"
           "code11, code128, code93.\n"
           "JSON members: codes, a list of objects with type, text, checked, rect\n"
           "([left, top, right, bottom], the code's bounding box in the picture) and\n"
           "orientation (degrees, 0 to 359, by which the code's reading direction is\n"
           "turned clockwise from left to right: 90 reads downwards, 180 upside down;\n"
           "not with --classic, which reads upright codes only).\n";
  }

  void AddOptions(CLI::App& app) override {
    AddValueOption(app, "--types", "LIST",
                   "symbologies to read, comma-separated names with or\n"
                   "without the bc prefix, in any case (code39, bcEAN13,\n"
                   "2of5interlaved), or all (default: every type but code93)",
                   [this](const std::string& text) { settings_.CodeTypes = ParseTypes(text); });
    AddNumberOption(app, "--expected", "codes after which the sweep may stop (4)",
                    settings_.ExpectedCodes, 1, INT32_MAX);
    AddNumberOption(app, "--min-len", "fewest characters of a code (3)", settings_.MinCodeLen, 1,
                    INT32_MAX);
    AddNumberOption(app, "--max-len", "most characters of a code (15)", settings_.MaxCodeLen, 1,
                    INT32_MAX);
    AddNumberOption(app, "--laser-size", "rows of the scanning band (3)",
                    settings_.VirtualLaserSize, 1, INT32_MAX);
    AddNumberOption(app, "--laser-step", "rows between the tops of successive bands (32)",
                    settings_.VirtualLaserStep, 1, INT32_MAX);
    AddValueOption(app, "--quality", "normal|dark|light", "band binarisation (normal)",
                   [this](const std::string& text) { settings_.Quality = ParseQuality(text); });
    AddFlag(app, "--verify-check", "Code 39: drop a verified check character from the text",
            [this] { settings_.VerifyCheckDigit = true; });
    AddValueOption(app, "--orientations", "LIST",
                   "orientations to read, comma-separated from 0, 90, 180,\n"
                   "270 and tilted, or all (default: all)",
                   [this](const std::string& text) {
                     orientations_ = ParseOrientations(text);
                     orientationsGiven_ = true;
                   });
    AddFlag(app, "--all-readings",
            "print every code the reader found, also those another\n"
            "symbology's code over the same bars outranks and those\n"
            "without the evidence of a printed symbol",
            [this] { allReadings_ = true; });
    AddFlag(app, "--classic", "the reader's own upright sweep alone, no evidence asked",
            [this] { classic_ = true; });
  }

  void Prepare(const RunInfo&) override {
    if (classic_ && orientationsGiven_) {
      throw UsageError("option --classic reads upright codes only: it takes no --orientations");
    }
  }

  FileResult Process(LoadedImage& image, const RunInfo&) const override {
    const std::unique_ptr<TDIB> raster = ReadableRaster(image);
    const std::vector<TOrientedCode> shown =
        classic_ ? ReadClassic(*raster) : ReadOriented(*raster);

    FileResult r;
    r.found = !shown.empty();
    Json codes = Json::array();
    for (const TOrientedCode& oriented : shown) {
      const TBarCodeResult& code = oriented.Code;
      const std::string type = BarCodeTypeName(code.CodeType);
      const std::string text = platform::AnsiToUtf8(code.Text);
      r.text += image.file + '\t' + type + '\t' + PlainField(text) + '\t' +
                (code.Checked ? "1" : "0") + '\n';
      const TRect& rc = code.Rect;
      Json json = {{"type", type},
                   {"text", text},
                   {"checked", code.Checked},
                   {"rect", {rc.Left, rc.Top, rc.Right, rc.Bottom}}};
      // The classic sweep's lines stay as they were: it reads upright codes only.
      if (!classic_) json["orientation"] = oriented.Orientation;
      codes.push_back(std::move(json));
    }
    r.json = {{"codes", codes}};
    return r;
  }

 private:
  // The reader counts the dark pixels of 1-, 8- and 24-bit pictures; others
  // are read as their 8-bit grey conversion, as the other commands read them.
  static std::unique_ptr<TDIB> ReadableRaster(LoadedImage& image) {
    auto raster = std::make_unique<TDIB>();
    raster->AttachBlock(image.dib.release());
    if (!barcode::HasInkProfiles(*raster)) raster->ConvertTo(df8Bit);
    return raster;
  }

  // The reader's own upright sweep with the options' settings, less the
  // codes outranked over the same bars unless every reading is asked for.
  std::vector<TOrientedCode> ReadClassic(const TDIB& raster) const {
    ZAzudivozUDA reader;
    reader.MinCodeLen = settings_.MinCodeLen;
    reader.MaxCodeLen = settings_.MaxCodeLen;
    reader.ExpectedCodes = settings_.ExpectedCodes;
    reader.VirtualLaserSize = settings_.VirtualLaserSize;
    reader.VirtualLaserStep = settings_.VirtualLaserStep;
    reader.CodeTypes = settings_.CodeTypes;
    reader.Quality = settings_.Quality;
    reader.VerifyCheckDigit = settings_.VerifyCheckDigit;
    const int32_t count = reader.ReadBarcodes(raster.BlockHandle());
    std::vector<TBarCodeResult> found;
    for (int32_t i = 0; i < count; ++i) found.push_back(reader.GetCode(i));
    std::vector<TOrientedCode> shown;
    for (const TBarCodeResult& code : allReadings_ ? found : barcode::TrustedCodes(found))
      shown.push_back({code});
    return shown;
  }

  std::vector<TOrientedCode> ReadOriented(const TDIB& raster) const {
    const std::vector<TOrientedCode> found =
        barcode::ReadOrientedBarcodes(settings_, raster.BlockHandle(), orientations_);
    return allReadings_ ? found : barcode::ShownCodes(found);
  }

  // The reader's defaults, changed by the options.
  ZAzudivozUDA settings_;
  TCodeOrientations orientations_ = kEveryOrientation;
  bool orientationsGiven_ = false;
  bool allReadings_ = false;
  bool classic_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeBarcodeCommand() {
  return std::make_unique<BarcodeCommand>();
}

}  // namespace cli

// verevizu barcode: the one-dimensional barcodes of images, read by the
// barcode engine with its published properties set from the options.
#include <cctype>
#include <string>
#include <vector>

#include "barcode/barcodereader.h"
#include "barcode/trustedcodes.h"
#include "cli/command.h"
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
           "The defaults are the reader's own.\n"
           "\n"
           "When the bars of one symbol read as codes of several symbologies, only the\n"
           "code of the strictest symbology is printed (among equally strict ones the\n"
           "verified one, then the longest); --all-readings prints every code found.\n"
           "\n"
           "Types: 2of5interlaved, 2of5iata, 2of5industrial, 2of5matrix, 2of5datalogic,\n"
           "code39, pharmacode, ean13, ean8, upca, upce, ext2, ext5, codabar, msi,\n"
           "code11, code128, code93.\n"
           "JSON members: codes, a list of objects with type, text, checked and rect\n"
           "([left, top, right, bottom]).\n";
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
    AddFlag(app, "--all-readings",
            "print every code the reader found, also those another\n"
            "symbology's code over the same bars outranks",
            [this] { allReadings_ = true; });
  }

  FileResult Process(LoadedImage& image, const RunInfo&) const override {
    ZAzudivozUDA reader;
    reader.MinCodeLen = settings_.MinCodeLen;
    reader.MaxCodeLen = settings_.MaxCodeLen;
    reader.ExpectedCodes = settings_.ExpectedCodes;
    reader.VirtualLaserSize = settings_.VirtualLaserSize;
    reader.VirtualLaserStep = settings_.VirtualLaserStep;
    reader.CodeTypes = settings_.CodeTypes;
    reader.Quality = settings_.Quality;
    reader.VerifyCheckDigit = settings_.VerifyCheckDigit;
    const int32_t count = reader.ReadBarcodes(image.dib.get());
    std::vector<TBarCodeResult> found;
    for (int32_t i = 0; i < count; ++i) found.push_back(reader.GetCode(i));
    const std::vector<TBarCodeResult> shown = allReadings_ ? found : barcode::TrustedCodes(found);

    FileResult r;
    r.found = !shown.empty();
    Json codes = Json::array();
    for (const TBarCodeResult& code : shown) {
      const std::string type = BarCodeTypeName(code.CodeType);
      const std::string text = platform::AnsiToUtf8(code.Text);
      r.text += image.file + '\t' + type + '\t' + PlainField(text) + '\t' +
                (code.Checked ? "1" : "0") + '\n';
      const TRect& rc = code.Rect;
      codes.push_back({{"type", type},
                       {"text", text},
                       {"checked", code.Checked},
                       {"rect", {rc.Left, rc.Top, rc.Right, rc.Bottom}}});
    }
    r.json = {{"codes", codes}};
    return r;
  }

 private:
  // The reader's defaults, changed by the options.
  ZAzudivozUDA settings_;
  bool allReadings_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeBarcodeCommand() {
  return std::make_unique<BarcodeCommand>();
}

}  // namespace cli

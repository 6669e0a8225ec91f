// verevizu serial: reads the printed serial number of banknote scans.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <memory>
#include <string>

#include "cli/command.h"
#include "image/dibunit.h"
#include "platform/codepage.h"
#include "serial/confidencetext.h"
#include "serial/serialreader.h"

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

// The confidence as a JSON number in the same form: a whole one as an
// integer (100, not 100.0).
Json ConfidenceJson(double confidence) {
  if (confidence == std::trunc(confidence)) return static_cast<int64_t>(confidence);
  return confidence;
}

class SerialCommand : public Command {
 public:
  std::string_view Name() const override { return "serial"; }
  std::string_view Summary() const override { return "serial numbers of banknote scans"; }
  std::string Description() const override {
    return "Prints FILE<TAB>SERIAL<TAB>CONFIDENCE for every note scan; an empty serial\n"
           "and confidence 0 when none is found. AUTO (the default) tells the currency\n"
           "from the note's size.\n"
           "JSON members: serial, confidence, currency.\n";
  }

  void AddOptions(CLI::App& app) override {
    AddValueOption(app, "--currency", "USD|EUR|LBP|AUTO", "the notes' currency, in any case (AUTO)",
                   [this](const std::string& text) { currency_ = CurrencyCode(text); });
  }

  FileResult Process(LoadedImage& image, const RunInfo&) const override {
    TDIB raster;
    raster.AttachBlock(image.dib.get());
    image.dib.release();  // the raster owns the block now
    std::string serial;
    double confidence = 0;
    ReadSerialNumber(raster, currency_, serial, confidence);
    if (serial.empty()) confidence = 0;
    const std::string text = platform::AnsiToUtf8(serial);
    FileResult r;
    r.found = !serial.empty();
    r.text = image.file + '\t' + text + '\t' + ConfidenceText(confidence) + '\n';
    r.json = {
        {"serial", text}, {"confidence", ConfidenceJson(confidence)}, {"currency", currency_}};
    return r;
  }

 private:
  std::string currency_ = "AUTO";
};

}  // namespace

std::unique_ptr<Command> MakeSerialCommand() {
  return std::make_unique<SerialCommand>();
}

}  // namespace cli

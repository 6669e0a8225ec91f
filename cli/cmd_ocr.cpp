// verevizu ocr: reads the text of images with the omnifont OCR engine, with
// the settings of the area OCR dialog mapped onto the engine the way the area
// OCR command maps them.
#include <array>
#include <memory>
#include <string>

#include "cli/command.h"
#include "graphics/transforms.h"
#include "ocr/ocrsettings.h"
#include "ocr/omnifontocr.h"
#include "platform/codepage.h"

namespace cli {
namespace {

// The area kinds, in the order of the engine's area codes.
constexpr std::array<std::string_view, 5> kAreas = {"character", "word", "line", "paragraph",
                                                    "page"};

// The names of the content choices, in the order of kContentAllowedChars.
constexpr std::array<std::string_view, kContentAllowedChars.size()> kContentNames = {
    "numeric", "upper", "lower", "letters", "alnum"};

constexpr std::array<std::string_view, 3> kSpotModes = {"none", "smart", "always"};

template <std::size_t N>
std::size_t Choose(const std::string& option, const std::string& value,
                   const std::array<std::string_view, N>& names) {
  for (std::size_t i = 0; i < N; ++i) {
    if (names[i] == value) return i;
  }
  std::string list;
  for (std::string_view n : names) list += (list.empty() ? "" : ", ") + std::string(n);
  throw UsageError("option " + option + ": '" + value + "' is not one of " + list);
}

TRect ParseRect(const std::string& text) {
  TRect r;
  int32_t* fields[] = {&r.Left, &r.Top, &r.Right, &r.Bottom};
  std::size_t pos = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t end = i < 3 ? text.find(',', pos) : text.size();
    const std::string part = text.substr(pos, end == std::string::npos ? end : end - pos);
    std::size_t used = 0;
    long long v = 0;
    try {
      v = std::stoll(part, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (end == std::string::npos || part.empty() || used != part.size() || v < INT32_MIN ||
        v > INT32_MAX) {
      throw UsageError("option --rect: '" + text + "' is not LEFT,TOP,RIGHT,BOTTOM");
    }
    *fields[i] = static_cast<int32_t>(v);
    pos = end + 1;
  }
  return r;
}

// A reading as the text shows it. The classifier proposes some characters
// by their byte in the 8-bit code page (the euro sign as 0x80), which the
// text's conversion reads as such; so are they read here, so that "ch" and
// "candidates" show the euro sign where "text" does.
std::string Utf8Of(char16_t ch) {
  if (ch >= 0x80 && ch <= 0x9F) ch = platform::AnsiCharToWide(static_cast<char>(ch));
  return platform::WideToUtf8(std::u16string_view(&ch, 1));
}

// A record that carries a reading rather than a gap, a break or nothing.
bool IsReading(char16_t ch) {
  return ch != NoChar && ch != NonTextMark && ch != u' ' && ch != u'\r' && ch != u'\n';
}

Json CharactersJson(const TOmnifontOCR& engine) {
  Json characters = Json::array();
  for (const auto& rp : engine.Characters) {
    const TCharRecord& r = *rp;
    Json candidates = Json::array();
    const int32_t n = r.CandCount < 0 ? 0 : std::min<int32_t>(r.CandCount, 10);
    for (int32_t i = 0; i < n; ++i) candidates.push_back({Utf8Of(r.Cands[i]), r.Confs[i]});
    characters.push_back({{"ch", r.Ch == NoChar ? "" : Utf8Of(r.Ch)},
                          {"box", {r.Left, r.Top, r.Right, r.Bottom}},
                          {"line", r.Line},
                          {"candidates", candidates}});
  }
  return characters;
}

// The engine's text for a terminal: UTF-8 with plain line feeds, ending in one.
std::string PlainText(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    out += utf8[i];
  }
  if (out.empty() || out.back() != '\n') out += '\n';
  return out;
}

class OcrCommand : public Command {
 public:
  std::string_view Name() const override { return "ocr"; }
  std::string_view Summary() const override { return "text of images, by the omnifont OCR"; }
  std::string Description() const override {
    return "Reads the text of every image with the omnifont OCR engine and prints it;\n"
           "with several files each text follows a line '==> FILE <=='. Unread\n"
           "characters show as '~'. The defaults are those of the area OCR dialog.\n"
           "JSON members: text (line breaks as CR LF), characters: one object per\n"
           "record with ch (\"\" when unread), box [left, top, right, bottom], line and\n"
           "candidates [[character, confidence], ...].\n";
  }

  void AddOptions(CLI::App& app) override {
    AddValueOption(app, "--area", "character|word|line|paragraph|page", "kind of area (paragraph)",
                   [this](const std::string& text) {
                     settings_.Area = static_cast<int32_t>(Choose("--area", text, kAreas));
                   });
    AddValueOption(app, "--content", "numeric|upper|lower|letters|alnum",
                   "characters allowed (alnum)", [this](const std::string& text) {
                     settings_.Content = Choose("--content", text, kContentNames);
                   });
    AddValueOption(app, "--spots", "none|smart|always", "spot removal (always)",
                   [this](const std::string& text) {
                     settings_.SpotRemoval =
                         static_cast<uint8_t>(Choose("--spots", text, kSpotModes));
                   });
    AddNumberOption(app, "--max-spot", "largest spot in ink pixels, -1 to 99, -1 automatic (8)",
                    settings_.MaxSpotSize, kMinSpotSize, kMaxSpotSize);
    AddFlag(app, "--no-split", "no splitting of touching characters",
            [this] { settings_.SplitTouching = false; });
    AddFlag(app, "--no-similarity", "no similarity correction",
            [this] { settings_.SimilarityCorrection = false; });
    AddFlag(app, "--no-context", "no context correction",
            [this] { settings_.ContextCorrection = false; });
    AddValueOption(app, "--rect", "L,T,R,B", "read only this rectangle (right and bottom excluded)",
                   [this](const std::string& text) {
                     rect_ = ParseRect(text);
                     hasRect_ = true;
                   });
  }

  // With a rectangle the block is exported from the crop instead.
  bool NeedsDib() const override { return !hasRect_; }
  bool NeedsGraphic() const override { return hasRect_; }

  FileResult Process(LoadedImage& image, const RunInfo& info) const override {
    platform::BlockOwner cropped;
    platform::BlockHandle block = image.dib.get();
    if (hasRect_) {
      TDibGraphic picture;
      CropToRect(*image.graphic, rect_, picture);
      cropped.reset(picture.ExportPackedDib());
      block = cropped.get();
    }
    auto engine = std::make_unique<TOmnifontOCR>();
    ApplyOcrSettings(settings_, *engine);
    // A page without ink has no characters: read, but nothing found, like a
    // page whose specks were all removed.
    try {
      engine->Recognize(block, settings_.Area);
    } catch (const ENoCharactersFound&) {
      engine->Characters.clear();
    }

    std::string text;
    engine->GetText(text);
    const std::string utf8 = platform::AnsiToUtf8(text);
    FileResult r;
    r.found = false;
    for (const auto& rec : engine->Characters) r.found = r.found || IsReading(rec->Ch);
    if (info.fileCount > 1) r.text = "==> " + image.file + " <==\n";
    r.text += PlainText(utf8);
    r.json = {{"text", utf8}, {"characters", CharactersJson(*engine)}};
    return r;
  }

 private:
  TOcrSettings settings_;
  bool hasRect_ = false;
  TRect rect_;
};

}  // namespace

std::unique_ptr<Command> MakeOcrCommand() {
  return std::make_unique<OcrCommand>();
}

}  // namespace cli

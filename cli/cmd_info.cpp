// verevizu info: size, format, resolution and page count of each image.
#include <string>

#include "cli/command.h"

namespace cli {
namespace {

class InfoCommand : public Command {
 public:
  std::string_view Name() const override { return "info"; }
  std::string_view Summary() const override {
    return "size, format, resolution and pages of images";
  }
  std::string Description() const override {
    return "Prints FILE<TAB>WIDTH<TAB>HEIGHT<TAB>FORMAT<TAB>XDPI<TAB>YDPI<TAB>PAGES for\n"
           "every image, FORMAT being the picture's format (\"Black and white\",\n"
           "\"256 shades of gray\", \"True color\", ...).\n"
           "JSON members: width, height, format, xdpi, ydpi, pages.\n";
  }
  bool NeedsDib() const override { return false; }

  FileResult Process(LoadedImage& image, const RunInfo&) const override {
    const TDibGraphic& g = *image.graphic;
    const std::string format = FormatDescription(g.ImageFormat());
    FileResult r;
    r.text = image.file + '\t' + std::to_string(g.Width()) + '\t' + std::to_string(g.Height()) +
             '\t' + format + '\t' + std::to_string(g.XDpi()) + '\t' + std::to_string(g.YDpi()) +
             '\t' + std::to_string(image.pages) + '\n';
    r.json = {{"width", g.Width()}, {"height", g.Height()}, {"format", format},
              {"xdpi", g.XDpi()},   {"ydpi", g.YDpi()},     {"pages", image.pages}};
    return r;
  }
};

}  // namespace

std::unique_ptr<Command> MakeInfoCommand() {
  return std::make_unique<InfoCommand>();
}

}  // namespace cli

#include "app/guioptions.h"

#include <QCommandLineParser>

#include "app/mainwindow.h"

TGuiOptions ParseGuiOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Reads banknote serial numbers from scans; opens FILE when one is given.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption areaOcr(
      "area-ocr", "Show the OCR... command, which reads a selected area of the picture.");
  parser.addOption(areaOcr);
  parser.addPositionalArgument(
      "FILE", "A picture to open: TIFF, JPEG, PNG, bitmap, icon, metafile.", "[FILE]");

  TGuiOptions options;
  if (!parser.parse(arguments)) {
    options.error = parser.errorText();
    return options;
  }
  if (parser.isSet(help) || parser.isSet(version)) {
    options.help = true;
    options.helpText = parser.isSet(help) ? parser.helpText()
                                          : QCoreApplication::applicationName() + " " +
                                                QCoreApplication::applicationVersion() + "\n";
    return options;
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    options.error = "Only one FILE can be opened.";
    return options;
  }
  options.areaOcr = parser.isSet(areaOcr);
  if (!files.isEmpty()) options.file = files.front();
  return options;
}

void ApplyGuiOptions(TForm1& window, const TGuiOptions& options) {
  if (options.areaOcr) window.ShowAreaOcrCommand();
  if (!options.file.isEmpty()) {
    window.RunCommand([&] { window.OpenPicture(options.file); });
  }
}

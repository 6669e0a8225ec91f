#include "app/guioptions.h"

#include <QCommandLineParser>
#include <QFile>

#include "app/mainwindow.h"
#include "app/watchlists.h"

TGuiOptions ParseGuiOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Reads banknote serial numbers from scans; opens FILE when one is given.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption areaOcr(
      "area-ocr", "Show the OCR... command, which reads a selected area of the picture.");
  parser.addOption(areaOcr);
  const QCommandLineOption watch(
      "watch",
      "After a serial is shown, warn when it is on a watch list of DB (a SQLite file, or a "
      "PostgreSQL URI postgresql://USER@HOST/DATABASE; see verevizu watch). Only valid serials "
      "are compared: a note without one is neither matched nor cleared.",
      "DB");
  parser.addOption(watch);
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
  options.watch = parser.value(watch);
  if (!files.isEmpty()) options.file = files.front();
  return options;
}

void ApplyGuiOptions(TForm1& window, const TGuiOptions& options) {
  if (options.areaOcr) window.ShowAreaOcrCommand();
  if (!options.watch.isEmpty()) {
    bool loaded = false;
    window.RunCommand([&] {
      window.WatchLists =
          std::make_unique<TWatchLists>(QFile::encodeName(options.watch).toStdString());
      loaded = true;
    });
    if (!loaded) {
      QCoreApplication::exit(3);
      return;
    }
  }
  if (!options.file.isEmpty()) {
    window.RunCommand([&] { window.OpenPicture(options.file); });
  }
}

// The desktop tool's command line: `verevizu-gui [--area-ocr] [FILE]`.
#pragma once

#include <QString>
#include <QStringList>

class TForm1;

struct TGuiOptions {
  bool areaOcr = false;  // show the area OCR command
  QString file;          // open this picture at start
  QString error;         // what was wrong with the command line; empty when nothing
  bool help = false;     // --help or --version was asked for
  QString helpText;
};

// Reads the arguments (the program name first).
TGuiOptions ParseGuiOptions(const QStringList& arguments);
// Shows the area OCR command when asked, and opens the file named (an error
// goes to the window's error box).
void ApplyGuiOptions(TForm1& window, const TGuiOptions& options);

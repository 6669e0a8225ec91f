// The desktop tool's command line: `verevizu-gui [--area-ocr] [--watch DB] [FILE]`.
#pragma once

#include <QString>
#include <QStringList>

class TForm1;

struct TGuiOptions {
  bool areaOcr = false;  // show the area OCR command
  QString file;          // open this picture at start
  QString watch;         // the record store whose watch lists the serial commands check
  QString error;         // what was wrong with the command line; empty when nothing
  bool help = false;     // --help or --version was asked for
  QString helpText;
};

// Reads the arguments (the program name first).
TGuiOptions ParseGuiOptions(const QStringList& arguments);
// Shows the area OCR command when asked, loads the watch lists, and opens
// the file named (an error goes to the window's error box). Watch lists that
// cannot be loaded end the application with exit code 3 once their error is
// shown: a tool started to watch never reads notes unwatched.
void ApplyGuiOptions(TForm1& window, const TGuiOptions& options);

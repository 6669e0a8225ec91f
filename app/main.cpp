// verevizu-gui: the desktop tool. Makes the application's three windows,
// applies the command line and runs until the main window closes.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/guioptions.h"
#include "app/mainwindow.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The title "OCR Evaluation Tool" heads the message boxes (kApplicationTitle);
  // as Qt's display name it would be appended to every window caption.
  QApplication::setApplicationName("verevizu-gui");
  QApplication::setApplicationVersion("1.0");

  const TGuiOptions options = ParseGuiOptions(QApplication::arguments());
  if (options.help) {
    std::fputs(options.helpText.toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (!options.error.isEmpty()) {
    std::fprintf(stderr, "verevizu-gui: %s\n", options.error.toLocal8Bit().constData());
    return 2;
  }

  TApplicationForms forms;
  Form1->show();
  // Once the window is up, so that an error box opens over it.
  QTimer::singleShot(0, Form1, [&options] { ApplyGuiOptions(*Form1, options); });
  return QApplication::exec();
}

// A manual tool for looking at the viewer: `viewer_demo FILE [ZOOM]` opens the
// file in a window with the rubber band armed. ZOOM is a percentage, or one
// of "fit", "width", "height".
#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <cstdlib>
#include <string>

#include "viewer/imagescrollbox.h"
#include "viewer/mousehandlers.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    QMessageBox::information(nullptr, "viewer_demo", "usage: viewer_demo FILE [ZOOM]");
    return 2;
  }
  QMainWindow window;
  auto* view = new TImageScrollBox(&window);
  window.setCentralWidget(view);
  window.resize(900, 700);
  window.show();
  const std::string zoom = argc > 2 ? argv[2] : "100";
  try {
    view->LoadFromFile(argv[1], 1);
    if (zoom == "fit")
      view->SetZoomMode(zmFitToPage);
    else if (zoom == "width")
      view->SetZoomMode(zmFitWidth);
    else if (zoom == "height")
      view->SetZoomMode(zmFitHeight);
    else
      view->SetZoomPercent(std::strtof(zoom.c_str(), nullptr));
    view->SetMouseMode(mmRubberband);
    view->setCursor(Qt::CrossCursor);
  } catch (const std::exception& e) {
    QMessageBox::warning(&window, "viewer_demo", e.what());
  }
  view->OnRubberbandChange = [&window](const TRect& r) {
    window.statusBar()->showMessage(
        QString("band %1,%2 - %3,%4").arg(r.Left).arg(r.Top).arg(r.Right).arg(r.Bottom));
  };
  return app.exec();
}

// A manual tool for looking at the viewer: `viewer_demo FILE [ZOOM]` opens the
// file in a window with the rubber band armed. ZOOM is a percentage, or one
// of "fit", "width", "height". Keys: + and - zoom by 5, 1 is 100 %, F W H the
// fit modes, C centring, A anti-aliasing, R D Q the rubber band, drag and
// quick-select modes, G grips, N the band's colour animation, P the pages.
#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QShortcut>
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
  const auto key = [&window](const char* k, auto action) {
    QObject::connect(new QShortcut(QKeySequence(k), &window), &QShortcut::activated, action);
  };
  const auto band = [view] { return dynamic_cast<TRubberbandMouseHandler*>(view->MouseHandler()); };
  key("+", [view] { view->SetZoomPercent(view->ZoomPercent() + 5); });
  key("-", [view] { view->SetZoomPercent(view->ZoomPercent() - 5); });
  key("1", [view] { view->SetZoomPercent(100); });
  key("F", [view] { view->SetZoomMode(zmFitToPage); });
  key("W", [view] { view->SetZoomMode(zmFitWidth); });
  key("H", [view] { view->SetZoomMode(zmFitHeight); });
  key("C", [view] { view->SetCentered(!view->Centered()); });
  key("A", [view] { view->SetAntiAliased(!view->AntiAliased()); });
  key("R", [view] { view->SetMouseMode(mmRubberband); });
  key("D", [view] { view->SetMouseMode(mmDrag); });
  key("Q", [view] { view->SetMouseMode(mmQuickSelect); });
  key("G", [view, band] {
    if (auto* b = band()) b->ShowGrips = !b->ShowGrips, view->PictureControl()->update();
  });
  key("N", [band] {
    if (auto* b = band()) b->SetAnimated(!b->Animated());
  });
  key("P", [view] { view->Animate(!view->Animated()); });
  view->OnQuickSelect = [&window](TImageScrollBox*, TDibGraphic& g, const TRect& r) {
    window.statusBar()->showMessage(
        QString("cut %1 x %2 at %3,%4").arg(g.Width()).arg(g.Height()).arg(r.Left).arg(r.Top));
  };
  return app.exec();
}

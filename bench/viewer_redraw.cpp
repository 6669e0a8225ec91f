// Timings of the viewer on an A4 page at 300 dpi (2480 x 3508) in a view of
// 1000 x 700 pixels on Qt's offscreen platform: a forced redraw (rebuild of
// the derived image and a repaint of the visible part) at fit-to-page and at
// 100 %, one zoom step of 5 % near each of them, and one step of a rubber
// band drag, which repaints the band without rebuilding the derived image.
// The page is black and white (a scanned document) or true colour.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QMouseEvent>

#include <cstdlib>
#include <memory>

#include "viewer/imagescrollbox.h"
#include "viewer/mousehandlers.h"

namespace {

constexpr int32_t kPageWidth = 2480, kPageHeight = 3508;

// Lines of character-sized marks on white, as on a text page.
void FillPage(TDibGraphic& g, TGraphicFormat format) {
  g.NewImage(kPageWidth, kPageHeight, format, {}, 300, 300);
  g.Fill(RGBColor(255, 255, 255));
  for (int32_t y = 0; y < kPageHeight; ++y)
    for (int32_t x = 0; x < kPageWidth; ++x) {
      const int32_t cx = x % 32, cy = y % 48;
      if (cx >= 6 && cx < 26 && cy >= 9 && cy < 39 && !(cx >= 12 && cx < 20 && cy >= 17 && cy < 31))
        g.SetPixel(x, y, RGBColor(20, 20, static_cast<std::uint8_t>(40 + x % 50)));
    }
}

struct Viewer {
  explicit Viewer(TGraphicFormat format) {
    view = new TImageScrollBox(&window);
    window.resize(1000, 700);
    view->setGeometry(0, 0, 1000, 700);
    window.show();
    // The window paints only once the platform has exposed it.
    QApplication::processEvents();
    FillPage(view->Graphic(), format);
    view->Redraw(true);
  }
  void Repaint() { view->viewport()->repaint(); }
  QWidget window;
  TImageScrollBox* view;
};

TGraphicFormat FormatOf(const benchmark::State& state) {
  return state.range(0) == 1 ? gfBlackWhite : gfTrueColor;
}

void BM_RedrawFitToPage(benchmark::State& state) {
  Viewer v(FormatOf(state));
  v.view->SetZoomMode(zmFitToPage);
  for (auto _ : state) {
    v.view->Redraw(true);
    v.Repaint();
  }
  state.SetLabel(std::to_string(v.view->ZoomPercent()) + " %");
}

void BM_Redraw100(benchmark::State& state) {
  Viewer v(FormatOf(state));
  for (auto _ : state) {
    v.view->Redraw(true);
    v.Repaint();
  }
}

// Alternates between two zooms 5 % apart: each iteration is one step.
void ZoomSteps(benchmark::State& state, float low) {
  Viewer v(FormatOf(state));
  v.view->SetZoomPercent(low);
  bool up = true;
  for (auto _ : state) {
    v.view->SetZoomPercent(up ? low + 5 : low);
    v.Repaint();
    up = !up;
  }
}
void BM_ZoomStepNearFit(benchmark::State& state) {
  ZoomSteps(state, 20);
}
void BM_ZoomStepNear100(benchmark::State& state) {
  ZoomSteps(state, 100);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)),
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void BM_BandDragStep(benchmark::State& state) {
  Viewer v(FormatOf(state));
  v.view->SetMouseMode(mmRubberband);
  QWidget* picture = v.view->PictureControl();
  SendMouse(picture, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
  int i = 0;
  for (auto _ : state) {
    const int d = 200 + (i++ % 200);
    SendMouse(picture, QEvent::MouseMove, {d, d}, Qt::LeftButton);
    v.Repaint();
  }
}

}  // namespace

BENCHMARK(BM_RedrawFitToPage)->Arg(1)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Redraw100)->Arg(1)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomStepNearFit)->Arg(1)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomStepNear100)->Arg(1)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BandDragStep)->Arg(1)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

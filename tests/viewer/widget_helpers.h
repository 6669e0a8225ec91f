// Helpers of the widget suites: a shown view with a client area of a chosen
// size, synthetic pictures, mouse events sent straight to the picture
// control, and a per-test temporary folder.
#pragma once

#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "viewer/imagescrollbox.h"

// A view inside a shown parent, with no frame: its client area is its size
// while no scroll bar shows.
struct ShownView {
  explicit ShownView(int width = 500, int height = 500);
  QWidget parent;
  TImageScrollBox* view;
  std::vector<TRect> reports;  // every OnRubberbandChange
};

// Puts a white image of the size and format into the view and redraws it.
void ShowImage(TImageScrollBox& view, int32_t width, int32_t height,
               TGraphicFormat format = gfTrueColor);

// Mouse events on the picture control, in derived-image pixels.
void Press(TImageScrollBox& view, int x, int y, Qt::MouseButton button = Qt::LeftButton);
void MoveTo(TImageScrollBox& view, int x, int y, Qt::MouseButtons held = Qt::LeftButton);
void Release(TImageScrollBox& view, int x, int y, Qt::MouseButton button = Qt::LeftButton);
// Press, release, double click, release: what a window system sends.
void DoubleClick(TImageScrollBox& view, int x, int y);
// Press at `from`, move in a few steps to `to` with the left button, release.
void Drag(TImageScrollBox& view, QPoint from, QPoint to);

// The message of the exception `f` raises, or "no error".
template <typename F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

// Shows rectangles in failure messages.
char* toString(const TRect& rect);

// A copy of a file of tests/data in a temporary folder, under `name`.
std::string CopyFixture(const QTemporaryDir& dir, const std::string& fixture,
                        const std::string& name);

// The mouse handlers of TImageScrollBox: the view forwards mouse input on its
// picture to exactly one of them, chosen by the mouse mode.
//
//   TMouseHandler             the protocol: change notifications and mouse
//                             down, up and move in derived-image pixels
//   TRubberbandMouseHandler   draws, resizes and moves a selection band and
//                             hands the selection over in source pixels
//   TDragMouseHandler         pans the view with a hand cursor
//   TQuickSelectMouseHandler  cuts a dragged rectangle out at once
//   TAnnotationMouseHandler   holds the annotation text of the view
//
// Everything a handler draws is an overlay on the picture control, painted
// after the derived image through its paint hook: the source and derived
// images are never altered, and the overlay survives repaints.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QTimer>
#include <cstdint>
#include <string>

#include "platform/rect.h"
#include "viewer/cursors.h"
#include "viewer/imagescrollbox.h"

class QPainter;

class TMouseHandler {
 public:
  explicit TMouseHandler(TImageScrollBox& view);
  virtual ~TMouseHandler() = default;
  TMouseHandler(const TMouseHandler&) = delete;
  TMouseHandler& operator=(const TMouseHandler&) = delete;

  // Before the derived image or its placement changes, and after.
  virtual void BeforeChange() {}
  virtual void AfterChange() {}
  virtual void MouseDown(Qt::MouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void MouseUp(Qt::MouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void MouseMove(TShiftState shift, int32_t x, int32_t y) {}

  TImageScrollBox& View() const { return view_; }
  bool MouseIsDown() const { return mouseIsDown_; }

 protected:
  void SetMouseIsDown(bool down) { mouseIsDown_ = down; }

 private:
  TImageScrollBox& view_;
  bool mouseIsDown_ = false;
};

// How a drag changes the band.
enum TBandMovement : std::uint8_t {
  bmCorner = 0,          // (X2, Y2) follows the mouse
  bmVerticalEdge = 1,    // x stays: a top or bottom edge is dragged
  bmHorizontalEdge = 2,  // y stays: a left or right edge is dragged
  bmMove = 3,            // the whole band moves
};

// Grab handles: 0 top-left corner, 1 top edge, 2 top-right corner, 3 right
// edge, 4 bottom-right corner, 5 bottom edge, 6 bottom-left corner, 7 left
// edge, 8 inside. kNoGrabHandle: the point hits none.
inline constexpr int32_t kNoGrabHandle = -1;
// Raise "Invalid GrabHandle, GrabHandleToBandMovement" and "Invalid
// GrabHandle, GrabHandleToCursor" for codes above 8.
TBandMovement GrabHandleToBandMovement(int32_t grabHandle);
TCursor GrabHandleToCursor(int32_t grabHandle);

class TRubberbandMouseHandler : public TMouseHandler {
 public:
  explicit TRubberbandMouseHandler(TImageScrollBox& view);
  ~TRubberbandMouseHandler() override;

  void BeforeChange() override;
  void AfterChange() override;
  void MouseDown(Qt::MouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(Qt::MouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;

  // A band is shown and counts as a selection.
  bool SelectionExists() const { return bandVisible_; }
  // The selection in source-image pixels; ERubberbandError "A region is not
  // selected" without a band.
  TRect GetSelection() const;
  // Erases a visible band and reports (0, 0, 0, 0).
  void ClearSelection();

  // The band corners as they stand, (X2, Y2) being the dragged corner.
  TRect Band() const { return {X1, Y1, X2, Y2}; }
  // The grab handle under a point of the view's client area, or kNoGrabHandle.
  int32_t HitTest(int32_t cx, int32_t cy) const;

  QColor PenColor{255, 255, 255};
  QColor BrushColor{0, 0, 128};
  bool ShowGrips = false;
  int32_t GripSize = 6;
  QColor GripColor{0, 0, 128};
  bool Animated() const { return animationTimer_.isActive(); }
  // Swaps the pen and brush colours every AnimationInterval milliseconds.
  void SetAnimated(bool on);
  int32_t AnimationInterval = 400;

 private:
  void DrawBand();
  void EraseBand();
  void Report(const TRect& rect) const;
  void ReportChange() const;
  void Paint(QPainter& painter) const;
  QRegion BandRegion() const;
  QRect GripRect(QPoint corner) const;
  void Swap();

  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  bool bandVisible_ = false;
  bool waitingForChange_ = false;  // counts as visible, drawn again after the change
  TBandMovement bandMovement_ = bmCorner;
  int32_t grabHandle_ = 4;
  QPoint press_;
  int32_t savedWidth_ = 0, savedHeight_ = 0;
  QTimer animationTimer_;
};

class TDragMouseHandler : public TMouseHandler {
 public:
  explicit TDragMouseHandler(TImageScrollBox& view);
  // Gives the picture control its default cursor back.
  ~TDragMouseHandler() override;

  void MouseDown(Qt::MouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(Qt::MouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;

 private:
  QPoint press_;
  TCursor savedScreenCursor_ = crDefault;
};

class TQuickSelectMouseHandler : public TMouseHandler {
 public:
  explicit TQuickSelectMouseHandler(TImageScrollBox& view);
  ~TQuickSelectMouseHandler() override;

  void MouseDown(Qt::MouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(Qt::MouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;

  // The rectangle being dragged, in client coordinates, while one is drawn.
  bool Dragging() const { return drawn_; }
  QPoint Start() const { return start_; }
  QPoint End() const { return end_; }

 private:
  void Paint(QPainter& painter) const;
  QRect PictureRect() const;
  void Update() const;

  QPoint start_, end_;
  bool drawn_ = false;
};

// Keeps the view's annotation text while the view is in annotation mode.
class TAnnotationMouseHandler : public TMouseHandler {
 public:
  using TMouseHandler::TMouseHandler;
  std::string Text;
};

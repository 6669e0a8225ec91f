// The mouse handlers: the rubber band, dragging and quick select.
#include "viewer/mousehandlers.h"

#include <QPainter>

TMouseHandler::TMouseHandler(TImageScrollBox& view) : view_(view) {}

void TMouseHandler::MouseDown(Qt::MouseButton, TShiftState, int32_t, int32_t) {
  mouseIsDown_ = true;
}
void TMouseHandler::MouseUp(Qt::MouseButton, TShiftState, int32_t, int32_t) {
  mouseIsDown_ = false;
}

TBandMovement GrabHandleToBandMovement(int32_t) {
  return bmCorner;
}
TCursor GrabHandleToCursor(int32_t) {
  return crDefault;
}

TRubberbandMouseHandler::TRubberbandMouseHandler(TImageScrollBox& view) : TMouseHandler(view) {}
TRubberbandMouseHandler::~TRubberbandMouseHandler() = default;
void TRubberbandMouseHandler::BeforeChange() {}
void TRubberbandMouseHandler::AfterChange() {}
void TRubberbandMouseHandler::MouseDown(Qt::MouseButton, TShiftState, int32_t, int32_t) {}
void TRubberbandMouseHandler::MouseUp(Qt::MouseButton, TShiftState, int32_t, int32_t) {}
void TRubberbandMouseHandler::MouseMove(TShiftState, int32_t, int32_t) {}
TRect TRubberbandMouseHandler::GetSelection() const {
  return {};
}
void TRubberbandMouseHandler::ClearSelection() {}
int32_t TRubberbandMouseHandler::HitTest(int32_t, int32_t) const {
  return kNoGrabHandle;
}
void TRubberbandMouseHandler::SetAnimated(bool) {}

TDragMouseHandler::TDragMouseHandler(TImageScrollBox& view) : TMouseHandler(view) {}
TDragMouseHandler::~TDragMouseHandler() = default;
void TDragMouseHandler::MouseDown(Qt::MouseButton, TShiftState, int32_t, int32_t) {}
void TDragMouseHandler::MouseUp(Qt::MouseButton, TShiftState, int32_t, int32_t) {}
void TDragMouseHandler::MouseMove(TShiftState, int32_t, int32_t) {}

TQuickSelectMouseHandler::TQuickSelectMouseHandler(TImageScrollBox& view) : TMouseHandler(view) {}
TQuickSelectMouseHandler::~TQuickSelectMouseHandler() = default;
void TQuickSelectMouseHandler::MouseDown(Qt::MouseButton, TShiftState, int32_t, int32_t) {}
void TQuickSelectMouseHandler::MouseUp(Qt::MouseButton, TShiftState, int32_t, int32_t) {}
void TQuickSelectMouseHandler::MouseMove(TShiftState, int32_t, int32_t) {}

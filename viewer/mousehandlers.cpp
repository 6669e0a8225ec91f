// The mouse handlers: the rubber band, dragging and quick select.
#include "viewer/mousehandlers.h"

#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <algorithm>
#include <array>
#include <utility>

#include "graphics/transforms.h"
#include "platform/rounding.h"
#include "viewer/qtgraphic.h"

namespace {

// A point may be this many pixels off a corner or an edge and still grab it.
constexpr int32_t kGrabTolerance = 3;

QPoint ScrollPositionOf(const TImageScrollBox& view) {
  return {view.horizontalScrollBar()->value(), view.verticalScrollBar()->value()};
}

QPoint PicturePositionOf(const TImageScrollBox& view) {
  return view.PictureControl()->pos();
}

QSize DerivedSizeOf(const TImageScrollBox& view) {
  const TDibGraphic& g = view.DisplayGraphic();
  return {g.Width(), g.Height()};
}

// Registers `paint` as the derived image's paint hook, owned by `owner`.
template <typename Paint>
void HookPainting(const TImageScrollBox& view, const void* owner, Paint paint) {
  view.DisplayGraphic().SetPaintHook(owner, [paint](TPaintSurface& surface) {
    if (auto* s = dynamic_cast<TPainterSurface*>(&surface)) paint(s->painter);
  });
}

}  // namespace

// --- TMouseHandler -----------------------------------------------------------------

TMouseHandler::TMouseHandler(TImageScrollBox& view) : view_(view) {}

void TMouseHandler::MouseDown(Qt::MouseButton, TShiftState, int32_t, int32_t) {
  mouseIsDown_ = true;
}

void TMouseHandler::MouseUp(Qt::MouseButton, TShiftState, int32_t, int32_t) {
  mouseIsDown_ = false;
}

// --- Grab handles ----------------------------------------------------------------

TBandMovement GrabHandleToBandMovement(int32_t grabHandle) {
  // Corners 0, 2, 4, 6 drag a corner; edges 1 and 5 (top, bottom) keep x;
  // edges 3 and 7 (right, left) keep y; 8 is inside.
  static constexpr std::array<TBandMovement, 9> kMovement = {
      bmCorner, bmVerticalEdge,   bmCorner, bmHorizontalEdge, bmCorner, bmVerticalEdge,
      bmCorner, bmHorizontalEdge, bmMove};
  if (grabHandle < 0 || grabHandle > 8)
    throw platform::Exception("Invalid GrabHandle, GrabHandleToBandMovement");
  return kMovement[static_cast<std::size_t>(grabHandle)];
}

TCursor GrabHandleToCursor(int32_t grabHandle) {
  static constexpr std::array<TCursor, 9> kCursor = {crSizeNWSE, crSizeNS,   crSizeNESW,
                                                     crSizeWE,   crSizeNWSE, crSizeNS,
                                                     crSizeNESW, crSizeWE,   crOpenHand};
  if (grabHandle < 0 || grabHandle > 8)
    throw platform::Exception("Invalid GrabHandle, GrabHandleToCursor");
  return kCursor[static_cast<std::size_t>(grabHandle)];
}

// --- TRubberbandMouseHandler -------------------------------------------------------

TRubberbandMouseHandler::TRubberbandMouseHandler(TImageScrollBox& view) : TMouseHandler(view) {
  HookPainting(view, this, [this](QPainter& painter) { Paint(painter); });
  QObject::connect(&animationTimer_, &QTimer::timeout, [this] { Swap(); });
}

TRubberbandMouseHandler::~TRubberbandMouseHandler() {
  EraseBand();
  animationTimer_.stop();
  View().DisplayGraphic().RemovePaintHook(this);
}

void TRubberbandMouseHandler::SetAnimated(bool on) {
  if (on)
    animationTimer_.start(AnimationInterval);
  else
    animationTimer_.stop();
}

void TRubberbandMouseHandler::Swap() {
  std::swap(PenColor, BrushColor);
  if (bandVisible_) DrawBand();
}

QRegion TRubberbandMouseHandler::BandRegion() const {
  const QRect r = QRect(QPoint(X1, Y1), QPoint(X2, Y2)).normalized();
  QRegion region;
  region += QRect(r.left(), r.top(), r.width(), 1);
  region += QRect(r.left(), r.bottom(), r.width(), 1);
  region += QRect(r.left(), r.top(), 1, r.height());
  region += QRect(r.right(), r.top(), 1, r.height());
  if (ShowGrips)
    for (const QPoint& corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
      region += GripRect(corner);
  return region;
}

QRect TRubberbandMouseHandler::GripRect(QPoint corner) const {
  return {corner.x() - GripSize / 2, corner.y() - GripSize / 2, GripSize, GripSize};
}

void TRubberbandMouseHandler::Paint(QPainter& painter) const {
  if (!bandVisible_ || waitingForChange_) return;
  const QRect r = QRect(QPoint(X1, Y1), QPoint(X2, Y2)).normalized();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  // Gaps in the brush colour first, then the dots in the pen colour over them.
  painter.setPen(QPen(BrushColor, 0));
  painter.drawRect(QRect(r.topLeft(), QSize(r.width() - 1, r.height() - 1)));
  QPen dots(PenColor, 0);
  dots.setDashPattern({1, 1});
  painter.setPen(dots);
  painter.drawRect(QRect(r.topLeft(), QSize(r.width() - 1, r.height() - 1)));
  if (ShowGrips)
    for (const QPoint& corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
      painter.fillRect(GripRect(corner), GripColor);
  painter.restore();
}

void TRubberbandMouseHandler::DrawBand() {
  bandVisible_ = true;
  waitingForChange_ = false;
  View().PictureControl()->update(BandRegion());
}

void TRubberbandMouseHandler::EraseBand() {
  if (!bandVisible_) return;
  // The pixels under the band come back from the derived image on repaint.
  View().PictureControl()->update(BandRegion());
  bandVisible_ = false;
}

void TRubberbandMouseHandler::Report(const TRect& rect) const {
  if (View().OnRubberbandChange) View().OnRubberbandChange(rect);
}

void TRubberbandMouseHandler::ReportChange() const {
  Report({std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2)});
}

void TRubberbandMouseHandler::ClearSelection() {
  if (!bandVisible_) return;
  EraseBand();
  Report({0, 0, 0, 0});
}

int32_t TRubberbandMouseHandler::HitTest(int32_t cx, int32_t cy) const {
  const QPoint scroll = ScrollPositionOf(View());
  const int32_t hx = scroll.x(), hy = scroll.y();
  const auto near = [](int32_t a, int32_t b) { return std::abs(a - b) <= kGrabTolerance; };
  const int32_t px = cx + hx, py = cy + hy;
  if (near(px, X2) && near(py, Y2)) return 4;
  if (near(px, X1) && near(py, Y1)) return 0;
  if (near(px, X2) && near(py, Y1)) return 2;
  if (near(px, X1) && near(py, Y2)) return 6;
  const bool withinX = X1 - hx <= cx && cx <= X2 - hx;
  const bool withinY = Y1 - hy <= cy && cy <= Y2 - hy;
  if (near(py, Y1) && withinX) return 1;
  if (near(py, Y2) && withinX) return 5;
  if (near(px, X1) && withinY) return 7;
  if (near(px, X2) && withinY) return 3;
  // Inside: the band shrunk by the tolerance plus one across, grown by it
  // down; right and bottom excluded.
  const int32_t left = X1 + 4 - hx, top = Y1 - 4 - hy, right = X2 - 4 - hx, bottom = Y2 + 4 - hy;
  if (left <= cx && cx < right && top <= cy && cy < bottom) return 8;
  return kNoGrabHandle;
}

void TRubberbandMouseHandler::MouseDown(Qt::MouseButton, TShiftState, int32_t x, int32_t y) {
  if (View().Centered()) return;
  const QPoint picture = PicturePositionOf(View());
  const int32_t hit = bandVisible_ ? HitTest(x + picture.x(), y + picture.y()) : kNoGrabHandle;
  if (hit != kNoGrabHandle) {
    grabHandle_ = hit;
    bandMovement_ = GrabHandleToBandMovement(hit);
    // The grabbed corner or edge becomes (X2, Y2).
    if (hit == 0) {
      std::swap(X1, X2);
      std::swap(Y1, Y2);
    } else if (hit == 1 || hit == 2) {
      std::swap(Y1, Y2);
    } else if (hit == 6 || hit == 7) {
      std::swap(X1, X2);
    }
  } else {
    ClearSelection();
    bandMovement_ = bmCorner;
    grabHandle_ = 4;
    X1 = X2 = x;
    Y1 = Y2 = y;
  }
  SetMouseIsDown(true);
  press_ = {x, y};
}

void TRubberbandMouseHandler::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  const QPoint picture = PicturePositionOf(View());
  if (!MouseIsDown() && bandVisible_) {
    const int32_t hit = HitTest(x + picture.x(), y + picture.y());
    SetWidgetCursor(*View().PictureControl(),
                    hit == kNoGrabHandle ? crDefault : GrabHandleToCursor(hit));
    return;
  }
  if (!MouseIsDown() || !shift.Left()) return;
  const QPoint scroll = ScrollPositionOf(View());
  const QSize size = DerivedSizeOf(View());
  int32_t tx = std::clamp(x + picture.x() + scroll.x(), 0, std::max(0, size.width() - 1));
  int32_t ty = std::clamp(y + picture.y() + scroll.y(), 0, std::max(0, size.height() - 1));
  EraseBand();
  if (bandMovement_ == bmMove) {
    const int32_t dx = x - press_.x(), dy = y - press_.y();
    press_ = {x, y};
    // Each corner stops at the border on its own, so the band shrinks there.
    X1 = std::clamp(X1 + dx, 0, std::max(0, size.width() - 1));
    X2 = std::clamp(X2 + dx, 0, std::max(0, size.width() - 1));
    Y1 = std::clamp(Y1 + dy, 0, std::max(0, size.height() - 1));
    Y2 = std::clamp(Y2 + dy, 0, std::max(0, size.height() - 1));
  } else {
    if (bandMovement_ == bmVerticalEdge) tx = X2;
    if (bandMovement_ == bmHorizontalEdge) ty = Y2;
    X2 = tx;
    Y2 = ty;
  }
  DrawBand();
  ReportChange();
}

void TRubberbandMouseHandler::MouseUp(Qt::MouseButton, TShiftState, int32_t, int32_t) {
  if (!MouseIsDown()) return;
  if (bandVisible_) {
    if (X1 > X2) std::swap(X1, X2);
    if (Y1 > Y2) std::swap(Y1, Y2);
    // A click without a drag leaves no selection.
    if (X1 == X2 || Y1 == Y2) EraseBand();
  }
  SetMouseIsDown(false);
  ReportChange();
}

TRect TRubberbandMouseHandler::GetSelection() const {
  if (!bandVisible_) throw ERubberbandError("A region is not selected");
  const TDibGraphic& source = View().Graphic();
  const QSize derived = DerivedSizeOf(View());
  const double sx = static_cast<double>(source.Width()) / derived.width();
  const double sy = static_cast<double>(source.Height()) / derived.height();
  return {platform::Round(std::min(X1, X2) * sx), platform::Round(std::min(Y1, Y2) * sy),
          platform::Round(std::max(X1, X2) * sx), platform::Round(std::max(Y1, Y2) * sy)};
}

void TRubberbandMouseHandler::BeforeChange() {
  if (!bandVisible_) return;
  EraseBand();
  // A centred view has no selection; otherwise the band waits for the new
  // size to be scaled to it.
  if (View().Centered()) return;
  const QSize size = DerivedSizeOf(View());
  savedWidth_ = size.width();
  savedHeight_ = size.height();
  bandVisible_ = true;
  waitingForChange_ = true;
}

void TRubberbandMouseHandler::AfterChange() {
  if (!bandVisible_) return;
  const QSize size = DerivedSizeOf(View());
  if (savedWidth_ > 0 && savedHeight_ > 0) {
    const double kx = static_cast<double>(size.width()) / savedWidth_;
    const double ky = static_cast<double>(size.height()) / savedHeight_;
    X1 = platform::Trunc(X1 * kx);
    X2 = platform::Trunc(X2 * kx);
    Y1 = platform::Trunc(Y1 * ky);
    Y2 = platform::Trunc(Y2 * ky);
  }
  DrawBand();
  ReportChange();
}

// --- TDragMouseHandler -------------------------------------------------------------

TDragMouseHandler::TDragMouseHandler(TImageScrollBox& view) : TMouseHandler(view) {
  SetWidgetCursor(*view.PictureControl(), crOpenHand);
}

TDragMouseHandler::~TDragMouseHandler() {
  // The open hand was this handler's; the next mode starts from the default.
  QWidget& picture = *View().PictureControl();
  if (WidgetCursor(picture) == crOpenHand) SetWidgetCursor(picture, crDefault);
}

void TDragMouseHandler::MouseDown(Qt::MouseButton button, TShiftState, int32_t x, int32_t y) {
  const TImageScrollBox& view = View();
  if (button == Qt::RightButton ||
      (!view.ScrollBarVisible(Qt::Horizontal) && !view.ScrollBarVisible(Qt::Vertical)))
    return;
  SetMouseIsDown(true);
  press_ = {x, y};
  savedScreenCursor_ = ScreenCursor();
  SetScreenCursor(crClosedHand);
}

void TDragMouseHandler::MouseMove(TShiftState, int32_t x, int32_t y) {
  if (!MouseIsDown()) return;
  // The press position stays: the picture moves under the pointer, so the
  // pointer stays over the same image pixel.
  QScrollBar* h = View().horizontalScrollBar();
  QScrollBar* v = View().verticalScrollBar();
  h->setValue(h->value() + press_.x() - x);
  v->setValue(v->value() + press_.y() - y);
  View().viewport()->repaint();
}

void TDragMouseHandler::MouseUp(Qt::MouseButton, TShiftState, int32_t, int32_t) {
  if (!MouseIsDown()) return;
  SetMouseIsDown(false);
  if (ScreenCursor() == crClosedHand) SetScreenCursor(savedScreenCursor_);
}

// --- TQuickSelectMouseHandler --------------------------------------------------------

TQuickSelectMouseHandler::TQuickSelectMouseHandler(TImageScrollBox& view) : TMouseHandler(view) {
  SetWidgetCursor(*view.PictureControl(), crDefault);
  HookPainting(view, this, [this](QPainter& painter) { Paint(painter); });
}

TQuickSelectMouseHandler::~TQuickSelectMouseHandler() {
  View().DisplayGraphic().RemovePaintHook(this);
}

QRect TQuickSelectMouseHandler::PictureRect() const {
  // The rectangle in the picture control's coordinates.
  const QPoint picture = PicturePositionOf(View());
  return QRect(start_ - picture, end_ - picture).normalized();
}

void TQuickSelectMouseHandler::Paint(QPainter& painter) const {
  if (!drawn_) return;
  // Black dots leave the screen as it is under an exclusive-or; the white
  // gaps between them invert it. Drawing twice gives the screen back.
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen gaps(QColor(255, 255, 255), 0);
  gaps.setDashPattern({1, 1});
  gaps.setDashOffset(1);
  painter.setPen(gaps);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(PictureRect());
  painter.restore();
}

void TQuickSelectMouseHandler::Update() const {
  const QRect r = PictureRect().adjusted(0, 0, 1, 1);
  QRegion outline = QRegion(r) - QRegion(r.adjusted(1, 1, -1, -1));
  View().PictureControl()->update(outline);
}

void TQuickSelectMouseHandler::MouseDown(Qt::MouseButton button, TShiftState shift, int32_t x,
                                         int32_t y) {
  if (View().Centered()) return;
  TMouseHandler::MouseDown(button, shift, x, y);
  const QPoint picture = PicturePositionOf(View());
  start_ = end_ = QPoint(x, y) + picture;
  drawn_ = true;
  Update();
}

void TQuickSelectMouseHandler::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  if (!MouseIsDown() || !shift.Left()) return;
  const QWidget& picture = *View().PictureControl();
  const QPoint p = QPoint(x, y) + picture.pos();
  Update();  // the old rectangle goes
  end_ = {std::clamp(p.x(), picture.x(), picture.x() + picture.width()),
          std::clamp(p.y(), picture.y(), picture.y() + picture.height())};
  Update();
}

void TQuickSelectMouseHandler::MouseUp(Qt::MouseButton button, TShiftState shift, int32_t x,
                                       int32_t y) {
  if (!MouseIsDown()) return;
  TMouseHandler::MouseUp(button, shift, x, y);
  Update();
  drawn_ = false;
  const QSize size = DerivedSizeOf(View());
  const QPoint end(std::clamp(x, 0, size.width()), std::clamp(y, 0, size.height()));
  const QPoint start = start_ - PicturePositionOf(View());
  const TRect rect{std::min(start.x(), end.x()), std::min(start.y(), end.y()),
                   std::max(start.x(), end.x()), std::max(start.y(), end.y())};
  if (rect.Right - rect.Left <= 0 || rect.Bottom - rect.Top <= 0) return;
  TCropTransform crop;
  crop.CropByRect = false;
  crop.CropTop = rect.Top;
  crop.CropLeft = rect.Left;
  crop.CropBottom = size.height() - rect.Bottom;
  crop.CropRight = size.width() - rect.Right;
  TDibGraphic cut;
  crop.ApplyOnDest(View().DisplayGraphic(), cut);
  if (View().OnQuickSelect) View().OnQuickSelect(&View(), cut, rect);
}

// TImageScrollBox: loading, zoom computation, the rebuild of the derived
// image, scrolling, page animation and the mouse plumbing to the handler.
#include "viewer/imagescrollbox.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cctype>

#include "platform/rounding.h"
#include "viewer/mousehandlers.h"
#include "viewer/qtgraphic.h"

// The child control that shows the derived image. A repaint converts only
// the part of the image it exposes, so scrolling and band feedback cost what
// the screen shows, whatever the size of the image.
class TPictureControl : public QWidget {
 public:
  explicit TPictureControl(TImageScrollBox& view) : QWidget(view.viewport()), view_(view) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    const TDibGraphic& image = *view_.displayGraphic_;
    const QRect imageRect(0, 0, image.Width(), image.Height());
    // While pages are animated the control may be larger than the page.
    for (const QRect& r : event->region() - QRegion(imageRect))
      painter.fillRect(r, palette().window());
    DrawUnscaled(image, painter, event->rect());
  }
  void mousePressEvent(QMouseEvent* e) override {
    view_.ImageMouseDown(e->button(), ShiftOf(e), Position(e));
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    view_.ImageMouseUp(e->button(), ShiftOf(e), Position(e));
  }
  void mouseMoveEvent(QMouseEvent* e) override { view_.ImageMouseMove(ShiftOf(e), Position(e)); }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    // The second press of a double click is a press as well, so that every
    // release has its press.
    if (view_.OnImageDblClick) view_.OnImageDblClick(&view_);
    mousePressEvent(e);
  }

 private:
  static TShiftState ShiftOf(const QMouseEvent* e) { return {e->modifiers(), e->buttons()}; }
  static QPoint Position(const QMouseEvent* e) { return e->position().toPoint(); }

  TImageScrollBox& view_;
};

namespace {

bool SameFileName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// The rubber band of the view's handler, when that is the handler.
TRubberbandMouseHandler* RubberbandOf(TMouseHandler* handler) {
  return dynamic_cast<TRubberbandMouseHandler*>(handler);
}

// The derived size of a source dimension at a zoom: truncated, at least 1.
int32_t DerivedSize(int32_t size, float zoom) {
  return std::max(1, platform::Trunc(static_cast<float>(size) * (zoom / 100.0f)));
}

}  // namespace

TImageScrollBox::TImageScrollBox(QWidget* parent)
    : QAbstractScrollArea(parent),
      graphic_(std::make_unique<TDibGraphic>()),
      displayGraphic_(std::make_unique<TDibGraphic>()) {
  setFrameShape(QFrame::NoFrame);
  resize(100, 100);
  SetScrollBarVisible(Qt::Horizontal, false);
  SetScrollBarVisible(Qt::Vertical, false);
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    bar->setTracking(true);
    bar->installEventFilter(this);
    connect(bar, &QAbstractSlider::actionTriggered, this, [this] { ScrollAction(); });
  }
  picture_ = new TPictureControl(*this);
  picture_->move(0, 0);
  picture_->hide();
  animationTimer_.setSingleShot(false);
  connect(&animationTimer_, &QTimer::timeout, this, [this] { AnimationTick(); });
  SetMouseMode(mmDrag);
}

TImageScrollBox::~TImageScrollBox() {
  animationTimer_.stop();
  // The handler reaches into the view: it goes while the view is whole.
  DropHandler();
}

QWidget* TImageScrollBox::PictureControl() const {
  return picture_;
}

// --- Properties ------------------------------------------------------------------

void TImageScrollBox::SetFileName(const std::string& fileName) {
  if (fileName.empty())
    Clear();
  else
    LoadFromFile(fileName, 1);
}

void TImageScrollBox::SetReadAheadFileName(const std::string& fileName) {
  readAheadFileName_ = fileName;
  readAhead_.Request(fileName);
}

void TImageScrollBox::SetAntiAliased(bool on) {
  antiAliased_ = on;
  if (graphic_->ImageFormat() == gfBlackWhite && !graphic_->IsEmpty()) Redraw(false);
}

void TImageScrollBox::SetZoomMode(TZoomMode mode) {
  if (mode == zoomMode_) return;
  zoomMode_ = mode;
  Redraw(false);
}

void TImageScrollBox::SetZoomPercent(float zoom) {
  constexpr float kSmallestZoom = 0.1f;  // at or below it the request is ignored
  if ((zoomMode_ == zmPercent && zoom_ == zoom) || graphic_->IsEmpty() || zoom <= kSmallestZoom)
    return;
  // The previous zoom moves along, so the redraw sees no change: this setter
  // notifies the handler and raises OnZoomChange itself, once.
  zoom_ = zoom;
  previousZoom_ = zoom;
  zoomMode_ = zmPercent;
  if (handler_) handler_->BeforeChange();
  Redraw(false);
  if (handler_) handler_->AfterChange();
  if (OnZoomChange) OnZoomChange(this, zoom_);
}

void TImageScrollBox::SetCentered(bool on) {
  centered_ = on;
  if (handler_) handler_->BeforeChange();
  Redraw(false);
  if (handler_) handler_->AfterChange();
}

// --- Loading -------------------------------------------------------------------

void TImageScrollBox::LoadFromFile(const std::string& fileName, int32_t pageIndex) {
  const bool wasAnimated = animated_;
  Animate(false);
  std::unique_ptr<TDibGraphic> ready;
  if (SameFileName(fileName, readAheadFileName_)) ready = readAhead_.Take();
  if (ready) {
    ClearBand();
    graphic_ = std::move(ready);
    readAheadFileName_.clear();
  } else {
    // The file is read before anything changes: a file that cannot be opened
    // leaves the view as it was.
    const std::vector<std::uint8_t> data = ReadFileBytes(fileName);
    ClearBand();
    graphic_ = std::make_unique<TDibGraphic>();
    try {
      graphic_ = LoadGraphic(fileName, data, pageIndex, OnReadWriteProgress);
    } catch (...) {
      // The view shows nothing rather than the previous picture under an
      // empty graphic.
      fileName_.clear();
      Redraw(true);
      throw;
    }
  }
  if (OnNewGraphic) OnNewGraphic(*graphic_);
  Redraw(true);
  fileName_ = fileName;
  if (wasAnimated) Animate(true);
}

void TImageScrollBox::Clear() {
  graphic_->Clear();
  fileName_.clear();
  ClearBand();
  if (OnNewGraphic) OnNewGraphic(*graphic_);
  Redraw(true);
}

void TImageScrollBox::ClearBand() {
  if (TRubberbandMouseHandler* band = RubberbandOf(handler_.get())) band->ClearSelection();
}

// --- Redraw --------------------------------------------------------------------

void TImageScrollBox::Redraw(bool force) {
  if (parentWidget() == nullptr || !isVisibleTo(parentWidget()) || redrawing_) return;
  redrawing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{redrawing_};

  if (graphic_->IsEmpty()) {
    displayGraphic_->Clear();
    SetScrollBarVisible(Qt::Horizontal, false);
    SetScrollBarVisible(Qt::Vertical, false);
    picture_->hide();
    return;
  }
  const float zoom = ComputeZoom();
  const bool zoomChanged = previousZoom_ != zoom;
  zoom_ = zoom;
  if (zoomChanged && OnZoomChange) OnZoomChange(this, zoom);
  previousZoom_ = zoom;

  const bool notify = handler_ != nullptr && (force || zoomChanged);
  if (notify) handler_->BeforeChange();
  RebuildDisplay(zoom);
  if (OnRedraw) OnRedraw(*graphic_);
  if (picture_->isHidden()) picture_->show();
  if (notify) handler_->AfterChange();
}

float TImageScrollBox::ComputeZoom() {
  const auto w = static_cast<float>(graphic_->Width());
  const auto h = static_cast<float>(graphic_->Height());
  switch (zoomMode_) {
    case zmOriginalSize:
      return 100.0f;
    case zmFullPage:
    case zmFitToPage: {
      SetScrollBarVisible(Qt::Vertical, false);
      const float kx = static_cast<float>(viewport()->width()) / w;
      SetScrollBarVisible(Qt::Horizontal, false);
      const float ky = static_cast<float>(viewport()->height()) / h;
      const float zoom = 100.0f * (kx < ky ? kx : ky);
      return zoomMode_ == zmFitToPage && zoom > 100.0f ? 100.0f : zoom;
    }
    case zmFitWidth:
      return 100.0f * (static_cast<float>(viewport()->width()) / w);
    case zmFitHeight:
      SetScrollBarVisible(Qt::Horizontal, false);
      SetScrollBarVisible(Qt::Vertical, false);
      return 100.0f * (static_cast<float>(viewport()->height()) / h);
    case zmPercent:
      break;
  }
  return zoom_;
}

void TImageScrollBox::RebuildDisplay(float zoom) {
  const int32_t w = DerivedSize(graphic_->Width(), zoom);
  const int32_t h = DerivedSize(graphic_->Height(), zoom);
  // Both bars are decided on the client area as the zoom computation left it.
  const bool horizontal = w > viewport()->width();
  const bool vertical = h > viewport()->height();
  SetScrollBarVisible(Qt::Horizontal, horizontal);
  SetScrollBarVisible(Qt::Vertical, vertical);

  resize_.TargetWidth = w;
  resize_.TargetHeight = h;
  resize_.ForceFormat = true;
  resize_.ForcedFormat = gfTrueColor;
  resize_.Interpolate = false;
  if (graphic_->ImageFormat() == gfBlackWhite && antiAliased_) {
    antiAlias_.TargetWidth = w;
    antiAlias_.TargetHeight = h;
    antiAlias_.ApplyOnDest(*graphic_, *displayGraphic_);
    resize_.Apply(*displayGraphic_);
  } else {
    resize_.ApplyOnDest(*graphic_, *displayGraphic_);
  }
  picture_->resize(w, h);
  UpdateScrollRanges();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  PlacePicture(w, h);
  imageRect_ = {picturePlace_.x(), picturePlace_.y(), picturePlace_.x() + w, picturePlace_.y() + h};
  picture_->update();
}

void TImageScrollBox::PlacePicture(int32_t width, int32_t height) {
  // Centring uses the view's outer size, not its client area.
  picturePlace_ = QPoint(0, 0);
  if (centered_) {
    if (height < this->height()) picturePlace_.setY(platform::Trunc((this->height() - height) / 2));
    if (width < this->width()) picturePlace_.setX(platform::Trunc((this->width() - width) / 2));
  }
  picture_->move(picturePlace_ -
                 QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
}

void TImageScrollBox::SetScrollBarVisible(Qt::Orientation orientation, bool visible) {
  const Qt::ScrollBarPolicy policy = visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (orientation == Qt::Horizontal)
    setHorizontalScrollBarPolicy(policy);
  else
    setVerticalScrollBarPolicy(policy);
}

bool TImageScrollBox::ScrollBarVisible(Qt::Orientation orientation) const {
  const Qt::ScrollBarPolicy policy =
      orientation == Qt::Horizontal ? horizontalScrollBarPolicy() : verticalScrollBarPolicy();
  return policy == Qt::ScrollBarAlwaysOn;
}

void TImageScrollBox::UpdateScrollRanges() {
  // A range of W' on a client width c scrolls from 0 to W' - c.
  const QSize size = displayGraphic_->IsEmpty()
                         ? QSize(0, 0)
                         : QSize(displayGraphic_->Width(), displayGraphic_->Height());
  const QSize client = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, size.width() - client.width()));
  horizontalScrollBar()->setPageStep(client.width());
  verticalScrollBar()->setRange(0, std::max(0, size.height() - client.height()));
  verticalScrollBar()->setPageStep(client.height());
}

// --- Scrolling -------------------------------------------------------------------

void TImageScrollBox::scrollContentsBy(int, int) {
  picture_->move(picturePlace_ -
                 QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
}

void TImageScrollBox::ScrollAction() {
  if (!scrolling_ && scrollBarPressed_) {
    scrolling_ = true;
    if (OnBeginScroll) OnBeginScroll(this);
  }
  viewport()->repaint();
}

bool TImageScrollBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == horizontalScrollBar() || watched == verticalScrollBar()) {
    if (event->type() == QEvent::MouseButtonPress) scrollBarPressed_ = true;
    if (event->type() == QEvent::MouseButtonRelease) {
      scrollBarPressed_ = false;
      if (scrolling_) {
        scrolling_ = false;
        if (OnEndScroll) OnEndScroll(this);
        viewport()->repaint();
      }
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

bool TImageScrollBox::event(QEvent* event) {
  const bool result = QAbstractScrollArea::event(event);
  if (event->type() == QEvent::Resize) Redraw(false);
  return result;
}

bool TImageScrollBox::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Resize) UpdateScrollRanges();
  return QAbstractScrollArea::viewportEvent(event);
}

// --- Mouse mode and handler ------------------------------------------------------

void TImageScrollBox::SetMouseMode(TMouseMode mode) {
  if (mode == mouseMode_) return;
  if (mouseMode_ == mmAnnotation)
    if (auto* annotation = dynamic_cast<TAnnotationMouseHandler*>(handler_.get()))
      annotationText_ = annotation->Text;
  switch (mode) {
    case mmDrag:
      InstallOwnedHandler(std::make_unique<TDragMouseHandler>(*this));
      break;
    case mmQuickSelect:
      InstallOwnedHandler(std::make_unique<TQuickSelectMouseHandler>(*this));
      break;
    case mmRubberband:
      InstallOwnedHandler(std::make_unique<TRubberbandMouseHandler>(*this));
      break;
    case mmAnnotation: {
      auto annotation = std::make_unique<TAnnotationMouseHandler>(*this);
      annotation->Text = annotationText_;
      InstallOwnedHandler(std::move(annotation));
      break;
    }
    case mmNone:
      DropHandler();
      SetWidgetCursor(*picture_, crDefault);
      break;
  }
  mouseMode_ = mode;
}

void TImageScrollBox::InstallOwnedHandler(std::unique_ptr<TMouseHandler> handler) {
  DropHandler();
  handler_ = std::move(handler);
  MouseHandlerOwnership = true;
}

void TImageScrollBox::SetMouseHandler(TMouseHandler* handler) {
  if (handler == handler_.get()) return;
  DropHandler();
  handler_.reset(handler);
}

void TImageScrollBox::DropHandler() {
  // A handler the view does not own belongs to whoever installed it.
  if (!MouseHandlerOwnership) static_cast<void>(handler_.release());
  handler_.reset();
}

void TImageScrollBox::ImageMouseDown(Qt::MouseButton button, TShiftState shift, QPoint p) {
  if (handler_) handler_->MouseDown(button, shift, p.x(), p.y());
  if (OnImageMouseDown) OnImageMouseDown(this, button, shift, p.x(), p.y());
}

void TImageScrollBox::ImageMouseUp(Qt::MouseButton button, TShiftState shift, QPoint p) {
  if (handler_) handler_->MouseUp(button, shift, p.x(), p.y());
  if (OnImageMouseUp) OnImageMouseUp(this, button, shift, p.x(), p.y());
}

void TImageScrollBox::ImageMouseMove(TShiftState shift, QPoint p) {
  if (handler_) handler_->MouseMove(shift, p.x(), p.y());
  if (OnImageMouseMove) OnImageMouseMove(this, shift, p.x(), p.y());
}

// --- Pages -----------------------------------------------------------------------

namespace {

// The pages the graphic holds in memory (a file loaded with every page).
int32_t LoadedPages(const TDibGraphic& graphic) {
  int32_t n = 0;
  while (graphic.Page(n + 1) != nullptr) ++n;
  return n;
}

}  // namespace

void TImageScrollBox::Animate(bool on) {
  animated_ = on && LoadedPages(*graphic_) >= 2;
  graphic_->Animate(animated_);
  if (!animated_) {
    animationTimer_.stop();
    return;
  }
  EnlargeForAnimation();
  animationTimer_.start(std::max(1, graphic_->FrameDelay));
}

void TImageScrollBox::EnlargeForAnimation() {
  // The control takes the size of the largest page, so that pages of
  // different sizes do not make the view jump.
  int32_t w = picture_->width(), h = picture_->height();
  for (int32_t i = 1; const TDibGraphic* page = graphic_->Page(i); ++i) {
    w = std::max(w, DerivedSize(page->Width(), zoom_));
    h = std::max(h, DerivedSize(page->Height(), zoom_));
  }
  picture_->resize(w, h);
}

void TImageScrollBox::AnimationTick() {
  graphic_->NextPage();
  Redraw(true);
  if (animated_) EnlargeForAnimation();
}

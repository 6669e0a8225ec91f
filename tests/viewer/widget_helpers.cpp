#include "widget_helpers.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QTest>

ShownView::ShownView(int width, int height) {
  view = new TImageScrollBox(&parent);
  parent.resize(width, height);
  view->setGeometry(0, 0, width, height);
  view->OnRubberbandChange = [this](const TRect& r) { reports.push_back(r); };
  parent.show();
}

void ShowImage(TImageScrollBox& view, int32_t width, int32_t height, TGraphicFormat format) {
  view.Graphic().NewImage(width, height, format, {}, 0, 0);
  view.Graphic().Fill(RGBColor(255, 255, 255));
  view.Redraw(true);
}

namespace {

void Send(TImageScrollBox& view, QEvent::Type type, QPoint p, Qt::MouseButton button,
          Qt::MouseButtons held) {
  QWidget* picture = view.PictureControl();
  QMouseEvent event(type, QPointF(p), QPointF(picture->mapToGlobal(p)), button, held,
                    Qt::NoModifier);
  QApplication::sendEvent(picture, &event);
}

}  // namespace

void Press(TImageScrollBox& view, int x, int y, Qt::MouseButton button) {
  Send(view, QEvent::MouseButtonPress, {x, y}, button, button);
}

void MoveTo(TImageScrollBox& view, int x, int y, Qt::MouseButtons held) {
  Send(view, QEvent::MouseMove, {x, y}, Qt::NoButton, held);
}

void Release(TImageScrollBox& view, int x, int y, Qt::MouseButton button) {
  Send(view, QEvent::MouseButtonRelease, {x, y}, button, Qt::NoButton);
}

void DoubleClick(TImageScrollBox& view, int x, int y) {
  Press(view, x, y);
  Release(view, x, y);
  Send(view, QEvent::MouseButtonDblClick, {x, y}, Qt::LeftButton, Qt::LeftButton);
  Release(view, x, y);
}

void Drag(TImageScrollBox& view, QPoint from, QPoint to) {
  Press(view, from.x(), from.y());
  const QPoint middle = (from + to) / 2;
  MoveTo(view, middle.x(), middle.y());
  MoveTo(view, to.x(), to.y());
  Release(view, to.x(), to.y());
}

std::string CopyFixture(const QTemporaryDir& dir, const std::string& fixture,
                        const std::string& name) {
  const QString target = dir.filePath(QString::fromStdString(name));
  QFile::copy(QString(VEREVIZU_TEST_DATA "/") + QString::fromStdString(fixture), target);
  return target.toStdString();
}

char* toString(const TRect& r) {
  return QTest::toString(
      QString("(%1, %2, %3, %4)").arg(r.Left).arg(r.Top).arg(r.Right).arg(r.Bottom));
}

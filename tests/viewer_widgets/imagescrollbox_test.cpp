// The view: construction defaults.
#include <QTest>

#include "viewer/imagescrollbox.h"
#include "viewer/mousehandlers.h"

class ImageScrollBoxTest : public QObject {
  Q_OBJECT
 private slots:
  void Defaults() {
    TImageScrollBox view;
    QCOMPARE(view.ZoomMode(), zmOriginalSize);
    QCOMPARE(view.ZoomPercent(), 100.0f);
    QVERIFY(view.Graphic().IsEmpty());
  }
};

QTEST_MAIN(ImageScrollBoxTest)
#include "imagescrollbox_test.moc"

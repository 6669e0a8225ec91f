// The mouse handlers driven by synthetic mouse events on the picture: the
// rubber band (drawing, grabbing, moving, clamping, the selection in source
// pixels, zoom changes, centring, the overlay), the drag handler and quick
// select.
#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "viewer/mousehandlers.h"
#include "widget_helpers.h"

namespace {

TRubberbandMouseHandler& Band(TImageScrollBox& view) {
  view.SetMouseMode(mmRubberband);
  return dynamic_cast<TRubberbandMouseHandler&>(*view.MouseHandler());
}

// A band drawn by dragging from `from` to `to`.
TRubberbandMouseHandler& BandFromDrag(TImageScrollBox& view, QPoint from, QPoint to) {
  TRubberbandMouseHandler& band = Band(view);
  Drag(view, from, to);
  return band;
}

}  // namespace

Q_DECLARE_METATYPE(TRect)

class MouseHandlersTest : public QObject {
  Q_OBJECT

 private slots:
  void ClickWithoutDragLeavesNoSelection() {
    ShownView s;
    ShowImage(*s.view, 300, 200);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {40, 40}, {100, 90});
    QVERIFY(band.SelectionExists());
    Press(*s.view, 150, 150);  // outside the band: it goes, reported empty
    Release(*s.view, 150, 150);
    QVERIFY(!band.SelectionExists());
    QCOMPARE(s.reports.at(s.reports.size() - 2), (TRect{0, 0, 0, 0}));
    QCOMPARE(s.reports.back(), (TRect{150, 150, 150, 150}));
    // A press and a release on one row: a line is no selection either.
    Drag(*s.view, {10, 60}, {80, 60});
    QVERIFY(!band.SelectionExists());
    QCOMPARE(s.reports.back(), (TRect{10, 60, 80, 60}));
    QCOMPARE(MessageOf([&] { band.GetSelection(); }), std::string("A region is not selected"));
  }

  void DragsSelectInSourcePixels_data() {
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<TRect>("band");
    QTest::addColumn<TRect>("selection");
    QTest::newRow("backwards at 100 %") << 100.0f << QPoint(120, 80) << QPoint(20, 30)
                                        << TRect{20, 30, 120, 80} << TRect{20, 30, 120, 80};
    QTest::newRow("50 %") << 50.0f << QPoint(10, 10) << QPoint(99, 49) << TRect{10, 10, 99, 49}
                          << TRect{20, 20, 198, 98};
    // 299 / 3 = 99.67 and 149 / 3 = 49.67 round up.
    QTest::newRow("300 %") << 300.0f << QPoint(0, 0) << QPoint(299, 149) << TRect{0, 0, 299, 149}
                           << TRect{0, 0, 100, 50};
    // 3 x 0.5 = 1.5 and 5 x 0.5 = 2.5: halves go to the even neighbour.
    QTest::newRow("200 %, ties to even")
        << 200.0f << QPoint(3, 5) << QPoint(5, 9) << TRect{3, 5, 5, 9} << TRect{2, 2, 2, 4};
  }
  void DragsSelectInSourcePixels() {
    QFETCH(float, zoom);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    ShownView s;
    ShowImage(*s.view, 1000, 800);
    s.view->SetZoomPercent(zoom);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, from, to);
    QVERIFY(band.SelectionExists());
    QTEST(band.Band(), "band");
    QTEST(s.reports.back(), "band");
    QTEST(band.GetSelection(), "selection");
  }

  void PressesGrabCornersEdgesOrTheInside_data() {
    // The band is (100, 100) - (200, 150); a press at `press`, a move by
    // `by` with the left button, a release.
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("by");
    QTest::addColumn<TRect>("band");
    QTest::newRow("3 px off bottom-right")
        << QPoint(203, 153) << QPoint(20, 10) << TRect{100, 100, 223, 163};
    QTest::newRow("top-left swaps")
        << QPoint(98, 99) << QPoint(-30, -40) << TRect{68, 59, 200, 150};
    QTest::newRow("top-right") << QPoint(201, 101) << QPoint(10, -10) << TRect{100, 91, 211, 150};
    QTest::newRow("bottom-left") << QPoint(99, 151) << QPoint(-9, 9) << TRect{90, 100, 200, 160};
    QTest::newRow("top edge keeps x")
        << QPoint(150, 102) << QPoint(30, -20) << TRect{100, 82, 200, 150};
    QTest::newRow("right edge keeps y")
        << QPoint(203, 120) << QPoint(15, 40) << TRect{100, 100, 218, 150};
    QTest::newRow("left edge") << QPoint(97, 120) << QPoint(-7, 40) << TRect{90, 100, 200, 150};
    QTest::newRow("4 px inside moves")
        << QPoint(104, 120) << QPoint(10, 5) << TRect{110, 105, 210, 155};
    QTest::newRow("outside starts anew")
        << QPoint(250, 20) << QPoint(-10, 30) << TRect{240, 20, 250, 50};
  }
  void PressesGrabCornersEdgesOrTheInside() {
    QFETCH(QPoint, press);
    QFETCH(QPoint, by);
    ShownView s;
    ShowImage(*s.view, 400, 300);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {100, 100}, {200, 150});
    Press(*s.view, press.x(), press.y());
    MoveTo(*s.view, press.x() + by.x(), press.y() + by.y());
    Release(*s.view, press.x() + by.x(), press.y() + by.y());
    QTEST(band.Band(), "band");
    QVERIFY(band.SelectionExists());
  }

  void HitTestOrderAndTolerance_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("handle");
    QTest::newRow("bottom-right") << QPoint(200, 150) << 4;
    QTest::newRow("top-left") << QPoint(100, 100) << 0;
    QTest::newRow("top-right") << QPoint(203, 97) << 2;
    QTest::newRow("bottom-left") << QPoint(100, 150) << 6;
    QTest::newRow("top edge") << QPoint(150, 98) << 1;
    QTest::newRow("bottom edge") << QPoint(150, 153) << 5;
    QTest::newRow("left edge") << QPoint(97, 120) << 7;
    QTest::newRow("right edge") << QPoint(203, 120) << 3;
    QTest::newRow("inside") << QPoint(150, 125) << 8;
    QTest::newRow("4 px above the top is inside") << QPoint(150, 96) << 8;
    QTest::newRow("right end of the inside excluded") << QPoint(196, 120) << kNoGrabHandle;
    QTest::newRow("4 px left of the band") << QPoint(96, 120) << kNoGrabHandle;
    QTest::newRow("far away") << QPoint(300, 250) << kNoGrabHandle;
  }
  void HitTestOrderAndTolerance() {
    QFETCH(QPoint, point);
    ShownView s;
    ShowImage(*s.view, 400, 300);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {100, 100}, {200, 150});
    QTEST(band.HitTest(point.x(), point.y()), "handle");
  }

  void HitTestOnATinyBandPrefersTheDraggedCorner() {
    ShownView s;
    ShowImage(*s.view, 100, 100);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {10, 10}, {12, 12});
    QCOMPARE(band.HitTest(11, 11), 4);
  }

  void HoverShowsTheGrabCursor() {
    ShownView s;
    ShowImage(*s.view, 400, 300);
    BandFromDrag(*s.view, {100, 100}, {200, 150});
    QWidget& picture = *s.view->PictureControl();
    for (const auto& [point, cursor] :
         std::vector<std::pair<QPoint, TCursor>>{{{100, 100}, crSizeNWSE},
                                                 {{200, 100}, crSizeNESW},
                                                 {{150, 100}, crSizeNS},
                                                 {{100, 120}, crSizeWE},
                                                 {{150, 120}, crOpenHand},
                                                 {{300, 250}, crDefault}}) {
      MoveTo(*s.view, point.x(), point.y(), Qt::NoButton);
      QCOMPARE(WidgetCursor(picture), cursor);
    }
  }

  void InvalidGrabHandlesRaise() {
    QCOMPARE(MessageOf([] { GrabHandleToBandMovement(9); }),
             std::string("Invalid GrabHandle, GrabHandleToBandMovement"));
    QCOMPARE(MessageOf([] { GrabHandleToCursor(9); }),
             std::string("Invalid GrabHandle, GrabHandleToCursor"));
    QCOMPARE(GrabHandleToBandMovement(8), bmMove);
    QCOMPARE(GrabHandleToCursor(8), crOpenHand);
  }

  void MovingAgainstTheBorderClampsEachCorner() {
    ShownView s;
    ShowImage(*s.view, 300, 200);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {250, 150}, {290, 190});
    Press(*s.view, 270, 170);
    MoveTo(*s.view, 300, 200);  // by (30, 30)
    Release(*s.view, 300, 200);
    QCOMPARE(band.Band(), (TRect{280, 180, 299, 199}));
    // Dragging a corner past the image stops at its last pixel.
    Drag(*s.view, {10, 10}, {500, -40});
    QCOMPARE(band.Band(), (TRect{10, 0, 299, 10}));
  }

  void ZoomChangeScalesTheBandAndReportsIt() {
    ShownView s;
    ShowImage(*s.view, 400, 300);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {10, 21}, {51, 41});
    s.view->SetZoomPercent(200);
    QCOMPARE(band.Band(), (TRect{20, 42, 102, 82}));
    QCOMPARE(s.reports.back(), (TRect{20, 42, 102, 82}));
    QCOMPARE(band.GetSelection(), (TRect{10, 21, 51, 41}));
    s.view->SetZoomPercent(30);  // 120 of 800 wide: 102 x 0.15 = 15.3 truncated
    QCOMPARE(band.Band(), (TRect{3, 6, 15, 12}));
  }

  void CentredViewIgnoresPressesAndDropsTheBand() {
    ShownView s;
    ShowImage(*s.view, 200, 100);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {10, 10}, {50, 50});
    s.view->SetCentered(true);
    QVERIFY(!band.SelectionExists());
    Drag(*s.view, {20, 20}, {80, 60});
    QVERIFY(!band.SelectionExists());
    s.view->SetZoomPercent(150);
    QVERIFY(!band.SelectionExists());
  }

  void NewImageAndClearRemoveTheBand() {
    ShownView s;
    ShowImage(*s.view, 200, 100);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {10, 10}, {50, 50});
    s.view->Clear();
    QVERIFY(!band.SelectionExists());
    QCOMPARE(s.reports.back(), (TRect{0, 0, 0, 0}));
  }

  void BandIsAnOverlayThatSurvivesRepaints() {
    ShownView s;
    ShowImage(*s.view, 200, 100);
    int rebuilds = 0;
    s.view->OnRedraw = [&](TDibGraphic&) { ++rebuilds; };
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {10, 10}, {50, 40});
    QCOMPARE(rebuilds, 0);  // band feedback never rebuilds the derived image
    QWidget& picture = *s.view->PictureControl();
    const auto colourAt = [&](int x, int y) { return picture.grab().toImage().pixelColor(x, y); };
    // Dots in the pen colour and gaps in the brush colour along the outline.
    const QColor a = colourAt(10, 10), b = colourAt(11, 10);
    QVERIFY(a != b);
    QVERIFY(a == band.PenColor || a == band.BrushColor);
    QVERIFY(b == band.PenColor || b == band.BrushColor);
    QCOMPARE(colourAt(50, 25), colourAt(50, 27));  // the right edge, column 50
    QCOMPARE(colourAt(30, 25), QColor(255, 255, 255));
    QCOMPARE(colourAt(51, 25), QColor(255, 255, 255));
    // The derived and source images never carry the band.
    QCOMPARE(s.view->DisplayGraphic().GetPixel(10, 10), RGBColor(255, 255, 255));
    QCOMPARE(s.view->Graphic().GetPixel(10, 10), RGBColor(255, 255, 255));
    band.ShowGrips = true;
    QCOMPARE(colourAt(52, 42), band.GripColor);
    band.ClearSelection();
    QCOMPARE(colourAt(10, 10), QColor(255, 255, 255));
  }

  void AnimationSwapsTheColours() {
    ShownView s;
    ShowImage(*s.view, 200, 100);
    TRubberbandMouseHandler& band = BandFromDrag(*s.view, {10, 10}, {50, 40});
    const QColor pen = band.PenColor, brush = band.BrushColor;
    QCOMPARE(band.AnimationInterval, 400);
    band.AnimationInterval = 20;
    band.SetAnimated(true);
    QTRY_COMPARE(band.PenColor, brush);
    QCOMPARE(band.BrushColor, pen);
    band.SetAnimated(false);
  }

  void DragHandlerPansWithTheClosedHand() {
    ShownView s(200, 200);
    TImageScrollBox& v = *s.view;
    ShowImage(v, 600, 500);
    QCOMPARE(WidgetCursor(*v.PictureControl()), crOpenHand);
    Press(v, 100, 100);
    QCOMPARE(ScreenCursor(), crClosedHand);
    MoveTo(v, 70, 90);
    QCOMPARE(v.horizontalScrollBar()->value(), 30);
    QCOMPARE(v.verticalScrollBar()->value(), 10);
    QCOMPARE(v.PictureControl()->pos(), QPoint(-30, -10));
    Release(v, 70, 90);
    QCOMPARE(ScreenCursor(), crDefault);
    v.SetMouseMode(mmRubberband);
    QCOMPARE(WidgetCursor(*v.PictureControl()), crDefault);
  }

  void DragHandlerNeedsAScrollBarAndNotTheRightButton_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<int>("button");
    QTest::newRow("no scroll bar") << QSize(150, 150) << int(Qt::LeftButton);
    QTest::newRow("right button") << QSize(600, 500) << int(Qt::RightButton);
  }
  void DragHandlerNeedsAScrollBarAndNotTheRightButton() {
    QFETCH(QSize, image);
    QFETCH(int, button);
    ShownView s(200, 200);
    TImageScrollBox& v = *s.view;
    ShowImage(v, image.width(), image.height());
    Press(v, 100, 100, Qt::MouseButton(button));
    MoveTo(v, 50, 50, Qt::MouseButton(button));
    QCOMPARE(ScreenCursor(), crDefault);
    QVERIFY(!v.MouseHandler()->MouseIsDown());
    QCOMPARE(v.PictureControl()->pos(), QPoint(0, 0));
    Release(v, 50, 50, Qt::MouseButton(button));
  }

  void QuickSelectCutsOutTheDraggedRectangle() {
    ShownView s;
    TImageScrollBox& v = *s.view;
    ShowImage(v, 200, 100);
    v.Graphic().SetPixel(20, 15, RGBColor(255, 0, 0));
    v.SetZoomPercent(200);  // the cut comes from the derived image
    v.SetMouseMode(mmQuickSelect);
    TRect reported;
    QSize cut;
    TColor corner = 0;
    int raised = 0;
    v.OnQuickSelect = [&](TImageScrollBox* sender, TDibGraphic& g, const TRect& r) {
      QCOMPARE(sender, &v);
      ++raised;
      reported = r;
      cut = QSize(g.Width(), g.Height());
      corner = g.GetPixel(0, 0);
    };
    Press(v, 90, 70);
    MoveTo(v, 60, 50);
    auto& quick = dynamic_cast<TQuickSelectMouseHandler&>(*v.MouseHandler());
    QVERIFY(quick.Dragging());
    QCOMPARE(quick.End(), QPoint(60, 50));
    Release(v, 40, 30);
    QVERIFY(!quick.Dragging());
    QCOMPARE(raised, 1);
    QCOMPARE(reported, (TRect{40, 30, 90, 70}));
    QCOMPARE(cut, QSize(50, 40));
    QCOMPARE(corner, RGBColor(255, 0, 0));
    // A release beyond the image is clamped to its size; a flat one cuts nothing.
    Press(v, 380, 150);
    Release(v, 900, 900);
    QCOMPARE(reported, (TRect{380, 150, 400, 200}));
    Press(v, 10, 10);
    Release(v, 60, 10);
    QCOMPARE(raised, 2);
  }
};

QTEST_MAIN(MouseHandlersTest)
#include "mousehandlers_test.moc"

// The view: zoom modes and their arithmetic, the derived image and scroll
// bars, centring, zoom requests and their events, mouse modes, loading with
// and without read-ahead, a failing file, and page animation.
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <fstream>

#include "viewer/imagescrollbox.h"
#include "viewer/mousehandlers.h"
#include "widget_helpers.h"

Q_DECLARE_METATYPE(TZoomMode)

namespace {

// A three-page test format: page n is 10 * n pixels wide and 5 high.
class TThreePages : public TDibGraphic {
 public:
  std::unique_ptr<TDibGraphic> NewInstance() const override {
    return std::make_unique<TThreePages>();
  }

 protected:
  int32_t ImageCount(std::span<const std::uint8_t>) override { return 3; }
  void ReadImage(std::span<const std::uint8_t>, int32_t page) override {
    NewImage(10 * page, 5, gfTrueColor, {}, 0, 0);
  }
};

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

}  // namespace

class ImageScrollBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    RegisterGraphicFormat("PAGES3", "Three test pages",
                          [] { return std::unique_ptr<TDibGraphic>(new TThreePages); });
  }

  void ConstructionDefaults() {
    ShownView s;
    TImageScrollBox& v = *s.view;
    QCOMPARE(v.ZoomMode(), zmOriginalSize);
    QCOMPARE(v.ZoomPercent(), 100.0f);
    QCOMPARE(v.MouseMode(), mmDrag);
    QVERIFY(dynamic_cast<TDragMouseHandler*>(v.MouseHandler()) != nullptr);
    QVERIFY(v.MouseHandlerOwnership);
    QVERIFY(!v.AntiAliased() && !v.Centered());
    QVERIFY(v.Graphic().IsEmpty());
    QVERIFY(v.PictureControl()->isHidden());
  }

  void ZoomModes_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<TZoomMode>("before");
    QTest::addColumn<TZoomMode>("mode");
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QSize>("derived");
    QTest::addColumn<bool>("horizontalBar");
    QTest::addColumn<bool>("verticalBar");
    QTest::newRow("fit to page") << 2000 << 1000 << zmOriginalSize << zmFitToPage << 25.0f
                                 << QSize(500, 250) << false << false;
    // Fit width keeps the scroll bars as they are: none after fit to page.
    QTest::newRow("fit width") << 2000 << 1000 << zmFitToPage << zmFitWidth << 25.0f
                               << QSize(500, 250) << false << false;
    QTest::newRow("fit height") << 2000 << 1000 << zmOriginalSize << zmFitHeight << 50.0f
                                << QSize(1000, 500) << true << false;
    QTest::newRow("original size") << 2000 << 1000 << zmFitToPage << zmOriginalSize << 100.0f
                                   << QSize(2000, 1000) << true << true;
    QTest::newRow("small fit to page stays 100") << 100 << 100 << zmOriginalSize << zmFitToPage
                                                 << 100.0f << QSize(100, 100) << false << false;
    QTest::newRow("small full page grows") << 100 << 100 << zmOriginalSize << zmFullPage << 500.0f
                                           << QSize(500, 500) << false << false;
  }
  void ZoomModes() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(TZoomMode, before);
    QFETCH(TZoomMode, mode);
    ShownView s(500, 500);
    TImageScrollBox& v = *s.view;
    ShowImage(v, width, height);
    v.SetZoomMode(before);
    v.SetZoomMode(mode);
    QTEST(v.ZoomPercent(), "zoom");
    QTEST(QSize(v.DisplayGraphic().Width(), v.DisplayGraphic().Height()), "derived");
    QTEST(v.ScrollBarVisible(Qt::Horizontal), "horizontalBar");
    QTEST(v.ScrollBarVisible(Qt::Vertical), "verticalBar");
    QCOMPARE(v.DisplayGraphic().ImageFormat(), gfTrueColor);
    QCOMPARE(v.PictureControl()->size(),
             QSize(v.DisplayGraphic().Width(), v.DisplayGraphic().Height()));
  }

  void DerivedSizeIsTruncatedAndAtLeastOne_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<float>("zoom");
    QTest::addColumn<int>("derived");
    QTest::newRow("33.3 % of 10") << 10 << 33.3f << 3;
    QTest::newRow("1 % of 50") << 50 << 1.0f << 1;
    QTest::newRow("0.2 % of 10") << 10 << 0.2f << 1;
    QTest::newRow("150 % of 7") << 7 << 150.0f << 10;
  }
  void DerivedSizeIsTruncatedAndAtLeastOne() {
    QFETCH(int, width);
    QFETCH(float, zoom);
    ShownView s;
    ShowImage(*s.view, width, 20);
    s.view->SetZoomPercent(zoom);
    QTEST(s.view->DisplayGraphic().Width(), "derived");
  }

  void SmallOrNegativeZoomIsIgnored_data() {
    QTest::addColumn<float>("request");
    QTest::addColumn<float>("zoom");
    QTest::newRow("0.05") << 0.05f << 100.0f;
    QTest::newRow("negative") << -20.0f << 100.0f;
    QTest::newRow("0.1 exactly") << 0.1f << 100.0f;
    QTest::newRow("0.2 accepted") << 0.2f << 0.2f;
  }
  void SmallOrNegativeZoomIsIgnored() {
    QFETCH(float, request);
    ShownView s;
    ShowImage(*s.view, 100, 100);
    s.view->SetZoomPercent(request);
    QTEST(s.view->ZoomPercent(), "zoom");
  }

  void ZoomOnEmptyViewIsIgnored() {
    ShownView s;
    s.view->SetZoomPercent(50);
    QCOMPARE(s.view->ZoomPercent(), 100.0f);
    QCOMPARE(s.view->ZoomMode(), zmOriginalSize);
  }

  void ZoomChangeIsRaisedOnceAndOnlyOnChange() {
    ShownView s;
    TImageScrollBox& v = *s.view;
    ShowImage(v, 200, 100);
    std::vector<float> zooms;
    v.OnZoomChange = [&](TImageScrollBox* sender, float zoom) {
      QCOMPARE(sender, &v);
      zooms.push_back(zoom);
    };
    v.SetZoomMode(zmPercent);  // keeps 100 and raises nothing
    QCOMPARE(v.ZoomPercent(), 100.0f);
    QVERIFY(zooms.empty());
    v.SetZoomPercent(150);
    v.SetZoomPercent(150);  // unchanged in percent mode: nothing
    QCOMPARE(zooms, std::vector<float>{150.0f});
    QCOMPARE(v.DisplayGraphic().Width(), 300);
    v.SetZoomMode(zmFitWidth);  // a fit mode changes the zoom through the redraw
    QCOMPARE(zooms, (std::vector<float>{150.0f, 250.0f}));
  }

  void CentredPictureUsesTheOuterSize() {
    ShownView s(500, 400);
    TImageScrollBox& v = *s.view;
    v.SetCentered(true);
    ShowImage(v, 101, 51);
    QCOMPARE(v.PictureControl()->pos(), QPoint(199, 174));
    QCOMPARE(v.ImageRect(), (TRect{199, 174, 300, 225}));
    v.SetCentered(false);
    QCOMPARE(v.PictureControl()->pos(), QPoint(0, 0));
  }

  void AntiAliasingShrinksBlackAndWhiteIntoGreys() {
    ShownView s;
    TImageScrollBox& v = *s.view;
    TDibGraphic& g = v.Graphic();
    g.NewImage(4, 4, gfBlackWhite, {}, 0, 0);
    g.Fill(RGBColor(255, 255, 255));
    g.SetPixel(0, 0, 0);
    g.SetPixel(1, 0, 0);  // half of the top-left 2 x 2 block is ink
    v.Redraw(true);
    v.SetZoomPercent(50);
    QCOMPARE(v.DisplayGraphic().GetPixel(0, 0), RGBColor(0, 0, 0));  // rows and columns dropped
    v.SetAntiAliased(true);
    const TColor grey = v.DisplayGraphic().GetPixel(0, 0);
    QVERIFY(RedOf(grey) > 0 && RedOf(grey) < 255);
    QCOMPARE(v.DisplayGraphic().ImageFormat(), gfTrueColor);
  }

  void RedrawNeedsAParentAndVisibility() {
    TImageScrollBox orphan;
    orphan.Graphic().NewImage(10, 10, gfTrueColor, {}, 0, 0);
    orphan.Redraw(true);
    QVERIFY(orphan.DisplayGraphic().IsEmpty());
    ShownView s;
    s.view->hide();
    ShowImage(*s.view, 10, 10);
    QVERIFY(s.view->DisplayGraphic().IsEmpty());
  }

  void MouseModeNoneTwiceDoesNothingTheSecondTime() {
    ShownView s;
    TImageScrollBox& v = *s.view;
    v.SetMouseMode(mmNone);
    QCOMPARE(v.MouseHandler(), nullptr);
    QCOMPARE(WidgetCursor(*v.PictureControl()), crDefault);
    TRubberbandMouseHandler outside(v);
    v.MouseHandlerOwnership = false;
    v.SetMouseHandler(&outside);
    v.SetMouseMode(mmNone);  // same mode: the handler installed meanwhile stays
    QCOMPARE(v.MouseHandler(), &outside);
    v.SetMouseHandler(nullptr);
  }

  void MouseInputGoesToTheHandlerThenToTheEvents() {
    ShownView s;
    TImageScrollBox& v = *s.view;
    ShowImage(v, 200, 100);
    v.SetMouseMode(mmRubberband);
    auto& band = dynamic_cast<TRubberbandMouseHandler&>(*v.MouseHandler());
    std::vector<std::string> seen;
    v.OnImageMouseDown = [&](TImageScrollBox* sender, Qt::MouseButton button, TShiftState,
                             int32_t x, int32_t y) {
      QCOMPARE(sender, &v);
      QCOMPARE(button, Qt::LeftButton);
      QVERIFY(band.MouseIsDown());  // the handler had it first
      seen.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    };
    v.OnImageMouseMove = [&](TImageScrollBox*, TShiftState shift, int32_t x, int32_t y) {
      QVERIFY(shift.Left());
      seen.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };
    v.OnImageMouseUp = [&](TImageScrollBox*, Qt::MouseButton, TShiftState, int32_t x, int32_t y) {
      QVERIFY(!band.MouseIsDown());
      seen.push_back("up " + std::to_string(x) + "," + std::to_string(y));
    };
    v.OnImageDblClick = [&](TImageScrollBox* sender) {
      QCOMPARE(sender, &v);
      seen.push_back("double");
    };
    Drag(v, {10, 20}, {30, 40});
    DoubleClick(v, 5, 6);
    const std::vector<std::string> expected = {"down 10,20", "move 20,30", "move 30,40",
                                               "up 30,40",   "down 5,6",   "up 5,6",
                                               "double",     "down 5,6",   "up 5,6"};
    QCOMPARE(seen, expected);
  }

  void ScrollGesturesAreReportedOnce() {
    ShownView s(200, 200);
    TImageScrollBox& v = *s.view;
    ShowImage(v, 400, 600);
    int begins = 0, ends = 0;
    v.OnBeginScroll = [&](TImageScrollBox*) { ++begins; };
    v.OnEndScroll = [&](TImageScrollBox*) { ++ends; };
    QScrollBar* bar = v.verticalScrollBar();
    const QPoint downArrow(bar->width() / 2, bar->height() - 3);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, downArrow);
    QCOMPARE(begins, 1);
    QCOMPARE(ends, 0);
    QVERIFY(bar->value() > 0);
    QCOMPARE(v.PictureControl()->pos(), QPoint(0, -bar->value()));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, downArrow);
    QCOMPARE(begins, 1);
    QCOMPARE(ends, 1);
  }

  void AnnotationTextSurvivesLeavingTheMode() {
    ShownView s;
    TImageScrollBox& v = *s.view;
    v.SetMouseMode(mmAnnotation);
    dynamic_cast<TAnnotationMouseHandler&>(*v.MouseHandler()).Text = "checked";
    v.SetMouseMode(mmRubberband);
    v.SetMouseMode(mmAnnotation);
    QCOMPARE(dynamic_cast<TAnnotationMouseHandler&>(*v.MouseHandler()).Text,
             std::string("checked"));
  }

  void LoadingRaisesItsEventsAndReportsProgress() {
    QTemporaryDir dir;
    const std::string file = CopyFixture(dir, "notes/note_usd_03.tif", "note.tif");
    ShownView s;
    TImageScrollBox& v = *s.view;
    int newGraphics = 0, redraws = 0;
    std::vector<int> progress;
    v.OnNewGraphic = [&](TDibGraphic& g) {
      QCOMPARE(&g, &v.Graphic());
      ++newGraphics;
    };
    v.OnRedraw = [&](TDibGraphic&) { ++redraws; };
    v.OnReadWriteProgress = [&](void*, std::uint8_t p) { progress.push_back(p); };
    v.LoadFromFile(file, 1);
    QCOMPARE(v.Graphic().Width(), 1228);
    QCOMPARE(v.FileName(), file);
    QCOMPARE(newGraphics, 1);
    QCOMPARE(redraws, 1);
    QVERIFY(!progress.empty());
    QVERIFY(v.PictureControl()->isVisible());
    v.SetFileName("");
    QVERIFY(v.Graphic().IsEmpty());
    QVERIFY(v.FileName().empty());
    QVERIFY(v.PictureControl()->isHidden());
    QCOMPARE(newGraphics, 2);
  }

  void CorruptFileEmptiesTheViewAndRaisesTheCodecMessage() {
    QTemporaryDir dir;
    const std::string good = CopyFixture(dir, "notes/note_usd_03.tif", "good.tif");
    const std::string bad = dir.filePath("bad.png").toStdString();
    WriteFile(bad, "this is not a PNG file");
    ShownView s;
    TImageScrollBox& v = *s.view;
    v.LoadFromFile(good, 1);
    QCOMPARE(
        MessageOf([&] { v.LoadFromFile(bad, 1); }),
        std::string("Invalid Portable Graphics Network image, it has an invalid file header."));
    QVERIFY(v.Graphic().IsEmpty());
    QVERIFY(v.DisplayGraphic().IsEmpty());
    QVERIFY(v.PictureControl()->isHidden());
    QVERIFY(v.FileName().empty());
  }

  void MissingFileLeavesTheViewAsItWas() {
    QTemporaryDir dir;
    const std::string good = CopyFixture(dir, "notes/note_usd_03.tif", "good.tif");
    ShownView s;
    s.view->LoadFromFile(good, 1);
    const std::string missing = dir.filePath("missing.tif").toStdString();
    QCOMPARE(MessageOf([&] { s.view->LoadFromFile(missing, 1); }),
             "Cannot open file \"" + missing + "\"");
    QCOMPARE(s.view->Graphic().Width(), 1228);
  }

  void ReadAheadIsInstalledWithoutReadingTheFileAgain() {
    QTemporaryDir dir;
    const std::string file = CopyFixture(dir, "notes/note_usd_03.tif", "note.tif");
    ShownView s;
    TImageScrollBox& v = *s.view;
    v.SetReadAheadFileName(file);
    v.WaitForReadAhead();
    QFile::remove(QString::fromStdString(file));
    // Another letter case names the same read-ahead; the file is gone, so
    // only the pre-decoded picture can be shown.
    const std::string upper = dir.filePath("NOTE.TIF").toStdString();
    v.LoadFromFile(upper, 1);
    QCOMPARE(v.Graphic().Width(), 1228);
    QCOMPARE(v.FileName(), upper);
    QVERIFY(v.ReadAheadFileName().empty());
    QVERIFY(!v.DisplayGraphic().IsEmpty());
  }

  void ReadAheadOfADeletedFileFallsBackToReading() {
    QTemporaryDir dir;
    const std::string file = dir.filePath("gone.tif").toStdString();
    ShownView s;
    TImageScrollBox& v = *s.view;
    v.SetReadAheadFileName(file);
    v.WaitForReadAhead();
    CopyFixture(dir, "notes/note_usd_03.tif", "gone.tif");  // back before it is opened
    v.LoadFromFile(file, 1);
    QCOMPARE(v.Graphic().Width(), 1228);
  }

  void NewerReadAheadRequestWins() {
    QTemporaryDir dir;
    const std::string first = CopyFixture(dir, "notes/note_usd_03.tif", "first.tif");
    const std::string second = CopyFixture(dir, "notes/note_usd_04.tif", "second.tif");
    ShownView s;
    TImageScrollBox& v = *s.view;
    v.SetReadAheadFileName(first);
    v.SetReadAheadFileName(second);
    v.WaitForReadAhead();
    QFile::remove(QString::fromStdString(second));
    v.LoadFromFile(second, 1);
    QCOMPARE(v.Graphic().Width(), 1843);
    // The first file is not pre-decoded any more: it is read from disk.
    v.LoadFromFile(first, 1);
    QCOMPARE(v.Graphic().Width(), 1228);
  }

  void PagesAreAnimatedWithTheFrameDelay() {
    QTemporaryDir dir;
    const std::string file = dir.filePath("doc.pages3").toStdString();
    WriteFile(file, "three pages");
    ShownView s;
    TImageScrollBox& v = *s.view;
    v.LoadFromFile(file, 0);
    QCOMPARE(v.Graphic().PageCount(), 3);
    QCOMPARE(v.Graphic().CurrentPage(), 1);
    v.Graphic().FrameDelay = 20;
    v.Animate(true);
    QVERIFY(v.Animated());
    QCOMPARE(v.PictureControl()->width(), 30);  // the widest page
    QTRY_COMPARE(v.Graphic().CurrentPage(), 2);
    QTRY_COMPARE(v.Graphic().CurrentPage(), 3);
    QTRY_COMPARE(v.Graphic().CurrentPage(), 1);  // after the last, the first
    QCOMPARE(v.DisplayGraphic().Width(), 10);
    v.Animate(false);
    QVERIFY(!v.Animated());
  }

  void SinglePageGraphicIsNotAnimated() {
    ShownView s;
    ShowImage(*s.view, 10, 10);
    s.view->Animate(true);
    QVERIFY(!s.view->Animated());
  }
};

QTEST_MAIN(ImageScrollBoxTest)
#include "imagescrollbox_test.moc"

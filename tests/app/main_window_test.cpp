#include <QFile>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "app/guioptions.h"
#include "app/ocrdialog.h"
#include "app/textresultwindow.h"
#include "app_test_util.h"
#include "viewer/mousehandlers.h"

namespace {

// The visible entries of a menu of the menu bar; "-" for a separator.
QStringList VisibleItems(const QString& menuTitle) {
  for (QAction* top : Form1->menuBar()->actions()) {
    if (top->text() != menuTitle) continue;
    QStringList items;
    for (QAction* item : top->menu()->actions()) {
      if (item->isVisible()) items << (item->isSeparator() ? "-" : item->text());
    }
    return items;
  }
  return {"no menu " + menuTitle};
}

// The tool bar as a user sees it: button texts and "-" for separators.
QStringList ToolBarButtons() {
  QStringList buttons;
  for (QAction* action : Form1->ToolBar1->actions()) {
    if (!action->isVisible()) continue;
    buttons << (action->isSeparator() ? "-" : action->iconText());
  }
  return buttons;
}

}  // namespace

TEST_F(AppTest, StartUpMakesTheThreeWindowsWithTheirCaptions) {
  ASSERT_NE(FormTextResult, nullptr);
  ASSERT_NE(OCRDialog, nullptr);
  EXPECT_EQ(Form1->windowTitle(), "Evaluation Tool for Banknotes Serial Number Recognition System");
  EXPECT_EQ(FormTextResult->windowTitle(), "OCR Text Result");
  EXPECT_EQ(OCRDialog->windowTitle(), "Omnifont OCR");
  EXPECT_FALSE(FormTextResult->isVisible());
  EXPECT_TRUE(FormTextResult->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(FormTextResult->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_EQ(Form1->Panel1->height(), 135);
  EXPECT_EQ(Form1->Splitter1->handleWidth(), 3);
  EXPECT_TRUE(Form1->StatusBar1->currentMessage().isEmpty());
  EXPECT_NE(Form1->OmnifontOCR, nullptr);
}

TEST_F(AppTest, MenusAndToolBarAfterStartUpHideTheAreaOcr) {
  EXPECT_EQ(VisibleItems("&File"), QStringList({"&Open...", "-", "&Exit"}));
  EXPECT_EQ(VisibleItems("&View"),
            QStringList({"&Zoom In", "Z&oomOut", "-", "&Fit To Width", "F&it To Height",
                         "Fi&t To Page", "-", "&No Zoom"}));
  // The separator after the hidden "O&CR..." is not shown as a leading line.
  QStringList process = VisibleItems("&Process");
  process.removeAll("-");
  EXPECT_EQ(process,
            QStringList({"&USD Serial Number", "&EUR Serial Number", "&LBP Serial Number"}));
  EXPECT_EQ(VisibleItems("?"), QStringList({"&About"}));
  EXPECT_EQ(ToolBarButtons(), QStringList({"Open", "-", "USD Serial Number", "EUR Serial Number",
                                           "LBP Serial Number", "-", "Zoom In", "ZoomOut",
                                           "Fit To Width", "Fit To Height", "Fit To Page", "-"}));

  Form1->ShowAreaOcrCommand();
  EXPECT_EQ(VisibleItems("&Process").front(), "O&CR...");
  EXPECT_EQ(ToolBarButtons()[2], "OCR");
}

TEST_F(AppTest, ActionsCarryTheirCategoryAndImage) {
  const struct {
    QAction* action;
    const char* category;
    int image;  // -1: none
  } kRows[] = {
      {Form1->ActionOpen, "File", 0},
      {Form1->ActionExit, "File", -1},
      {Form1->ActionZoomIn, "View", 7},
      {Form1->ActionZoomOut, "View", 6},
      {Form1->ActionFitToWidth, "View", 5},
      {Form1->ActionFitToHeight, "View", 5},
      {Form1->ActionFitToPage, "View", 3},
      {Form1->ActionNoZoom, "View", 2},
      {Form1->ActionOCR, "Process", 1},
      {Form1->ActionUSDSerialNumber, "Process", 8},
      {Form1->ActionEURSerialNumber, "Process", 9},
      {Form1->ActionLBPSerialNumber, "Process", 10},
      {Form1->ActionAbout, "?", -1},
  };
  ASSERT_EQ(Form1->ImageList1.size(), 11u);
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.action->text().toStdString());
    EXPECT_EQ(row.action->property("category").toString(), row.category);
    if (row.image < 0) {
      EXPECT_TRUE(row.action->icon().isNull());
    } else {
      EXPECT_EQ(row.action->icon().cacheKey(), Form1->ImageList1[row.image].cacheKey());
    }
  }
  for (const QIcon& image : Form1->ImageList1) {
    EXPECT_EQ(image.availableSizes(), QList<QSize>({QSize(16, 16)}));
  }
}

TEST_F(AppTest, StandardShortcutsReachTheCommands) {
  EXPECT_EQ(Form1->ActionOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(Form1->ActionExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  EXPECT_EQ(Form1->ActionNoZoom->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_0));
  EXPECT_TRUE(Form1->ActionZoomIn->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Plus)));
  EXPECT_EQ(Form1->ActionZoomOut->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Minus));
}

TEST_F(AppTest, ZoomCommandsStepFivePercentFromAFitMode) {
  Open("txt_word_liberationsans.png");
  TImageScrollBox* view = Form1->ImageScrollBox1;
  EXPECT_EQ(view->ZoomPercent(), 100.0f);

  Form1->ActionFitToWidth->trigger();
  EXPECT_EQ(view->ZoomMode(), zmFitWidth);
  Form1->ActionNoZoom->trigger();
  Form1->ActionZoomIn->trigger();
  EXPECT_EQ(view->ZoomMode(), zmPercent);
  EXPECT_EQ(view->ZoomPercent(), 105.0f);

  Form1->ActionFitToPage->trigger();
  EXPECT_EQ(view->ZoomMode(), zmFitToPage);
  Form1->ActionNoZoom->trigger();
  Form1->ActionZoomOut->trigger();
  EXPECT_EQ(view->ZoomMode(), zmPercent);
  EXPECT_EQ(view->ZoomPercent(), 95.0f);

  Form1->ActionFitToHeight->trigger();
  EXPECT_EQ(view->ZoomMode(), zmFitHeight);
  // The lower view never follows the zoom commands.
  EXPECT_EQ(Form1->ImageScrollBox2->ZoomPercent(), 100.0f);
}

TEST_F(AppTest, OpeningANewFileResetsZoomAndSelection) {
  Open("txt_word_liberationsans.png");
  TImageScrollBox* view = Form1->ImageScrollBox1;
  EXPECT_EQ(view->MouseMode(), mmRubberband);
  EXPECT_EQ(view->cursor().shape(), Qt::CrossCursor);
  Form1->ActionZoomIn->trigger();
  Drag(view, {10, 10}, {60, 40});
  auto* band = dynamic_cast<TRubberbandMouseHandler*>(view->MouseHandler());
  ASSERT_NE(band, nullptr);
  ASSERT_TRUE(band->SelectionExists());

  Open("bc_code39_m2.png");
  EXPECT_EQ(view->ZoomMode(), zmPercent);
  EXPECT_EQ(view->ZoomPercent(), 100.0f);
  band = dynamic_cast<TRubberbandMouseHandler*>(view->MouseHandler());
  ASSERT_NE(band, nullptr);
  EXPECT_FALSE(band->SelectionExists());
}

TEST_F(AppTest, CancelledOpenChangesNothingAndABadFileIsReported) {
  Open("txt_word_liberationsans.png");
  const int width = Form1->ImageScrollBox1->Graphic().Width();
  Trigger(Form1->ActionOpen, {RejectModal});
  EXPECT_EQ(Form1->ImageScrollBox1->Graphic().Width(), width);

  QTemporaryDir folder;
  const QString broken = folder.filePath("broken.png");
  QFile file(broken);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a picture");
  file.close();
  const auto shown = Trigger(Form1->ActionOpen, {ChooseFile(broken.toStdString())});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].icon, QMessageBox::Critical);
  EXPECT_FALSE(shown[1].text.isEmpty());
  EXPECT_TRUE(Form1->ImageScrollBox1->Graphic().IsEmpty());
  EXPECT_TRUE(Form1->isVisible());
}

TEST_F(AppTest, AboutShowsItsTwoLines) {
  const auto shown = Trigger(Form1->ActionAbout);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, QMessageBox::Information);
  EXPECT_EQ(shown[0].title, "OCR Evaluation Tool");
  EXPECT_EQ(shown[0].text, "Verevizu Banknotes Serial Numbers System\nVersion 1.0 Alfa");
}

TEST_F(AppTest, AFileDroppedOnTheWindowOpens) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(kTestData + "/bc_code39_m2.png"))});
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Form1, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Form1, &drop);
  EXPECT_FALSE(Form1->ImageScrollBox1->Graphic().IsEmpty());
  EXPECT_EQ(Form1->ImageScrollBox1->MouseMode(), mmRubberband);
}

TEST(GuiOptions, CommandLine) {
  const struct {
    QStringList arguments;
    bool areaOcr;
    QString file;
    bool error;
  } kCases[] = {
      {{"verevizu-gui"}, false, "", false},
      {{"verevizu-gui", "note.tif"}, false, "note.tif", false},
      {{"verevizu-gui", "--area-ocr", "note.tif"}, true, "note.tif", false},
      {{"verevizu-gui", "note.tif", "--area-ocr"}, true, "note.tif", false},
      {{"verevizu-gui", "a.tif", "b.tif"}, false, "", true},
      {{"verevizu-gui", "--zoom"}, false, "", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const TGuiOptions options = ParseGuiOptions(c.arguments);
    EXPECT_EQ(options.areaOcr, c.areaOcr);
    EXPECT_EQ(options.file, c.file);
    EXPECT_EQ(!options.error.isEmpty(), c.error);
  }
}

TEST_F(AppTest, CommandLineOpensTheFileAndShowsTheAreaOcr) {
  TGuiOptions options;
  options.areaOcr = true;
  options.file = QString::fromStdString(kTestData + "/bc_code39_m2.png");
  ApplyGuiOptions(*Form1, options);
  EXPECT_TRUE(Form1->ActionOCR->isVisible());
  EXPECT_FALSE(Form1->ImageScrollBox1->Graphic().IsEmpty());
}

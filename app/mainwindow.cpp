// Unit UnitDemoRIDURA: the main window's commands, its views and the start-up
// of a run's three windows.
#include "app/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <array>

#include "app/areaocr.h"
#include "app/icons.h"
#include "app/messages.h"
#include "app/ocrdialog.h"
#include "app/textresultwindow.h"
#include "app/watchlists.h"
#include "graphics/dibgraphic.h"
#include "graphics/transforms.h"
#include "image/dibunit.h"
#include "ocr/omnifontocr.h"
#include "platform/codepage.h"
#include "platform/exceptions.h"
#include "platform/memory.h"
#include "serial/confidencetext.h"
#include "serial/serialreader.h"
#include "viewer/mousehandlers.h"

TForm1* Form1 = nullptr;
TFormTextResult* FormTextResult = nullptr;
TOCRDialog* OCRDialog = nullptr;

namespace {

// Sizes of the window's parts at 96 dpi.
constexpr int kWindowWidth = 696;
constexpr int kWindowHeight = 480;
constexpr int kMenuBarHeight = 24;
constexpr int kSplitterWidth = 3;
constexpr int kLowerPaneHeight = 135;
constexpr int kStatusBarHeight = 19;

constexpr float kZoomStep = 5;
constexpr float kNoZoom = 100;

// One action: its member, caption (with the menu's access key), category,
// image (-1: none) and handler.
struct ActionRow {
  QAction* TForm1::*action;
  const char* caption;
  const char* category;
  int image;
  void (TForm1::*handler)();
};
constexpr std::array<ActionRow, 13> kActions = {{
    {&TForm1::ActionOpen, "&Open...", "File", 0, &TForm1::ActionOpenExecute},
    {&TForm1::ActionExit, "&Exit", "File", -1, &TForm1::ActionExitExecute},
    {&TForm1::ActionZoomIn, "&Zoom In", "View", 7, &TForm1::ActionZoomInExecute},
    {&TForm1::ActionZoomOut, "Z&oomOut", "View", 6, &TForm1::ActionZoomOutExecute},
    {&TForm1::ActionFitToWidth, "&Fit To Width", "View", 5, &TForm1::ActionFitToWidthExecute},
    {&TForm1::ActionFitToHeight, "F&it To Height", "View", 5, &TForm1::ActionFitToHeightExecute},
    {&TForm1::ActionFitToPage, "Fi&t To Page", "View", 3, &TForm1::ActionFitToPageExecute},
    {&TForm1::ActionNoZoom, "&No Zoom", "View", 2, &TForm1::ActionNoZoomExecute},
    {&TForm1::ActionOCR, "O&CR...", "Process", 1, &TForm1::ActionOCRExecute},
    {&TForm1::ActionUSDSerialNumber, "&USD Serial Number", "Process", 8,
     &TForm1::ActionUSDSerialNumberExecute},
    {&TForm1::ActionEURSerialNumber, "&EUR Serial Number", "Process", 9,
     &TForm1::ActionEURSerialNumberExecute},
    {&TForm1::ActionLBPSerialNumber, "&LBP Serial Number", "Process", 10,
     &TForm1::ActionLBPSerialNumberExecute},
    {&TForm1::ActionAbout, "&About", "?", -1, &TForm1::ActionAboutExecute},
}};

// Menus and tool bar: nullptr is a separator.
struct MenuRow {
  const char* caption;
  std::vector<QAction * TForm1::*> items;
};

const char* const kNoSerialMessage =
    "No serial found: make sure you have choiced the right currency type and the right banknote "
    "side...";

// The hourglass for the length of a scope, also when it ends by an exception.
class TWaitCursor {
 public:
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

std::string LocalFileName(const QString& fileName) {
  return QFile::encodeName(fileName).toStdString();
}

// The view's rubber-band handler, when that is its mouse mode.
TRubberbandMouseHandler* RubberbandOf(const TImageScrollBox& view) {
  if (view.MouseMode() != mmRubberband) return nullptr;
  return dynamic_cast<TRubberbandMouseHandler*>(view.MouseHandler());
}

// The open dialog's filters: every picture the registry reads, then each
// extension alone.
QStringList PictureFilters() {
  QStringList patterns;
  QStringList filters;
  for (const std::string& extension : RegisteredExtensions()) {
    const QString upper = QString::fromStdString(extension);
    const QString pattern = "*." + upper.toLower() + " *." + upper;
    patterns << pattern;
    filters << upper + " (" + pattern + ")";
  }
  filters.prepend("All pictures (" + patterns.join(' ') + ")");
  return filters;
}

}  // namespace

QString SerialMessage(const std::string& serial, double confidence) {
  if (serial.empty()) return kNoSerialMessage;
  return QtText("Serial: " + serial + "  Confidence: " + ConfidenceText(confidence) + "%");
}

// --- Creation --------------------------------------------------------------

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent),
      ImageList1(MakeActionImages()),
      OmnifontOCR(std::make_unique<TOmnifontOCR>()),
      ReadSerial(ReadSerialNumber) {
  setWindowTitle("Evaluation Tool for Banknotes Serial Number Recognition System");
  resize(kWindowWidth, kWindowHeight);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateViews();
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setFixedHeight(kStatusBarHeight);
  setStatusBar(StatusBar1);

  OpenPictureDialog1 = new QFileDialog(this);
  OpenPictureDialog1->setFileMode(QFileDialog::ExistingFile);
  OpenPictureDialog1->setNameFilters(PictureFilters());

  // The area OCR command stays defined but out of reach.
  ActionOCR->setVisible(false);
  AddStandardShortcuts();
  setAcceptDrops(true);
}

TForm1::~TForm1() = default;

void TForm1::CreateActions() {
  for (const ActionRow& row : kActions) {
    QAction* action = new QAction(row.caption, this);
    action->setProperty("category", row.category);
    if (row.image >= 0) action->setIcon(ImageList1.at(row.image));
    connect(action, &QAction::triggered, this,
            [this, handler = row.handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    this->*row.action = action;
  }
}

void TForm1::CreateMenus() {
  const std::array<MenuRow, 4> menus = {{
      {"&File", {&TForm1::ActionOpen, nullptr, &TForm1::ActionExit}},
      {"&View",
       {&TForm1::ActionZoomIn, &TForm1::ActionZoomOut, nullptr, &TForm1::ActionFitToWidth,
        &TForm1::ActionFitToHeight, &TForm1::ActionFitToPage, nullptr, &TForm1::ActionNoZoom}},
      {"&Process",
       {&TForm1::ActionOCR, nullptr, &TForm1::ActionUSDSerialNumber, &TForm1::ActionEURSerialNumber,
        &TForm1::ActionLBPSerialNumber}},
      {"?", {&TForm1::ActionAbout}},
  }};
  menuBar()->setMinimumHeight(kMenuBarHeight);
  for (const MenuRow& row : menus) {
    QMenu* menu = menuBar()->addMenu(row.caption);
    for (QAction* TForm1::*item : row.items) {
      if (item == nullptr) {
        menu->addSeparator();
      } else {
        menu->addAction(this->*item);
      }
    }
  }
}

void TForm1::CreateToolBar() {
  const std::vector<QAction* TForm1::*> buttons = {&TForm1::ActionOpen,
                                                   nullptr,
                                                   &TForm1::ActionOCR,
                                                   &TForm1::ActionUSDSerialNumber,
                                                   &TForm1::ActionEURSerialNumber,
                                                   &TForm1::ActionLBPSerialNumber,
                                                   nullptr,
                                                   &TForm1::ActionZoomIn,
                                                   &TForm1::ActionZoomOut,
                                                   &TForm1::ActionFitToWidth,
                                                   &TForm1::ActionFitToHeight,
                                                   &TForm1::ActionFitToPage,
                                                   nullptr};
  ToolBar1 = addToolBar("ToolBar1");
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setIconSize(QSize(kImageSize, kImageSize));
  ToolBar1->setMovable(false);
  for (QAction* TForm1::*button : buttons) {
    if (button == nullptr) {
      ToolBar1->addSeparator();
    } else {
      ToolBar1->addAction(this->*button);
    }
  }
}

void TForm1::CreateViews() {
  ImageScrollBox1 = new TImageScrollBox;
  ImageScrollBox1->SetZoomPercent(kNoZoom);

  Panel1 = new QWidget;
  Panel1->setMinimumHeight(0);
  ImageScrollBox2 = new TImageScrollBox(Panel1);
  ImageScrollBox2->SetZoomPercent(kNoZoom);
  ImageScrollBox2->setCursor(Qt::WhatsThisCursor);
  ImageScrollBox2->OnImageMouseDown = [this](TImageScrollBox* sender, Qt::MouseButton button,
                                             TShiftState shift, int32_t x, int32_t y) {
    RunCommand([&] { ImageScrollBox2ImageMouseDown(sender, button, shift, x, y); });
  };
  auto* panelLayout = new QVBoxLayout(Panel1);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->addWidget(ImageScrollBox2);

  // The lower pane keeps its height when the window grows; the splitter
  // between the two views moves it.
  Splitter1 = new QSplitter(Qt::Vertical);
  Splitter1->setHandleWidth(kSplitterWidth);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(ImageScrollBox1);
  Splitter1->addWidget(Panel1);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({kWindowHeight, kLowerPaneHeight});
  setCentralWidget(Splitter1);
}

void TForm1::AddStandardShortcuts() {
  // Spelled out: the platform's standard keys are empty on some desktops.
  ActionOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  ActionExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  // Ctrl+= as well, for keyboards where + needs Shift.
  ActionZoomIn->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  ActionZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  ActionNoZoom->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
}

void TForm1::ShowAreaOcrCommand() {
  ActionOCR->setVisible(true);
}

void TForm1::RunCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    ShowException(this, e);
  }
}

// --- Commands --------------------------------------------------------------

void TForm1::ActionOpenExecute() {
  if (OpenPictureDialog1->exec() != QDialog::Accepted) return;
  const QStringList files = OpenPictureDialog1->selectedFiles();
  if (!files.isEmpty()) OpenPicture(files.front());
}

void TForm1::OpenPicture(const QString& fileName) {
  ImageScrollBox1->LoadFromFile(LocalFileName(fileName), 1);
  ImageScrollBox1->SetZoomMode(zmPercent);
  ImageScrollBox1->SetZoomPercent(kNoZoom);
  ImageScrollBox1->SetMouseMode(mmRubberband);
  if (TRubberbandMouseHandler* band = RubberbandOf(*ImageScrollBox1)) band->ClearSelection();
  ImageScrollBox1->setCursor(Qt::CrossCursor);
}

void TForm1::ActionExitExecute() {
  close();
}

void TForm1::ActionZoomInExecute() {
  ImageScrollBox1->SetZoomMode(zmPercent);
  ImageScrollBox1->SetZoomPercent(ImageScrollBox1->ZoomPercent() + kZoomStep);
}

void TForm1::ActionZoomOutExecute() {
  ImageScrollBox1->SetZoomMode(zmPercent);
  ImageScrollBox1->SetZoomPercent(ImageScrollBox1->ZoomPercent() - kZoomStep);
}

void TForm1::ActionFitToWidthExecute() {
  ImageScrollBox1->SetZoomMode(zmFitWidth);
}

void TForm1::ActionFitToHeightExecute() {
  ImageScrollBox1->SetZoomMode(zmFitHeight);
}

void TForm1::ActionFitToPageExecute() {
  ImageScrollBox1->SetZoomMode(zmFitToPage);
}

void TForm1::ActionNoZoomExecute() {
  ImageScrollBox1->SetZoomMode(zmPercent);
  ImageScrollBox1->SetZoomPercent(kNoZoom);
}

void TForm1::ActionUSDSerialNumberExecute() {
  SerialCommand("USD");
}

void TForm1::ActionEURSerialNumberExecute() {
  SerialCommand("EUR");
}

void TForm1::ActionLBPSerialNumberExecute() {
  SerialCommand("LBP");
}

void TForm1::SerialCommand(const std::string& currency) {
  // An empty view raises "Graphic is empty" here, before the hourglass.
  platform::BlockOwner block(ImageScrollBox1->Graphic().ExportPackedDib());
  TDIB raster;
  raster.AttachBlock(block.get());
  block.release();  // the raster owns the block now
  std::string serial;
  double confidence = 0;
  {
    TWaitCursor hourglass;
    ReadSerial(raster, currency, serial, confidence);
  }
  ShowMessage(this, SerialMessage(serial, confidence));
  WarnIfWatched(currency, serial);
}

void TForm1::WarnIfWatched(const std::string& currency, const std::string& serial) {
  if (!WatchLists || serial.empty()) return;
  if (const auto entry = WatchLists->Check(currency, platform::AnsiToUtf8(serial)))
    ShowWarning(this, WatchWarning(*entry, serial));
}

void TForm1::ActionAboutExecute() {
  ShowInformation(this, "Verevizu Banknotes Serial Numbers System\nVersion 1.0 Alfa");
}

void TForm1::ActionOCRExecute() {
  if (ImageScrollBox1->MouseMode() != mmRubberband) {
    throw platform::Exception(
        "Please switch mouse mode to selection and select the area to recognize...");
  }
  TRubberbandMouseHandler* band = RubberbandOf(*ImageScrollBox1);
  if (band == nullptr || !band->SelectionExists()) {
    throw platform::Exception("Please select with the mouse the area to recognize...");
  }
  TDibGraphic picture;
  CropToRect(ImageScrollBox1->Graphic(), band->GetSelection(), picture);

  if (OCRDialog->exec() == QDialog::Accepted) RecognizeArea(picture);

  // After Cancel the lower view shows the plain crop and the text stays.
  FormTextResult->show();
  ImageScrollBox2->Graphic().Assign(&picture);
  ImageScrollBox2->SetZoomMode(zmPercent);
  ImageScrollBox2->SetZoomPercent(kNoZoom);
  ImageScrollBox2->SetMouseMode(mmNone);
  ImageScrollBox2->setCursor(Qt::WhatsThisCursor);
  ImageScrollBox2->Redraw(true);
}

void TForm1::RecognizeArea(TDibGraphic& picture) {
  if (OCRDialog->LowQualityChosen()) {
    ShowWarning(this, "In this demo only Good Quality document can be recognizeed...");
  }
  const TOcrSettings settings = OCRDialog->Settings();
  ApplyOcrSettings(settings, *OmnifontOCR);
  {
    platform::BlockOwner block(picture.ExportPackedDib());
    OmnifontOCR->Recognize(block.get(), settings.Area);
  }

  TImageFormatTransform toTrueColour;
  toTrueColour.TargetFormat = gfTrueColor;
  toTrueColour.Apply(picture);
  TResizeTransform enlarge;
  enlarge.TargetWidth = kEnlargement * picture.Width();
  enlarge.TargetHeight = kEnlargement * picture.Height();
  enlarge.Apply(picture);

  FormTextResult->RichEditResult->clear();
  DrawRecognition(picture, OmnifontOCR->Characters);
  std::string text;
  OmnifontOCR->GetText(text);
  FormTextResult->InsertText(text);
}

void TForm1::ImageScrollBox2ImageMouseDown(TImageScrollBox*, Qt::MouseButton, TShiftState,
                                           int32_t x, int32_t y) {
  if (const TCharRecord* record = RecordAt(OmnifontOCR->Characters, x, y)) {
    ShowInformation(this, QtText(CandidateList(*record)));
  }
}

// --- Drag and drop ---------------------------------------------------------

namespace {
// The one local file a drag carries, or an empty string.
QString DroppedFile(const QMimeData* data) {
  if (data == nullptr || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}
}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString file = DroppedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  RunCommand([&] { OpenPicture(file); });
}

// --- The forms of a run ----------------------------------------------------

TApplicationForms::TApplicationForms()
    : form1_(std::make_unique<TForm1>()),
      formTextResult_(std::make_unique<TFormTextResult>()),
      ocrDialog_(std::make_unique<TOCRDialog>()) {
  Form1 = form1_.get();
  FormTextResult = formTextResult_.get();
  OCRDialog = ocrDialog_.get();
}

TApplicationForms::~TApplicationForms() {
  Form1 = nullptr;
  FormTextResult = nullptr;
  OCRDialog = nullptr;
  ocrDialog_.reset();
  formTextResult_.reset();
  form1_.reset();
}

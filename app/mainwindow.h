// Unit UnitDemoRIDURA: the desktop tool's start-up and main window.
//
//   TForm1              the main window: menus, tool bar, the upper view with
//                       the opened note, the lower view with the last area
//                       OCR, and one slot per command
//   TApplicationForms   the three windows of a run, made once in order
//   SerialMessage       what a serial command tells the user
//
// Every command runs to its end on the user-interface thread; an exception
// ends it and is shown in the standard error box, after which the window
// stays usable.
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "viewer/imagescrollbox.h"

class QAction;
class QFileDialog;
class QSplitter;
class QStatusBar;
class QToolBar;
class TDIB;
class TDibGraphic;
class TFormTextResult;
class TOCRDialog;
class TOmnifontOCR;
class TWatchLists;

// How a serial command reads a note: the raster, the currency code, and the
// serial and confidence it found.
using TSerialReader = std::function<void(const TDIB& raster, const std::string& currency,
                                         std::string& serial, double& confidence)>;

// The message box text for a serial reading (Windows-1252 serial).
QString SerialMessage(const std::string& serial, double confidence);

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Beyond the menu commands: what a desktop user expects.
  // The steps of the open command once a file is chosen (also for a file
  // named on the command line or dropped on the window).
  void OpenPicture(const QString& fileName);
  // Puts the otherwise hidden area OCR command into the menu and tool bar.
  void ShowAreaOcrCommand();
  // Runs a command as the window's actions run it: an exception it raises
  // goes to the standard error box.
  void RunCommand(const std::function<void()>& command);

  // --- Components -------------------------------------------------------------
  QToolBar* ToolBar1;
  TImageScrollBox* ImageScrollBox1;
  QSplitter* Splitter1;
  QWidget* Panel1;
  TImageScrollBox* ImageScrollBox2;
  QStatusBar* StatusBar1;
  QFileDialog* OpenPictureDialog1;
  std::vector<QIcon> ImageList1;

  QAction* ActionOpen;
  QAction* ActionExit;
  QAction* ActionZoomIn;
  QAction* ActionZoomOut;
  QAction* ActionFitToWidth;
  QAction* ActionFitToHeight;
  QAction* ActionFitToPage;
  QAction* ActionNoZoom;
  QAction* ActionOCR;
  QAction* ActionUSDSerialNumber;
  QAction* ActionEURSerialNumber;
  QAction* ActionLBPSerialNumber;
  QAction* ActionAbout;

  // The engine of the area OCR and the character inspection.
  std::unique_ptr<TOmnifontOCR> OmnifontOCR;
  // The serial commands' reader; tests put a stub here.
  TSerialReader ReadSerial;
  // The watch lists the serial commands check (--watch DB); none by default.
  std::unique_ptr<TWatchLists> WatchLists;

 public slots:
  void ActionOpenExecute();
  void ActionExitExecute();
  void ActionZoomInExecute();
  void ActionZoomOutExecute();
  void ActionFitToWidthExecute();
  void ActionFitToHeightExecute();
  void ActionFitToPageExecute();
  void ActionNoZoomExecute();
  void ActionOCRExecute();
  void ActionUSDSerialNumberExecute();
  void ActionEURSerialNumberExecute();
  void ActionLBPSerialNumberExecute();
  void ActionAboutExecute();

 public:
  void ImageScrollBox2ImageMouseDown(TImageScrollBox* sender, Qt::MouseButton button,
                                     TShiftState shift, int32_t x, int32_t y);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateViews();
  void AddStandardShortcuts();
  void SerialCommand(const std::string& currency);
  // After the serial message: a warning box when the serial is on a watch list.
  void WarnIfWatched(const std::string& currency, const std::string& serial);
  // The dialog's choices applied and the picture read, boxed and enlarged.
  void RecognizeArea(TDibGraphic& picture);
};

// The windows of one run, made in this order and destroyed in reverse; the
// first is the main window. While they exist the globals below point at them.
class TApplicationForms {
 public:
  TApplicationForms();
  ~TApplicationForms();
  TApplicationForms(const TApplicationForms&) = delete;
  TApplicationForms& operator=(const TApplicationForms&) = delete;

 private:
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TFormTextResult> formTextResult_;
  std::unique_ptr<TOCRDialog> ocrDialog_;
};

extern TForm1* Form1;
extern TFormTextResult* FormTextResult;
extern TOCRDialog* OCRDialog;

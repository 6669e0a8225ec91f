#include <stdexcept>

#include "app_test_util.h"
#include "image/dibunit.h"

namespace {

// A reading that reports what it was given and answers with a fixed result.
struct StubReading {
  std::string serial;
  double confidence = 0;
  int calls = 0;
  std::string currency;
  int32_t width = 0;
};

TSerialReader Stub(StubReading& stub) {
  return [&stub](const TDIB& raster, const std::string& currency, std::string& serial,
                 double& confidence) {
    ++stub.calls;
    stub.currency = currency;
    stub.width = raster.Width();
    // The hourglass shows while the reader runs.
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    if (QApplication::overrideCursor() != nullptr) {
      EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    serial = stub.serial;
    confidence = stub.confidence;
  };
}

}  // namespace

TEST_F(AppTest, SerialMessageNamesSerialAndConfidence) {
  const struct {
    std::string serial;
    double confidence;
    QString message;
  } kCases[] = {
      {"AB12345678C", 92, "Serial: AB12345678C  Confidence: 92%"},
      {"AB12345678C", 100, "Serial: AB12345678C  Confidence: 100%"},
      {"AB12345678C", 46.5, "Serial: AB12345678C  Confidence: 46.5%"},
      {"", 0,
       "No serial found: make sure you have choiced the right currency type and the right banknote "
       "side..."},
  };
  Open("txt_word_liberationsans.png");
  StubReading stub;
  Form1->ReadSerial = Stub(stub);
  for (const auto& c : kCases) {
    stub.serial = c.serial;
    stub.confidence = c.confidence;
    const auto shown = Trigger(Form1->ActionEURSerialNumber);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, c.message);
    EXPECT_EQ(shown[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(shown[0].title, "OCR Evaluation Tool");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
}

TEST_F(AppTest, EachSerialCommandPassesItsCurrencyAndThePicture) {
  Open("txt_word_liberationsans.png");
  StubReading stub{"X", 100};
  Form1->ReadSerial = Stub(stub);
  const struct {
    QAction* action;
    const char* currency;
  } kCommands[] = {{Form1->ActionUSDSerialNumber, "USD"},
                   {Form1->ActionEURSerialNumber, "EUR"},
                   {Form1->ActionLBPSerialNumber, "LBP"}};
  for (const auto& command : kCommands) {
    Trigger(command.action);
    EXPECT_EQ(stub.currency, command.currency);
    EXPECT_EQ(stub.width, 204);
  }
  EXPECT_EQ(stub.calls, 3);
}

TEST_F(AppTest, SerialCommandWithoutAPictureReportsAnEmptyGraphic) {
  StubReading stub;
  Form1->ReadSerial = Stub(stub);
  const auto shown = Trigger(Form1->ActionUSDSerialNumber);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
  EXPECT_EQ(shown[0].text, "Graphic is empty");
  EXPECT_EQ(stub.calls, 0);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(AppTest, AReaderErrorRestoresTheCursorAndLeavesTheWindowUsable) {
  Open("txt_word_liberationsans.png");
  Form1->ReadSerial = [](const TDIB&, const std::string&, std::string&, double&) {
    throw std::runtime_error("reader failed");
  };
  auto shown = Trigger(Form1->ActionLBPSerialNumber);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
  EXPECT_EQ(shown[0].text, "reader failed");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  shown = Trigger(Form1->ActionAbout);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, QMessageBox::Information);
}

// The whole road: the open dialog, the note's picture, the classic reader
// and the message box.
TEST_F(AppTest, UsdCommandReadsAFixtureNote) {
  Open("notes/note_usd_05.tif");
  const auto shown = Trigger(Form1->ActionUSDSerialNumber);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Serial: MK60834863*  Confidence: 100%");
}

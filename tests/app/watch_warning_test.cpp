// Started with --watch DB, the desktop tool follows the designed serial
// message with a warning box when the serial is on a watch list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/guioptions.h"
#include "app/watchlists.h"
#include "app_test_util.h"
#include "records/recordstore.h"

namespace {

namespace fs = std::filesystem;

class WatchTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    db_ = (fs::temp_directory_path() /
           ("verevizu_gui_watch_" + std::to_string(getpid()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name() + ".db"))
              .string();
    fs::remove(db_);
    Put("USD", "MK6083*", "stolen from van 7");
  }
  void TearDown() override {
    AppTest::TearDown();
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(db_ + suffix);
  }
  void Put(const char* currency, const char* pattern, const char* reason) {
    records::OpenRecordStore(db_, records::saWrite)
        ->PutWatchEntries(std::vector<records::TWatchEntry>{{currency, pattern, reason}});
  }
  // A serial command whose reader answers `serial` at 100 %.
  static std::vector<TShownModal> ReadAs(QAction* command, std::string serial) {
    Form1->ReadSerial = [serial](const TDIB&, const std::string&, std::string& s, double& c) {
      s = serial;
      c = 100;
    };
    return Trigger(command);
  }

  std::string db_;
};

TEST_F(WatchTest, AWatchedSerialGetsAWarningAfterTheSerialMessage) {
  Open("txt_word_liberationsans.png");
  Form1->WatchLists = std::make_unique<TWatchLists>(db_);
  const auto shown = ReadAs(Form1->ActionUSDSerialNumber, "MK60834863*");
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Serial: MK60834863*  Confidence: 100%");
  EXPECT_EQ(shown[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(shown[1].text,
            "This note is on a watch list.\nSerial: MK60834863*  Entry: MK6083* (USD)\n"
            "Reason: stolen from van 7");
  EXPECT_EQ(shown[1].icon, QMessageBox::Warning);
  EXPECT_EQ(shown[1].title, "OCR Evaluation Tool");

  // Not valid, another currency, not listed: the serial message alone.
  const std::pair<QAction*, const char*> quiet[] = {
      {Form1->ActionUSDSerialNumber, "MK6083~863*"},
      {Form1->ActionEURSerialNumber, "MK60834863*"},
      {Form1->ActionUSDSerialNumber, "AB12345678C"},
  };
  for (const auto& [command, serial] : quiet)
    EXPECT_EQ(ReadAs(command, serial).size(), 1u) << serial;

  // An entry listed while the tool runs counts from the next note on.
  Put("USD", "AB1234*", "ransom");
  const auto listed = ReadAs(Form1->ActionUSDSerialNumber, "AB12345678C");
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_NE(listed[1].text.indexOf("Reason: ransom"), -1);
}

TEST_F(WatchTest, WatchListsThatCannotBeLoadedAreShownAndNotUsed) {
  const TGuiOptions options = ParseGuiOptions({"verevizu-gui", "--watch", "/no/such/watch.db"});
  EXPECT_EQ(options.watch, "/no/such/watch.db");
  const auto shown = AnswerModals([&] { ApplyGuiOptions(*Form1, options); });
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
  EXPECT_EQ(shown[0].text,
            "The watch lists could not be loaded: /no/such/watch.db: unable to open database file");
  EXPECT_EQ(Form1->WatchLists, nullptr);
}

}  // namespace

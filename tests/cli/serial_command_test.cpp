// verevizu serial, run in-process on fixture notes: the same output whatever
// the number of jobs, an unreadable file reported without stopping the batch,
// the JSON members, the plain vote of --classic and the exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli_test_util.h"

namespace {

using clitest::Output;
using clitest::RunTool;

const std::string kNotes = std::string(VEREVIZU_TEST_DATA) + "/notes/";

// A file that no decoder accepts, in a temporary folder removed by the test.
class SerialToolTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = clitest::FreshTestFolder("verevizu_serial_");
    broken_ = (dir_ / "broken.png").string();
    std::ofstream(broken_, std::ios::binary) << "not a picture";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
  std::string broken_;
};

TEST_F(SerialToolTest, ParallelJobsPrintWhatOneJobPrintsAndABrokenFileDoesNotStopTheBatch) {
  const std::vector<std::string> files = {kNotes + "note_usd_05.tif", broken_,
                                          kNotes + "note_eur_05.tif", kNotes + "note_lbp_03.tif"};
  std::vector<std::string> serial1 = {"serial", "--jobs", "1"};
  std::vector<std::string> serial8 = {"serial", "--jobs", "8"};
  serial1.insert(serial1.end(), files.begin(), files.end());
  serial8.insert(serial8.end(), files.begin(), files.end());

  const Output one = RunTool(serial1);
  // Every note stops after its first pass, every position backed by two
  // families of sources at least; the pound note's glyphs the engine leaves
  // unread, the classifier and the barcode read.
  EXPECT_EQ(one.out, files[0] + "\tMK60834863*\t99.41\n" + files[2] + "\tM34892405068\t99.36\n" +
                         files[3] + "\tL964226819\t99.47\n");
  EXPECT_EQ(one.err, "verevizu: " + broken_ +
                         ": Invalid Portable Graphics Network image, it has an invalid file "
                         "header.\n");
  EXPECT_EQ(one.code, 3);

  const Output eight = RunTool(serial8);
  EXPECT_EQ(eight.out, one.out);
  EXPECT_EQ(eight.err, one.err);
  EXPECT_EQ(eight.code, 3);
}

// An unreadable file outranks a picture without a serial, whichever comes last.
TEST_F(SerialToolTest, AnUnreadableFileDecidesTheExitCodeOverANoteWithoutASerial) {
  const std::string text = std::string(VEREVIZU_TEST_DATA) + "/txt_word_liberationsans.png";
  const Output r = RunTool({"serial", "--jobs", "1", broken_, text});
  EXPECT_EQ(r.out, text + "\t\t0\tnot valid\n");
  EXPECT_EQ(r.code, 3);
}

// The note member says where the note lay: this one is the whole picture
// (1843 x 783), level and upright. --classic reads the picture as it is and
// has no note member.
TEST(SerialTool, JsonGivesTheVerifiedSerialItsZonesPassesDoubtsAndNote) {
  const std::string note = kNotes + "note_usd_05.tif";
  const Output found = RunTool({"serial", "--json", note});
  const std::string zone = R"(\{"reading":"MK60834863\*","box":\[\d+,\d+,\d+,\d+\]\})";
  EXPECT_TRUE(std::regex_match(
      found.out,
      std::regex(R"(\{"file":"[^"]*note_usd_05\.tif","ms":\d+,)"
                 R"("serial":"MK60834863\*","confidence":99.41,"currency":"USD",)"
                 R"("valid":true,"zones":\[)" +
                 zone + "," + zone +
                 R"(\],"passes":\d+,"series":null,"doubts":\[\],"note":\{"box":\[0,0,1842,782\],)"
                 R"("skew":0,"orientation":0\}\}\n)")))
      << found.out;
  EXPECT_EQ(found.code, 0);
  EXPECT_EQ(RunTool({"serial", "--json", "--classic", note}).out.find("note\":"),
            std::string::npos);

  // A picture with no serial zone: no serial, confidence 0, the currency as
  // given, no zones, exit code 1.
  const std::string text = std::string(VEREVIZU_TEST_DATA) + "/txt_word_liberationsans.png";
  const Output none = RunTool({"serial", "--json", "--currency=EUR", text});
  EXPECT_TRUE(std::regex_match(
      none.out, std::regex(R"(\{"file":"[^"]*","ms":\d+,"serial":"","confidence":0,)"
                           R"("currency":"EUR","valid":false,"zones":\[null,null\],"passes":9,)"
                           R"("series":null,"doubts":\[\],"note":\{"box":\[0,0,203,167\],"skew":0,)"
                           R"("orientation":0\}\}\n)")))
      << none.out;
  EXPECT_EQ(none.code, 1);
  EXPECT_EQ(RunTool({"serial", text}).out, text + "\t\t0\tnot valid\n");
}

// A blank picture shows no note: nothing is read, the text says so, the
// note member is null and the currency empty (none was given or detected).
TEST_F(SerialToolTest, ABlankPictureIsNoNoteFound) {
  const std::string blank = (dir_ / "blank.bmp").string();
  {
    // A 200 x 100 true-colour bitmap file, all white.
    std::vector<std::uint8_t> file(54, 0);
    file.resize(54 + 600 * 100, 0xFF);
    const auto put = [&](std::size_t at, std::uint32_t v) {
      for (std::size_t i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, 0x4D42);
    put(2, static_cast<std::uint32_t>(file.size()));
    put(10, 54);
    put(14, 40);
    put(18, 200);
    put(22, 100);
    put(26, 1 | 24 << 16);  // planes, bits per pixel
    std::ofstream(blank, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
  }
  const Output text = RunTool({"serial", blank});
  EXPECT_EQ(text.out, blank + "\t\t0\tno note found\n");
  EXPECT_EQ(text.code, 1);
  const Output json = RunTool({"serial", "--json", blank});
  EXPECT_TRUE(std::regex_match(
      json.out,
      std::regex(R"(\{"file":"[^"]*","ms":\d+,"serial":"","confidence":0,"currency":"",)"
                 R"("valid":false,"zones":\[null,null\],"passes":0,"series":null,"doubts":\[\],)"
                 R"("note":null\}\n)")))
      << json.out;
}

// Both zones of this note agree on an unread glyph in the first pass: the
// plain vote stops there at 100 % with a serial no bank can file; the
// verified reading goes on and reads it.
TEST(SerialTool, ClassicPrintsThePlainVoteAndMarksItInvalid) {
  const std::string note = kNotes + "note_usd_03.tif";
  const Output classic = RunTool({"serial", "--classic", note});
  EXPECT_EQ(classic.out, note + "\tRK55701~21Y\t100\tnot valid\n");
  EXPECT_EQ(classic.code, 1);

  const Output json = RunTool({"serial", "--classic", "--json", note});
  EXPECT_NE(
      json.out.find(R"("serial":"RK55701~21Y","confidence":100,"currency":"USD","valid":false,)"),
      std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find(R"("passes":1})"), std::string::npos) << json.out;

  // Two glyphs rest on the classifier alone, sure in both zones: a little
  // less confidence.
  const Output verified = RunTool({"serial", note});
  EXPECT_EQ(verified.out, note + "\tRK55709621Y\t97.78\n");
  EXPECT_EQ(verified.code, 0);
}

// An OCR-A Bold note whose 8 the recognisers read as 0 in every pass and
// view; the classifier reads 8. Nothing settles a dollar serial's
// disagreement: no serial, and the doubt says where and why.
TEST(SerialTool, ADisagreementNothingSettlesIsADoubtNotAGuess) {
  const std::string note = kNotes + "note_usd_07.tif";  // FA56169548F
  const Output json = RunTool({"serial", "--json", note});
  EXPECT_NE(json.out.find(R"("serial":"","confidence":0,"currency":"USD","valid":false,)"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find(R"("doubts":[{"position":10,"recognisers":"0","classifier":"8",)"
                          R"("barcode":null,"settled":null}],"note":)"),
            std::string::npos)
      << json.out;
  EXPECT_EQ(json.code, 1);
}

TEST(SerialTool, JsonConfidencesKeepTheirDecimals) {
  for (const auto& [confidence, text] :
       {std::pair{100.0, "100"}, {0.0, "0"}, {46.5, "46.5"}, {11.62, "11.62"}}) {
    EXPECT_EQ(cli::JsonText(cli::ConfidenceJson(confidence)), text);
  }
}

TEST(SerialTool, AnUnknownCurrencyIsAUsageError) {
  const Output r = RunTool({"serial", "--currency", "gbp", "x.png"});
  EXPECT_EQ(r.err,
            "verevizu serial: option --currency: 'GBP' is not one of USD, EUR, LBP, AUTO\n"
            "Run 'verevizu serial --help' for its options.\n");
  EXPECT_EQ(r.code, 2);
}

}  // namespace

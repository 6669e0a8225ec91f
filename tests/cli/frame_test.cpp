// The command-line frame and `verevizu info`, run in-process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli_test_util.h"

namespace {

using clitest::Output;
using clitest::RunTool;

const std::string kData = VEREVIZU_TEST_DATA;

// A folder holding copies of some samples and a file that is not an image.
class ToolTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = clitest::FreshTestFolder("verevizu_cli_");
    for (const char* f : {"note_eur_05.tif", "bc_code39_m2.png", "bc_code39_m2.tif"})
      std::filesystem::copy_file(kData + "/" + f, dir_ / f);
    std::ofstream(dir_ / "notes.txt") << "not an image";
    std::ofstream(dir_ / "broken.jpg") << "not a JPEG either";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Dir() const { return dir_.string(); }

  std::filesystem::path dir_;
};

TEST_F(ToolTest, InfoPrintsOneLinePerImageInNameOrderAndReportsUnreadableFiles) {
  const Output r = RunTool({"info", Dir()});
  EXPECT_EQ(r.out, Dir() + "/bc_code39_m2.png\t432\t120\t256 color\t96\t96\t1\n" +  //
                       Dir() + "/bc_code39_m2.tif\t442\t120\tBlack and white\t300\t300\t1\n" +
                       Dir() + "/note_eur_05.tif\t1157\t646\tBlack and white\t200\t200\t1\n");
  EXPECT_EQ(r.err, "verevizu: " + Dir() + "/broken.jpg: Not a JPEG file: starts with 0x6e 0x6f\n");
  EXPECT_EQ(r.code, 3);
}

TEST_F(ToolTest, JsonHasFileMsAndTheFieldsOrAnError) {
  const Output r = RunTool({"info", "--json", Dir() + "/bc_code39_m2.tif", Dir() + "/missing.tif"});
  std::istringstream lines(r.out);
  std::string first, second;
  std::getline(lines, first);
  std::getline(lines, second);
  const std::string file = Dir() + "/bc_code39_m2.tif";
  EXPECT_EQ(first.rfind("{\"file\":\"" + file + "\",\"ms\":", 0), 0u) << first;
  EXPECT_NE(first.find(",\"width\":442,\"height\":120,\"format\":\"Black and white\",\"xdpi\":300,"
                       "\"ydpi\":300,\"pages\":1}"),
            std::string::npos)
      << first;
  EXPECT_NE(second.find("\"error\":\"No such file or directory\"}"), std::string::npos) << second;
  EXPECT_EQ(r.code, 3);
}

TEST_F(ToolTest, ParallelRunsPrintTheSameAsOneJob) {
  std::vector<std::string> files;
  for (int i = 0; i < 4; ++i)
    for (const char* f : {"note_eur_05.tif", "bc_code39_m2.png", "broken.jpg", "bc_code39_m2.tif"})
      files.push_back(Dir() + "/" + f);
  std::vector<std::string> one = {"info", "--jobs", "1"}, many = {"info", "--jobs=4"};
  one.insert(one.end(), files.begin(), files.end());
  many.insert(many.end(), files.begin(), files.end());
  const Output a = RunTool(one), b = RunTool(many);
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.err, b.err);
  EXPECT_EQ(a.code, b.code);
}

TEST_F(ToolTest, ProgressBarOnlyOnATerminal) {
  const std::string a = Dir() + "/bc_code39_m2.png", b = Dir() + "/bc_code39_m2.tif";
  EXPECT_EQ(RunTool({"info", a, b}).err, "");
  EXPECT_NE(RunTool({"info", a, b}, true).err.find("2/2"), std::string::npos);
  EXPECT_EQ(RunTool({"info", a}, true).err, "");
}

TEST_F(ToolTest, PagesBeyondTheFileAreErrors) {
  const Output r =
      RunTool({"info", "--page", "2", Dir() + "/bc_code39_m2.png", Dir() + "/note_eur_05.tif"});
  EXPECT_EQ(r.err, "verevizu: " + Dir() +
                       "/bc_code39_m2.png: page 2 does not exist (the file has 1 page)\n" +
                       "verevizu: " + Dir() +
                       "/note_eur_05.tif: page 2 does not exist (the file has 1 page)\n");
  EXPECT_EQ(r.code, 3);
}

TEST_F(ToolTest, EveryEntryNamedLikeAnImageGetsALineAndOnlyRegularFilesAreRead) {
  namespace fs = std::filesystem;
  const fs::path folder = dir_ / "mixed";
  fs::create_directory(folder);
  fs::copy_file(dir_ / "bc_code39_m2.png", folder / "a.png");
  fs::create_symlink("nowhere.png", folder / "b_dangling.png");
  fs::create_symlink("c_loop.png", folder / "c_loop.png");
  ASSERT_EQ(mkfifo((folder / "d_fifo.png").c_str(), 0600), 0);
  fs::create_directory(folder / "e_folder.png");
  fs::create_directory(folder / "f_folder");  // not named like an image: not listed
  const std::string m = folder.string() + "/";
  // A FIFO or a device named directly would block or never end if it were read.
  const Output r = RunTool({"info", "--jobs", "1", folder.string(), "/dev/zero"});
  EXPECT_EQ(r.out, m + "a.png\t432\t120\t256 color\t96\t96\t1\n");
  EXPECT_EQ(r.err, "verevizu: " + m + "b_dangling.png: No such file or directory\n" +
                       "verevizu: " + m + "c_loop.png: Too many levels of symbolic links\n" +
                       "verevizu: " + m + "d_fifo.png: not a regular file\n" + "verevizu: " + m +
                       "e_folder.png: is a folder, not a file\n" +
                       "verevizu: /dev/zero: not a regular file\n");
  EXPECT_EQ(r.code, 3);
}

TEST_F(ToolTest, StandardInputIsReadWhenNamedAndKnownByItsSignature) {
  const struct {
    std::string file;
    std::string out, err;
  } cases[] = {
      {"note_eur_05.tif", "-\t1157\t646\tBlack and white\t200\t200\t1\n", ""},
      {"notes.txt", "", "verevizu: -: standard input is not an image of a known format\n"},
  };
  for (const auto& c : cases) {
    // The file becomes standard input for the run.
    const int saved = dup(STDIN_FILENO);
    const int file = open((dir_ / c.file).c_str(), O_RDONLY);
    ASSERT_GE(file, 0);
    dup2(file, STDIN_FILENO);
    close(file);
    const Output r = RunTool({"info", "-"});
    dup2(saved, STDIN_FILENO);
    close(saved);
    EXPECT_EQ(r.out, c.out) << c.file;
    EXPECT_EQ(r.err, c.err) << c.file;
  }
}

TEST_F(ToolTest, FilesAndPicturesBeyondTheLimitsAreRefusedWithTheLimitNamed) {
  const std::string png = Dir() + "/bc_code39_m2.png";  // 432 x 120
  const std::string tif = Dir() + "/note_eur_05.tif";   // 15,806 bytes
  const struct {
    std::vector<std::string> options;
    std::string file;
    std::string error;  // empty: read
  } cases[] = {
      {{"--max-file-size", "15K"},
       tif,
       "file too large: 15806 bytes, more than the limit of 15360 (--max-file-size)"},
      {{"--max-file-size", "15805"},
       tif,
       "file too large: 15806 bytes, more than the limit of 15805 (--max-file-size)"},
      {{"--max-file-size", "15806"}, tif, ""},
      {{"--max-pixels", "51839"},
       png,
       "Image too large: 432 x 120 pixels, more than the limit of 51839 (--max-pixels)"},
      {{"--max-pixels", "51840"}, png, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"info"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(c.file);
    const Output r = RunTool(args);
    EXPECT_EQ(r.err, c.error.empty() ? "" : "verevizu: " + c.file + ": " + c.error + "\n")
        << c.options[1];
    EXPECT_EQ(r.code, c.error.empty() ? 0 : 3);
  }
}

TEST_F(ToolTest, AFileOverItsTimeIsAnErrorAndTheBatchGoesOn) {
  const std::string note = Dir() + "/note_eur_05.tif";
  const Output r = RunTool({"serial", "--jobs", "1", "--timeout", "0.000001", note, note});
  const std::string line = "verevizu: " + note + ": time limit of 1e-06 s reached (--timeout)\n";
  EXPECT_EQ(r.err, line + line);
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(RunTool({"info", "--timeout", "60", note}).code, 0);
}

TEST_F(ToolTest, NamesComeBackExactlyFromJsonAndStayOnOneLineOfText) {
  const std::vector<std::string> names = {"bad\xfe.png", "bad\xff.png", "tab\there.png",
                                          "new\nline.png"};
  std::vector<std::string> args = {"info", "--jobs", "1"};
  for (const std::string& name : names) {
    std::filesystem::copy_file(dir_ / "bc_code39_m2.png", dir_ / name);
    args.push_back(Dir() + "/" + name);
  }
  const Output text = RunTool(args);
  const std::string fields = "\t432\t120\t256 color\t96\t96\t1\n";
  EXPECT_EQ(text.out, Dir() + "/bad\\xfe.png" + fields + Dir() + "/bad\\xff.png" + fields + Dir() +
                          "/tab\\there.png" + fields + Dir() + "/new\\nline.png" + fields);
  args.push_back("--json");
  const Output json = RunTool(args);
  for (const char* escaped :
       {"bad\\udcfe.png\"", "bad\\udcff.png\"", "tab\\there.png\"", "new\\nline.png\""})
    EXPECT_NE(json.out.find("{\"file\":\"" + Dir() + "/" + escaped), std::string::npos) << escaped;
}

TEST_F(ToolTest, PathsNamedLikeCommandsOrOptionsStayPaths) {
  // Run in the folder, so that a path can be "serial" (a folder) or "--json.png".
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  std::filesystem::create_directory("serial");
  std::filesystem::copy_file("bc_code39_m2.png", "serial/bc_code39_m2.png");
  std::filesystem::copy_file("bc_code39_m2.png", "--json.png");
  // The last of a repeated option counts; "--" ends the options.
  const Output r =
      RunTool({"info", "serial", "--page", "2", "--page", "1", "--", "--json.png", "--"});
  std::filesystem::current_path(before);
  const std::string fields = "\t432\t120\t256 color\t96\t96\t1\n";
  EXPECT_EQ(r.out, "serial/bc_code39_m2.png" + fields + "--json.png" + fields);
  EXPECT_EQ(r.err, "verevizu: --: No such file or directory\n");
  EXPECT_EQ(r.code, 3);
}

TEST(ToolUsage, ExitCodesAndMessagesOfUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"frobnicate"},
       2,
       "verevizu: unknown command 'frobnicate'\nRun 'verevizu --help' for the commands.\n"},
      {{"info"}, 2, "verevizu info: no PATH given\nRun 'verevizu info --help' for its options.\n"},
      {{"info", "--page", "0", "x.tif"},
       2,
       "verevizu info: option --page: '0' is not a number from 1 to 2147483647\n"
       "Run 'verevizu info --help' for its options.\n"},
      {{"info", "--jobs"},
       2,
       "verevizu info: option --jobs needs a value\nRun 'verevizu info --help' for its options.\n"},
      {{"info", "--json=yes", "x.tif"},
       2,
       "verevizu info: option --json takes no value\nRun 'verevizu info --help' for its "
       "options.\n"},
      {{"info", "--colour", "x.tif"},
       2,
       "verevizu info: unknown option '--colour'\nRun 'verevizu info --help' for its options.\n"},
      {{"info", "--max-file-size", "2T", "x.tif"},
       2,
       "verevizu info: option --max-file-size: '2T' is not a size (bytes, or N with K, M or G)\n"
       "Run 'verevizu info --help' for its options.\n"},
      {{"info", "--timeout", "0", "x.tif"},
       2,
       "verevizu info: option --timeout: '0' is not a number of seconds above 0\n"
       "Run 'verevizu info --help' for its options.\n"},
  };
  for (const Case& c : cases) {
    const Output r = RunTool(c.args);
    EXPECT_EQ(r.code, c.code) << c.args[0];
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
  }
}

TEST(ToolUsage, HelpAndVersion) {
  EXPECT_EQ(RunTool({}).code, 2);
  const Output help = RunTool({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("  info"), std::string::npos);
  const Output infoHelp = RunTool({"info", "--help"});
  EXPECT_EQ(infoHelp.code, 0);
  EXPECT_EQ(infoHelp.out.rfind("usage: verevizu info", 0), 0u);
  EXPECT_NE(infoHelp.out.find("--jobs N"), std::string::npos);
  EXPECT_EQ(RunTool({"--version"}).out, "verevizu 0.1.0\n");
}

TEST(ToolJson, StringsAreEscaped) {
  EXPECT_EQ(cli::JsonText("a\"b\\c\n\t\x01\xc3\xa9"), "\"a\\\"b\\\\c\\n\\t\\u0001\xc3\xa9\"");
  // A file name need not be UTF-8: its stray bytes must not stop the line.
  EXPECT_EQ(cli::JsonText("a\xff.tif"), "\"a\xef\xbf\xbd.tif\"");
}

TEST(ToolJson, NamesKeepEveryByteAndPlainFieldsStayOneField) {
  const struct {
    std::string name, json, plain;
  } cases[] = {
      {"caf\xc3\xa9.tif", "\"caf\xc3\xa9.tif\"", "caf\xc3\xa9.tif"},  // UTF-8 stays
      {"a\xfe\xff", "\"a\\udcfe\\udcff\"", "a\\xfe\\xff"},
      {"\xc3", "\"\\udcc3\"", "\\xc3"},                                  // a sequence cut short
      {"\xc0\xaf", "\"\\udcc0\\udcaf\"", "\\xc0\\xaf"},                  // overlong '/'
      {"\xed\xa0\x80", "\"\\udced\\udca0\\udc80\"", "\\xed\\xa0\\x80"},  // a surrogate
      {"q\"b\\t\tn\n\x01", "\"q\\\"b\\\\t\\tn\\n\\u0001\"", "q\"b\\\\t\\tn\\n\\x01"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cli::JsonName(c.name), c.json);
    EXPECT_EQ(cli::PlainField(c.name), c.plain);
  }
}

}  // namespace

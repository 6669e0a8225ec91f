// verevizu ocr, run in-process: options, the crop, text and JSON output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../ocr/ocr_test_util.h"
#include "../ocr/sheet_glyphs.h"
#include "cli/command.h"
#include "cli_test_util.h"

namespace {

using clitest::Output;
using clitest::RunTool;

const std::string kWord = std::string(VEREVIZU_TEST_DATA) + "/txt_word_liberationsans.png";

// A bitmap file of the art, in a temporary folder removed by the test.
class OcrToolTest : public testing::Test {
 protected:
  void SetUp() override { dir_ = clitest::FreshTestFolder("verevizu_ocr_"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string WriteBitmap(const std::string& name, const ocrtest::Art& art) {
    const platform::BlockOwner dib = ocrtest::MakePackedDib(art, 8);
    platform::BlockLock lock(dib.get());
    std::vector<char> file(14);
    const uint32_t size = static_cast<uint32_t>(14 + lock.size());
    const uint32_t offset = 14 + 40 + 4 * 256;
    file[0] = 'B';
    file[1] = 'M';
    for (int i = 0; i < 4; ++i) {
      file[2 + i] = static_cast<char>(size >> (8 * i));
      file[10 + i] = static_cast<char>(offset >> (8 * i));
    }
    file.insert(file.end(), lock.data(), lock.data() + lock.size());
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(file.data(), static_cast<std::streamsize>(file.size()));
    return path;
  }

  std::filesystem::path dir_;
};

// Counts the occurrences of `needle`.
std::size_t Count(const std::string& s, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t p = s.find(needle); p != std::string::npos; p = s.find(needle, p + 1)) ++n;
  return n;
}

TEST(OcrTool, AWordGivesOneRecordPerLetterOnOneLine) {
  const Output r = RunTool({"ocr", "--json", "--area", "word", "--no-split", kWord});
  ASSERT_EQ(r.err, "");
  EXPECT_EQ(Count(r.out, "\"ch\":"), 4u) << r.out;
  EXPECT_EQ(Count(r.out, "\"line\":1,"), 4u) << r.out;
  EXPECT_NE(r.out.find("\"box\":[61,70,84,98]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"box\":[124,76,141,98]"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.rfind("{\"file\":\"" + kWord + "\",\"ms\":", 0), 0u);
  // A word gets no spaces: four characters of text, one per record.
  const std::size_t text = r.out.find("\"text\":\"");
  ASSERT_NE(text, std::string::npos);
  EXPECT_EQ(r.out.find('"', text + 8), text + 8 + 4) << r.out;
}

// The word and line pictures of the text fixtures read as their truth
// (texts.tsv) with the dialog's settings. Those that do not read yet are
// listed apart, so that one starting to read shows up.
TEST(OcrTool, WordsAndLinesReadAsTheirText) {
  const std::string texts = std::string(VEREVIZU_TEST_DATA) + "/texts/";
  const std::set<std::string> notReadYet = {"txt_line_nimbusroman.png"};
  std::ifstream truth(texts + "texts.tsv");
  std::string line;
  std::getline(truth, line);  // header
  int32_t pictures = 0;
  while (std::getline(truth, line)) {
    std::istringstream fields(line);
    std::string file, kind, font, size, text;
    for (std::string* field : {&file, &kind, &font, &size, &text})
      std::getline(fields, *field, '\t');
    if (kind != "word" && kind != "line") continue;
    ++pictures;
    const Output r = RunTool({"ocr", "--area", kind, texts + file});
    if (notReadYet.count(file) != 0) {
      EXPECT_NE(r.out, text + "\n") << file << " reads now: take it out of notReadYet";
    } else {
      EXPECT_EQ(r.out, text + "\n") << file;
    }
  }
  EXPECT_EQ(pictures, 12);
}

TEST(OcrTool, TheRectangleIsCutFirstWithoutItsRightAndBottomEdges) {
  // The first letter's box is 61..84 by 70..98.
  const Output whole = RunTool({"ocr", "--json", "--area=word", "--rect", "61,70,85,99", kWord});
  EXPECT_EQ(Count(whole.out, "\"ch\":"), 1u) << whole.out;
  // The recognition loop trims the letter's faint last column (its marked
  // pixels read as paper), so both crops end at column 22; the rows tell them apart.
  EXPECT_NE(whole.out.find("\"box\":[0,0,22,28]"), std::string::npos) << whole.out;
  const Output cut = RunTool({"ocr", "--json", "--area=word", "--rect=61,70,84,98", kWord});
  EXPECT_NE(cut.out.find("\"box\":[0,0,22,27]"), std::string::npos) << cut.out;
}

TEST_F(OcrToolTest, ABlankImageHasNoCharactersAndSeveralFilesGetHeaders) {
  const std::string blank = WriteBitmap("blank.bmp", ocrtest::Art(8, std::string(12, '.')));
  ocrtest::Canvas bar(30, 20);
  bar.Fill(5, 4, 8, 15);
  const std::string glyph = WriteBitmap("glyph.bmp", bar.art);
  const Output r = RunTool({"ocr", "--jobs", "1", blank, glyph});
  // A page without ink was read: it has an empty text, like a page whose
  // specks all went, and no error.
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.rfind("==> " + blank + " <==\n\n==> " + glyph + " <==\n", 0), 0u) << r.out;
  EXPECT_EQ(Count(r.out, "\n"), 4u) << r.out;
  EXPECT_EQ(r.code, 1);
  const Output json = RunTool({"ocr", "--json", blank});
  EXPECT_NE(json.out.find(",\"text\":\"\",\"characters\":[]}"), std::string::npos) << json.out;
  EXPECT_EQ(json.code, 1);
}

// The classifier reads the euro sign as its byte in the 8-bit code page, 0x80;
// the text and every record show it as the euro sign.
TEST_F(OcrToolTest, TheEuroSignShowsAsTheEuroSignInEveryMember) {
  const std::vector<sheet_glyphs::TSheetGlyph> glyphs =
      sheet_glyphs::ReadSheetGlyphs(std::string(VEREVIZU_TEST_DATA) + "/glyphs/symbols.txt");
  const auto euro = std::find_if(glyphs.begin(), glyphs.end(), [](const auto& g) {
    return g.font == "DejaVuSans_10pt" && g.ch == u'\u20AC';
  });
  ASSERT_NE(euro, glyphs.end());
  const Output r = RunTool({"ocr", "--json", "--area", "word", WriteBitmap("euro.bmp", euro->art)});
  EXPECT_NE(r.out.find(R"("text":"€","characters":[{"ch":"€",)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(R"("candidates":[["€",100]])"), std::string::npos) << r.out;
}

TEST(OcrTool, ParallelRunsReadTheSameAsOneJob) {
  // Every file gets its own engine, so threads share nothing but the images.
  std::vector<std::string> one = {"ocr", "--json", "--jobs", "1"},
                           many = {"ocr", "--json", "--jobs", "4"};
  for (int i = 0; i < 4; ++i) {
    one.push_back(kWord);
    many.push_back(kWord);
  }
  const Output a = RunTool(one), b = RunTool(many);
  auto withoutTimes = [](std::string s) {
    for (std::size_t p = s.find("\"ms\":"); p != std::string::npos; p = s.find("\"ms\":", p + 1))
      s.erase(p + 5, s.find(',', p) - p - 5);
    return s;
  };
  EXPECT_EQ(withoutTimes(a.out), withoutTimes(b.out));
  EXPECT_EQ(Count(a.out, "\"text\":"), 4u);
  EXPECT_EQ(a.code, b.code);
}

TEST(OcrTool, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::string tail = "\nRun 'verevizu ocr --help' for its options.\n";
  const std::vector<Case> cases = {
      {{"ocr", "--area", "sentence", "x.png"},
       "verevizu ocr: option --area: 'sentence' is not one of character, word, line, paragraph, "
       "page" +
           tail},
      {{"ocr", "--content=digits", "x.png"},
       "verevizu ocr: option --content: 'digits' is not one of numeric, upper, lower, letters, "
       "alnum" +
           tail},
      {{"ocr", "--spots", "some", "x.png"},
       "verevizu ocr: option --spots: 'some' is not one of none, smart, always" + tail},
      {{"ocr", "--max-spot", "100", "x.png"},
       "verevizu ocr: option --max-spot: '100' is not a number from -1 to 99" + tail},
      {{"ocr", "--rect", "1,2,3", "x.png"},
       "verevizu ocr: option --rect: '1,2,3' is not LEFT,TOP,RIGHT,BOTTOM" + tail},
      {{"ocr", "--rect", "1,2,3,4,5", "x.png"},
       "verevizu ocr: option --rect: '1,2,3,4,5' is not LEFT,TOP,RIGHT,BOTTOM" + tail},
      {{"ocr", "--no-split=1", "x.png"}, "verevizu ocr: option --no-split takes no value" + tail},
  };
  for (const Case& c : cases) {
    const Output r = RunTool(c.args);
    EXPECT_EQ(r.code, 2) << c.args[1];
    EXPECT_EQ(r.err, c.err);
  }
}

}  // namespace

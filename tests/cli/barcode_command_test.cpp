// verevizu barcode, run in-process: type names, the reader's settings, plain
// and JSON output, exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli_test_util.h"
#include "graphics/dibgraphic.h"
#include "image/dibunit.h"
#include "image/turning.h"

namespace {

using clitest::Output;
using clitest::RunTool;

const std::string kSamples = std::string(VEREVIZU_TEST_DATA) + "/barcodes/";

TEST(BarcodeCommand, OneLinePerCodeWithTypeTextAndCheck) {
  const std::string code39 = kSamples + "bc_code39_m2.png";
  const std::string pharma = kSamples + "bc_pharma_m3.tif";
  const Output r = RunTool({"barcode", "--types", "code39,pharmacode", code39, pharma});
  EXPECT_EQ(r.out, code39 + "\tbcCode39\t8LXH+5B\t0\n" + pharma + "\tbcPharmaCode\t176551315\t1\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.code, 0);
}

TEST(BarcodeCommand, TypeNamesWithOrWithoutPrefixInAnyCase) {
  const std::string itf = kSamples + "bc_itf_m2.png";
  for (const char* types :
       {"2of5interlaved", "bc2of5Interlaved", "BC2OF5INTERLAVED", "code39,2of5Interlaved", "all"}) {
    const Output r = RunTool({"barcode", "--types", types, itf});
    EXPECT_EQ(r.out, itf + "\tbc2of5Interlaved\t46771832\t0\n") << types;
    EXPECT_EQ(r.code, 0) << types;
  }
}

TEST(BarcodeCommand, DefaultsAreTheReadersOwn) {
  // Code 93 is not among the default types; a file without a code exits 1.
  const Output r = RunTool({"barcode", kSamples + "bc_msi_m3.png", kSamples + "bc_code39_m3.png"});
  EXPECT_EQ(r.out, kSamples + "bc_msi_m3.png\tbcMSI\t41960\t0\n" + kSamples +
                       "bc_code39_m3.png\tbcCode39\t2%014J40/\t0\n");
  const Output none = RunTool({"barcode", "--types", "code93", kSamples + "bc_msi_m3.png"});
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.code, 1);
}

TEST(BarcodeCommand, BarsReadAsSeveralSymbologiesShowTheStrictestUnlessAllReadingsAreAsked) {
  struct Case {
    std::string file;
    std::vector<std::string> types;
    std::vector<std::string> trusted, all;  // TYPE<TAB>TEXT<TAB>CHECKED
  };
  for (const Case& c : std::vector<Case>{
           {"bc_itf_m4.png",
            {"--types", "all"},
            {"bc2of5Interlaved\t8845642587\t0"},
            {"bc2of5Interlaved\t8845642587\t0", "bc2of5IATA\t84628\t0", "bc2of5DataLogic\t330\t0"}},
           // with the default types
           {"bc_code39_m4.png",
            {},
            {"bcCode39\tKTVY-0/D\t0"},
            {"bcCode39\tKTVY-0/D\t0", "bc2of5Industrial\t102\t0"}},
       }) {
    const std::string file = kSamples + c.file;
    for (const bool all : {false, true}) {
      std::vector<std::string> args = {"barcode"};
      args.insert(args.end(), c.types.begin(), c.types.end());
      if (all) args.push_back("--all-readings");
      args.push_back(file);
      std::string want;
      for (const std::string& line : all ? c.all : c.trusted) want += file + '\t' + line + '\n';
      const Output r = RunTool(args);
      EXPECT_EQ(r.out, want) << c.file << (all ? " --all-readings" : "");
      EXPECT_EQ(r.code, 0);
    }
  }
  // JSON lists the same codes.
  const std::string itf = kSamples + "bc_itf_m4.png";
  const Output json = RunTool({"barcode", "--json", "--types", "all", itf});
  EXPECT_NE(json.out.find("\"codes\":[{\"type\":\"bc2of5Interlaved\""), std::string::npos);
  EXPECT_EQ(json.out.find("bc2of5IATA"), std::string::npos);
}

TEST(BarcodeCommand, SettingsReachTheReader) {
  const std::string codabar = kSamples + "bc_codabar_m3.png";  // A9.02-$12D: 8 data characters
  struct Case {
    std::vector<std::string> options;
    bool found;
  };
  for (const Case& c : std::vector<Case>{
           {{"--max-len", "7"}, false},
           {{"--max-len=8"}, true},
           {{"--min-len", "9", "--max-len", "20"}, false},
           {{"--laser-size", "200"}, false},  // taller than the image: nothing scanned
           {{"--laser-size", "5", "--laser-step", "1", "--quality", "light"}, true},
           {{"--expected", "1", "--quality", "dark", "--verify-check"}, true},
       }) {
    std::vector<std::string> args = {"barcode", "--types", "codabar"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(codabar);
    const Output r = RunTool(args);
    EXPECT_EQ(r.code, c.found ? 0 : 1) << c.options[0];
    EXPECT_EQ(r.out.empty(), !c.found) << c.options[0];
  }
}

TEST(BarcodeCommand, JsonListsTheCodesWithTheirRectangles) {
  const std::string file = kSamples + "bc_code39_m2.png";
  const Output r = RunTool({"barcode", "--json", "--types", "code39", file});
  const std::string ms =
      r.out.substr(r.out.find("\"ms\":"), r.out.find(",\"codes\"") - r.out.find("\"ms\":"));
  EXPECT_EQ(r.out, "{\"file\":\"" + file + "\"," + ms +
                       ",\"codes\":[{\"type\":\"bcCode39\",\"text\":\"8LXH+5B\",\"checked\":false,"
                       "\"rect\":[100,19,332,100],\"orientation\":0}]}\n");
}

// A sample's picture as a raster.
std::unique_ptr<TDIB> Sample(const std::string& name) {
  const auto graphic = LoadGraphicFromFile(kSamples + name, 1);
  auto dib = std::make_unique<TDIB>();
  dib->AttachBlock(graphic->ExportPackedDib());
  return dib;
}

// Pictures written by a test, in a folder removed after it.
class BarcodeFiles : public testing::Test {
 protected:
  void SetUp() override { dir_ = clitest::FreshTestFolder("verevizu_barcode_"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const TDIB& dib) const {
    const std::string path = (dir_ / name).string();
    clitest::WriteBitmapFile(path, dib.BlockHandle());
    return path;
  }

  std::filesystem::path dir_;
};

TEST_F(BarcodeFiles, CodesAreReadAtEveryOrientationUnlessNarrowed) {
  const std::unique_ptr<TDIB> upright = Sample("bc_code39_m2.png");
  for (const int32_t degrees : {90, 180, 270, 23}) {
    const std::string file = Write("turned.bmp", *TurnedCopy(*upright, degrees));
    const Output r = RunTool({"barcode", "--json", "--types", "code39", file});
    EXPECT_NE(r.out.find("\"text\":\"8LXH+5B\""), std::string::npos) << degrees << r.out;
    EXPECT_NE(r.out.find("\"orientation\":" + std::to_string(degrees)), std::string::npos)
        << degrees << r.out;
    EXPECT_EQ(r.code, 0) << degrees;
    // Upright codes alone, and the reader's own sweep, find nothing here.
    for (const std::vector<std::string>& narrowed :
         {std::vector<std::string>{"--orientations", "0"}, {"--classic"}}) {
      std::vector<std::string> args = {"barcode", "--types", "code39"};
      args.insert(args.end(), narrowed.begin(), narrowed.end());
      args.push_back(file);
      const Output none = RunTool(args);
      EXPECT_EQ(none.out, "") << degrees << " " << narrowed[0];
      EXPECT_EQ(none.code, 1) << degrees << " " << narrowed[0];
    }
  }
}

TEST_F(BarcodeFiles, FourBitPicturesAreReadInGrey) {
  // As the other commands read them; the reader itself counts dark pixels of
  // 1-, 8- and 24-bit pictures only.
  std::unique_ptr<TDIB> picture = Sample("bc_code39_m2.png");
  picture->ConvertTo(df4Bit);
  ASSERT_EQ(picture->Format(), df4Bit);
  const std::string file = Write("sixteen.bmp", *picture);
  for (const char* reading : {"--orientations=all", "--classic"}) {
    const Output r = RunTool({"barcode", "--types", "code39", reading, file});
    EXPECT_EQ(r.out, file + "\tbcCode39\t8LXH+5B\t0\n") << reading;
    EXPECT_EQ(r.err, "") << reading;
    EXPECT_EQ(r.code, 0) << reading;
  }
}

TEST(BarcodeCommand, ClassicPrintsTheReadersLinesAsTheyWere) {
  const std::string file = kSamples + "bc_code39_m2.png";
  const Output r = RunTool({"barcode", "--json", "--classic", "--types", "code39", file});
  EXPECT_NE(r.out.find("\"rect\":[100,19,332,100]}]}"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("orientation"), std::string::npos);
}

TEST(BarcodeCommand, UsageErrors) {
  const std::string file = kSamples + "bc_code39_m2.png";
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"barcode", "--types", "code39,foo", file},
            "option --types: 'foo' is not a barcode type"},
           {{"barcode", "--types", "", file}, "option --types: '' is not a barcode type"},
           {{"barcode", "--quality", "grey", file},
            "option --quality: 'grey' is not one of normal, dark, light"},
           {{"barcode", "--expected", "0", file},
            "option --expected: '0' is not a number from 1 to 2147483647"},
           {{"barcode", "--laser-step", "x", file},
            "option --laser-step: 'x' is not a number from 1 to 2147483647"},
           {{"barcode", "--orientations", "0,45", file},
            "option --orientations: '45' is not one of 0, 90, 180, 270, tilted, all"},
           {{"barcode", "--classic", "--orientations", "0", file},
            "option --classic reads upright codes only: it takes no --orientations"},
       }) {
    const Output r = RunTool(c.args);
    EXPECT_EQ(r.code, 2) << c.message;
    EXPECT_NE(r.err.find("verevizu barcode: " + c.message + "\n"), std::string::npos) << r.err;
  }
}

}  // namespace

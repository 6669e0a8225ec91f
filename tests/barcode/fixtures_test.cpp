// The reader on sample images of every two-width symbology (three module
// sizes each, some as 1-bit TIFF with a resolution), against the truth table
// beside them. Each image is read with its own symbology alone; the runner
// counts passes and reports misses and unexpected reads apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "barcode/barcodereader.h"
#include "graphics/dibgraphic.h"
#include "platform/memory.h"

namespace {

const std::string kFolder = std::string(VEREVIZU_TEST_DATA) + "/barcodes";

struct Sample {
  std::string file;
  TBarCodeType type;
  std::string text;
  std::string checked;  // "1", "0", or "?" where the verdict is the reader's choice
  std::string note;
};

TBarCodeType TypeNamed(const std::string& name) {
  for (int32_t t = 0; t < kBarCodeTypeCount; ++t) {
    if (name == BarCodeTypeName(static_cast<TBarCodeType>(t))) return static_cast<TBarCodeType>(t);
  }
  throw std::invalid_argument("unknown symbology " + name);
}

struct ModuleSample {
  Sample sample;
  std::string alsoExpected;  // "bcEAN13:<digits>" beside an add-on
};

std::vector<std::vector<std::string>> ReadRows(const std::string& table) {
  std::ifstream in(kFolder + "/" + table);
  std::string line;
  std::getline(in, line);  // header
  std::vector<std::vector<std::string>> rows;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream fields(line);
    for (std::string col; std::getline(fields, col, '\t');) cols.push_back(col);
    cols.resize(std::max<std::size_t>(cols.size(), 9));
    rows.push_back(cols);
  }
  return rows;
}

std::vector<Sample> ReadTruth() {
  std::ifstream in(kFolder + "/barcodes.tsv");
  std::string line;
  std::getline(in, line);  // header
  std::vector<Sample> samples;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream fields(line);
    for (std::string col; std::getline(fields, col, '\t');) cols.push_back(col);
    if (cols.size() < 8) continue;
    samples.push_back({cols[0], TypeNamed(cols[1]), cols[3], cols[7], cols[4]});
  }
  return samples;
}

std::vector<TBarCodeResult> Read(const std::string& file, TBarCodeTypes types) {
  const auto graphic = LoadGraphicFromFile(kFolder + "/" + file, 1);
  const platform::BlockOwner dib(graphic->ExportPackedDib());
  ZAzudivozUDA reader;
  reader.CodeTypes = types;
  std::vector<TBarCodeResult> results;
  for (int32_t i = 0; i < reader.ReadBarcodes(dib.get()); ++i) results.push_back(reader.GetCode(i));
  return results;
}

TEST(Samples, EveryTwoWidthSymbologyReadsItsTruth) {
  const std::vector<Sample> samples = ReadTruth();
  ASSERT_EQ(samples.size(), 34u);
  int32_t passed = 0;
  for (const Sample& s : samples) {
    const std::vector<TBarCodeResult> results = Read(s.file, BarCodeBit(s.type));
    bool found = false;
    for (const TBarCodeResult& r : results) {
      const bool match = r.Text == s.text && r.CodeType == s.type &&
                         (s.checked == "?" || r.Checked == (s.checked == "1"));
      found = found || match;
      EXPECT_TRUE(match) << s.file << ": unexpected read " << BarCodeTypeName(r.CodeType) << " '"
                         << r.Text << "' checked " << r.Checked;
    }
    EXPECT_TRUE(found) << s.file << ": missed '" << s.text << "'";
    passed += found && results.size() == 1 ? 1 : 0;
  }
  // Every sample reads today; a regression lowers the count.
  EXPECT_EQ(passed, 34);
}

// EAN/UPC with the add-ons, Code 128 and Code 93: each image read with its own
// symbology (an add-on beside the EAN-13 it follows); the two images whose
// add-on stands at the encoder's standard gap, closer than a quiet zone, must
// give no EAN/UPC or add-on result at all.
TEST(Samples, EveryModuleSymbologyReadsItsTruth) {
  constexpr TBarCodeTypes kEanFamily = BarCodeBit(bcEAN13) | BarCodeBit(bcEAN8) |
                                       BarCodeBit(bcUPCA) | BarCodeBit(bcUPCE) |
                                       BarCodeBit(bcEXT2) | BarCodeBit(bcEXT5);
  constexpr TBarCodeTypes kModuleTypes = kEanFamily | BarCodeBit(bcCode128) | BarCodeBit(bcCode93);
  int32_t passed = 0, samples = 0;
  for (const std::vector<std::string>& cols : ReadRows("barcodes_all.tsv")) {
    const TBarCodeType type = TypeNamed(cols[1]);
    if ((BarCodeBit(type) & kModuleTypes) == 0) continue;
    ++samples;
    const std::string& text = cols[3];
    const std::string& also = cols[8];
    if (text.empty()) {
      for (const TBarCodeResult& r : Read(cols[0], kEanFamily)) {
        ADD_FAILURE() << cols[0] << ": unexpected read " << BarCodeTypeName(r.CodeType) << " '"
                      << r.Text << "'";
      }
      ++passed;
      continue;
    }
    TBarCodeTypes types = BarCodeBit(type);
    if (!also.empty()) types |= BarCodeBit(TypeNamed(also.substr(0, also.find(':'))));
    bool found = false, alsoFound = also.empty();
    for (const TBarCodeResult& r : Read(cols[0], types)) {
      found = found || (r.Text == text && r.CodeType == type && r.Checked == (cols[7] == "1"));
      alsoFound = alsoFound || also == std::string(BarCodeTypeName(r.CodeType)) + ":" + r.Text;
    }
    EXPECT_TRUE(found) << cols[0] << ": missed '" << text << "'";
    EXPECT_TRUE(alsoFound) << cols[0] << ": missed " << also;
    passed += found && alsoFound ? 1 : 0;
  }
  EXPECT_EQ(samples, 28);
  EXPECT_EQ(passed, 28);
}

TEST(Samples, PharmacodesReadAsCode39WhenOnlyCode39IsEnabled) {
  for (const Sample& s : ReadTruth()) {
    if (s.type != bcPharmaCode) continue;
    // The note names the Code 39 text: "... Code 39 text Q2BD5C; ..."
    const std::size_t at = s.note.find("Code 39 text ") + 13;
    const std::string code39 = s.note.substr(at, s.note.find(';', at) - at);
    const std::vector<TBarCodeResult> results = Read(s.file, BarCodeBit(bcCode39));
    ASSERT_EQ(results.size(), 1u) << s.file;
    EXPECT_EQ(results[0].Text, code39) << s.file;
    EXPECT_EQ(results[0].CodeType, bcCode39);
  }
}

TEST(Samples, ACode39TextOutsideThePharmacodeAlphabetStaysCode39WithTheDefaultTypes) {
  const std::vector<TBarCodeResult> results = Read("bc_code39_m3.png", kDefaultCodeTypes);
  ASSERT_FALSE(results.empty());
  EXPECT_EQ(results[0].Text, "2%014J40/");
  EXPECT_EQ(results[0].CodeType, bcCode39);
}

TEST(Samples, ThePoundNoteSerialBarcodeWithTheSerialReadersSettings) {
  // A 300 dpi 1-bit scan of a whole note: guilloche, numerals, small print.
  const auto graphic = LoadGraphicFromFile(kFolder + "/note_lbp_05.tif", 1);
  const platform::BlockOwner dib(graphic->ExportPackedDib());
  ZAzudivozUDA reader;
  reader.CodeTypes = BarCodeBit(bcCode39);
  reader.MinCodeLen = 9;
  reader.MaxCodeLen = 12;
  reader.ExpectedCodes = 1;
  reader.VirtualLaserSize = graphic->YDpi() / 10;
  reader.VirtualLaserStep = 1;
  ASSERT_EQ(reader.ReadBarcodes(dib.get()), 1);
  EXPECT_EQ(reader.GetCode(0).Text, "M035330261");
  EXPECT_EQ(reader.GetCode(0).CodeType, bcCode39);
}

}  // namespace

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "image/dibunit.h"
#include "serial/serialreader.h"
#include "viewer/dibgraphic.h"

namespace {

const std::string kNotes = std::string(VEREVIZU_TEST_DATA) + "/notes/";

// The fixture notes' true serials, from notes.tsv.
std::map<std::string, std::string> TrueSerials() {
  std::ifstream in(kNotes + "notes.tsv");
  std::map<std::string, std::string> truth;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string file, currency, serial;
    std::getline(fields, file, '\t');
    std::getline(fields, currency, '\t');
    std::getline(fields, serial, '\t');
    truth[file] = serial;
  }
  return truth;
}

struct Reading {
  std::string serial;
  double confidence = 0;
};

Reading ReadNote(const std::string& file, const std::string& currency) {
  std::ifstream in(kNotes + file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  std::unique_ptr<TDibGraphic> graphic = LoadGraphic(file, bytes, 1);
  TDIB raster;
  raster.AttachBlock(graphic->ExportPackedDib());
  Reading r;
  ReadSerialNumber(raster, currency, r.serial, r.confidence);
  return r;
}

}  // namespace

// Every note the reader gets right guards against regressions. The notes it
// does not read yet are listed apart, so that an improvement shows up.
TEST(SerialNotes, FixtureNotesReadEndToEnd) {
  const std::map<std::string, std::string> truth = TrueSerials();
  ASSERT_EQ(truth.size(), 18u);
  const char* const kRead[] = {
      "note_eur_01.jpg", "note_eur_03.tif", "note_eur_04.tif", "note_eur_05.tif",
      "note_lbp_01.jpg", "note_lbp_02.jpg", "note_lbp_03.tif", "note_lbp_04.tif",
      "note_lbp_05.tif", "note_usd_02.jpg", "note_usd_05.tif",
  };
  for (const char* file : kRead) {
    const Reading r = ReadNote(file, "AUTO");
    EXPECT_EQ(r.serial, truth.at(file)) << file;
    EXPECT_EQ(r.confidence, 100) << file;
  }
}

TEST(SerialNotes, CurrencyGivenOrDetectedReadsTheSame) {
  const Reading detected = ReadNote("note_usd_05.tif", "auto");
  const Reading given = ReadNote("note_usd_05.tif", "usd");
  EXPECT_EQ(detected.serial, "MK60834863*");
  EXPECT_EQ(given.serial, detected.serial);
  // Read as a euro note, the dollar serial fails the euro check in every pass.
  const Reading wrong = ReadNote("note_usd_05.tif", "EUR");
  EXPECT_EQ(wrong.serial, "");
}

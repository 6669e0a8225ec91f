// The reader at any orientation: every symbology family printed upright,
// upside down, reading down and up, and tilted, on generated rasters; codes
// whose bars also read backwards as codes of their kind; what it must not
// find; and its upright sweep against the reader's own.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "barcode/orientedreader.h"
#include "graphics/dibgraphic.h"
#include "image/turning.h"
#include "platform/memory.h"
#include "scan.h"
#include "symbols.h"

namespace {

using barcode_test::Codabar;
using barcode_test::Code11;
using barcode_test::Code128;
using barcode_test::Code39;
using barcode_test::Code93;
using barcode_test::Ean13Modules;
using barcode_test::Ext2;
using barcode_test::FromModules;
using barcode_test::Interleaved;
using barcode_test::MSI;
using barcode_test::Runs;
using barcode_test::TurnedScan;

constexpr TBarCodeTypes kEveryType = (TBarCodeTypes{1} << kBarCodeTypeCount) - 1;

// The codes `verevizu barcode` shows for a raster, every type enabled.
std::vector<TOrientedCode> Shown(const TDIB& dib,
                                 TCodeOrientations orientations = kEveryOrientation,
                                 TBarCodeTypes types = kEveryType) {
  ZAzudivozUDA settings;
  settings.CodeTypes = types;
  return barcode::ShownCodes(
      barcode::ReadOrientedBarcodes(settings, dib.BlockHandle(), orientations));
}

// Degrees between two directions, around the circle.
int32_t Apart(int32_t a, int32_t b) {
  const int32_t d = std::abs(a - b) % 360;
  return std::min(d, 360 - d);
}

struct TSymbol {
  const char* Family;
  std::vector<int32_t> Runs;
  TBarCodeType Type;
  std::string Text;
};

// One symbol of every family, modules two and three pixels wide.
std::vector<TSymbol> EveryFamily() {
  const barcode_test::TWidths twoToSix{2, 6};
  return {
      {"Code 39", Runs(Code39("TURN-9"), twoToSix), bcCode39, "TURN-9"},
      {"2 of 5 interleaved", Runs(Interleaved("40217395"), twoToSix), bc2of5Interlaved, "40217395"},
      {"Codabar", Runs(Codabar("A40156B"), twoToSix), bcCodaBar, "A40156B"},
      {"MSI", Runs(MSI("80523"), twoToSix), bcMSI, "80523"},
      {"Code 11", Runs(Code11("123-45"), twoToSix), bcCode11, "123-45"},
      {"EAN-13", FromModules(Ean13Modules("4006381333931"), 2), bcEAN13, "4006381333931"},
      // Code set B "Hi": values 40 and 73.
      {"Code 128", Code128(104, {40, 73}, 0, 2), bcCode128, "Hi"},
      // "CODE 93": C, O, D, E, space, 9, 3.
      {"Code 93", Code93({12, 24, 13, 14, 38, 9, 3}, true, 2), bcCode93, "CODE 93"},
  };
}

TEST(ReadOrientedBarcodes, EveryFamilyAtEveryOrientation) {
  // Quarter turns, tilts either way from upright, and a tilt upside down.
  for (const int32_t degrees : {0, 90, 180, 270, 17, 336, 203}) {
    for (const TSymbol& symbol : EveryFamily()) {
      const std::vector<TOrientedCode> codes = Shown(*TurnedScan(symbol.Runs, degrees));
      EXPECT_EQ(codes.size(), 1u) << symbol.Family << " at " << degrees;
      if (codes.size() != 1) continue;
      EXPECT_EQ(codes[0].Code.CodeType, symbol.Type) << symbol.Family << " at " << degrees;
      EXPECT_EQ(codes[0].Code.Text, symbol.Text) << symbol.Family << " at " << degrees;
      EXPECT_LE(Apart(codes[0].Orientation, degrees), 2) << symbol.Family << " at " << degrees;
    }
  }
}

TEST(ReadOrientedBarcodes, TheRectangleBoxesTheCodeInThePicture) {
  // A symbol 250 pixels long and 150 tall, turned a quarter: it stands 150
  // wide and 250 tall in the middle of the picture.
  const std::vector<int32_t> runs = FromModules(Ean13Modules("4006381333931"), 2);
  const std::unique_ptr<TDIB> dib = TurnedScan(runs, 90, {}, 150);
  const std::vector<TOrientedCode> codes = Shown(*dib);
  ASSERT_EQ(codes.size(), 1u);
  const TRect& r = codes[0].Code.Rect;
  EXPECT_NEAR(r.Left, 40, 2);
  EXPECT_NEAR(r.Right, 190, 2);
  // From the first bar to the first row of the closing quiet zone.
  EXPECT_NEAR(r.Top, 40, 2);
  EXPECT_NEAR(r.Bottom, 230, 2);
  EXPECT_EQ(codes[0].Orientation, 90);
}

TEST(ReadOrientedBarcodes, OnlyTheOrientationsAskedForAreRead) {
  const std::vector<int32_t> runs = Runs(Code39("TURN-9"), {2, 6});
  struct Case {
    int32_t degrees;
    TCodeOrientations asked;
    bool read;
  };
  for (const Case& c : std::vector<Case>{
           {90, OrientationBit(co90), true},
           {90, OrientationBit(co270), false},
           {180, OrientationBit(co180), true},
           {180, OrientationBit(co0), false},
           // Rows read a code tilted a little; one tilted this far needs its own lines.
           {40, OrientationBit(coTilted), true},
           {40, kEveryOrientation & ~OrientationBit(coTilted), false},
           {220, OrientationBit(coTilted), true},
       }) {
    EXPECT_EQ(Shown(*TurnedScan(runs, c.degrees), c.asked).size(), c.read ? 1u : 0u)
        << c.degrees << " asked " << c.asked;
  }
}

TEST(ReadOrientedBarcodes, BarsThatAlsoReadBackwardsReadOnceWithTheirText) {
  // Read backwards, a 2-digit add-on 75 is the valid add-on 68; beside its
  // main symbol it reads in the symbol's direction. The reverse of Code 39's
  // "*" is "P", so "*P...P*" backwards holds a shorter Code 39; an
  // interleaved 2 of 5 and an MSI symbol backwards hold shorter ones of
  // their kind.
  const std::vector<int32_t> main = FromModules(Ean13Modules("4006381333931"), 3);
  std::vector<int32_t> withAddOn = main;
  withAddOn.push_back(-30);  // more than a quiet zone
  for (const int32_t run : Ext2("75")) withAddOn.push_back(run);
  struct Case {
    std::vector<int32_t> runs;
    TBarCodeType type;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{
           {withAddOn, bcEXT2, "75"},
           {Runs(Code39("PQRP"), {2, 6}), bcCode39, "PQRP"},
           {Runs(Interleaved("168214"), {2, 6}), bc2of5Interlaved, "168214"},
           {Runs(MSI("77171"), {2, 6}), bcMSI, "77171"},
       }) {
    for (const int32_t degrees : {0, 180}) {
      int32_t found = 0;
      for (const TOrientedCode& code : Shown(*TurnedScan(c.runs, degrees))) {
        if (code.Code.CodeType != c.type) continue;
        ++found;
        EXPECT_EQ(code.Code.Text, c.text) << degrees;
        EXPECT_EQ(code.Orientation, degrees) << c.text;
      }
      EXPECT_EQ(found, 1) << c.text << " at " << degrees;
    }
  }
}

TEST(ReadOrientedBarcodes, NoCodeOnATextPageAtAnyTurn) {
  const std::string folder = std::string(VEREVIZU_TEST_DATA) + "/texts/";
  for (const char* page : {"txt_paragraph_dejavusans.png", "txt_paragraph_liberationserif.png"}) {
    const auto graphic = LoadGraphicFromFile(folder + page, 1);
    TDIB text;
    text.AttachBlock(graphic->ExportPackedDib());
    for (const double degrees : {0.0, 90.0, 180.0, 270.0, 13.0, 201.0}) {
      EXPECT_TRUE(Shown(*TurnedCopy(text, degrees)).empty()) << page << " at " << degrees;
    }
  }
}

TEST(ReadOrientedBarcodes, NoAddOnInNoise) {
  // Grains of three pixels, a quarter of them dark: the reader's own sweep
  // finds a "verified" 2-digit add-on in them; nothing has the bars of one.
  TDIB noise;
  noise.NewImage(400, 300, df8Bit, 200, 200);
  std::mt19937 draw(5);
  std::vector<std::uint8_t> grains(400 / 3 + 1);
  for (int32_t y = 0; y < 300; ++y) {
    if (y % 3 == 0) {
      for (std::uint8_t& g : grains) g = draw() % 4 == 0 ? 40 : 220;
    }
    for (int32_t x = 0; x < 400; ++x) noise.Row(y)[x] = grains[static_cast<std::size_t>(x / 3)];
  }
  ZAzudivozUDA reader;
  bool addOn = false;
  for (int32_t i = 0; i < reader.ReadBarcodes(noise.BlockHandle()); ++i) {
    addOn = addOn || reader.GetCode(i).CodeType == bcEXT2;
  }
  ASSERT_TRUE(addOn) << "the noise no longer shows the fault";
  EXPECT_TRUE(Shown(noise).empty());
}

TEST(ReadOrientedBarcodes, UprightItReadsWhatTheReaderReads) {
  // The samples of every symbology, read upright alone, all evidence aside.
  const std::string folder = std::string(VEREVIZU_TEST_DATA) + "/barcodes/";
  int32_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("bc_", 0) != 0) continue;
    const auto graphic = LoadGraphicFromFile(entry.path().string(), 1);
    const platform::BlockOwner dib(graphic->ExportPackedDib());
    ZAzudivozUDA reader;
    reader.CodeTypes = kEveryType;
    std::vector<TBarCodeResult> classic;
    for (int32_t i = 0; i < reader.ReadBarcodes(dib.get()); ++i) {
      classic.push_back(reader.GetCode(i));
      // The reader lets a rectangle reach one row below the picture.
      classic.back().Rect.Bottom = std::min(classic.back().Rect.Bottom, graphic->Height() - 1);
    }
    std::vector<TBarCodeResult> upright;
    for (const TOrientedCode& code :
         barcode::ReadOrientedBarcodes(reader, dib.get(), OrientationBit(co0))) {
      upright.push_back(code.Code);
    }
    EXPECT_EQ(upright, classic) << name;
    ++files;
  }
  EXPECT_GT(files, 20);
}

TEST(ReadOrientedBarcodes, PicturesWithoutInkLevelsAreReadInGrey) {
  // A 4-bit picture reads as its grey conversion; 16-bit words have no
  // known colour layout and fail as the reader fails.
  const std::unique_ptr<TDIB> scan = TurnedScan(Runs(Code39("TURN-9"), {2, 6}), 90);
  scan->ConvertTo(df4Bit);
  ASSERT_EQ(scan->Format(), df4Bit);
  const std::vector<TOrientedCode> codes = Shown(*scan);
  ASSERT_EQ(codes.size(), 1u);
  EXPECT_EQ(codes[0].Code.Text, "TURN-9");

  TDIB words;
  words.NewImage(40, 40, df16Bit, 0, 0);
  try {
    Shown(words);
    FAIL() << "a 16-bit picture read";
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), "Unsupported bit depth...");
  }
}

TEST(ShownCodes, EvidenceAsTheSymbologyNeedsIt) {
  struct Case {
    TBarCodeType type;
    int32_t orientation;
    bool whole, tall, shown;
  };
  for (const Case& c : std::vector<Case>{
           // Strict symbologies upright need nothing more, turned they need tall bars.
           {bcEAN13, 0, false, false, true},
           {bcEAN13, 90, true, false, false},
           {bcCode128, 180, false, true, true},
           // Add-ons and loosely checked symbologies need both, in any direction.
           {bcEXT2, 0, true, false, false},
           {bcEXT2, 0, false, true, false},
           {bcEXT5, 0, true, true, true},
           {bc2of5DataLogic, 0, false, true, false},
           {bcCode11, 270, true, true, true},
       }) {
    TOrientedCode code;
    code.Code.CodeType = c.type;
    code.Code.Text = "12";
    code.Orientation = c.orientation;
    code.Whole = c.whole;
    code.Tall = c.tall;
    EXPECT_EQ(barcode::ShownCodes({&code, 1}).size(), c.shown ? 1u : 0u)
        << BarCodeTypeName(c.type) << " at " << c.orientation;
  }
}

}  // namespace

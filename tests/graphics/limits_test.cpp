// What the readers do with files made to be costly: a size above the pixel
// limit is refused on the header before anything is decoded, a progressive
// JPEG with too many scans before its first scan, and PNG resolutions.
#include <gtest/gtest.h>

#include <string>

#include "graphics/dibgraphic.h"
#include "image_writers.h"

namespace {

// Sets the pixel limit, and optionally the byte limit, for one test.
class PixelLimit {
 public:
  explicit PixelLimit(int64_t pixels, std::size_t bytes = TDibGraphic::MaxImageBytes())
      : pixelsBefore_(TDibGraphic::MaxImagePixels()), bytesBefore_(TDibGraphic::MaxImageBytes()) {
    TDibGraphic::SetMaxImagePixels(pixels);
    TDibGraphic::SetMaxImageBytes(bytes);
  }
  ~PixelLimit() {
    TDibGraphic::SetMaxImagePixels(pixelsBefore_);
    TDibGraphic::SetMaxImageBytes(bytesBefore_);
  }

 private:
  int64_t pixelsBefore_;
  std::size_t bytesBefore_;
};

std::string MessageOfLoading(const std::string& name, const Bytes& file) {
  try {
    LoadGraphic(name, file, 1);
  } catch (const EImageTooLarge& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("other error: ") + e.what();
  }
  return "loaded";
}

// An RLE8 bitmap whose rows are a literal run cut short.
Bytes RunLengthBitmap(int32_t width, int32_t height) {
  Bytes file(14 + 40 + 1024 + 2, 0);
  file[0] = 'B', file[1] = 'M';
  WriteLE32(&file[10], 14 + 40 + 1024);
  WriteLE32(&file[14], 40);
  WriteLE32(&file[18], static_cast<uint32_t>(width));
  WriteLE32(&file[22], static_cast<uint32_t>(height));
  file[26] = 1;
  file[28] = 8;
  file[30] = 1;               // RLE8
  file[file.size() - 1] = 5;  // five literal pixels, and no more bytes
  return file;
}

TEST(ImageLimits, SizesAboveTheLimitAreRefusedOnTheHeader) {
  // The byte limit alone would refuse each picture too, but later and
  // without naming its size.
  const PixelLimit limit(1000, 1000);
  // Each file holds far less, or worse, data than its header promises: read
  // on, it would fail for that, or decode a picture of the promised size.
  const Bytes oneByte = Concat(
      {PngSignature(), PngHeader(40, 40, 8, 0), PngChunk("IDAT", {0x78}), PngChunk("IEND", {})});
  const struct {
    const char* name;
    Bytes file;
  } cases[] = {
      {"big.png", oneByte},
      {"big.bmp", RunLengthBitmap(40, 40)},
      // RGB without BitsPerSample: refused, but only once the tags are read.
      {"big.tif", RawTiff({{256, 3, 1, 40},
                           {257, 3, 1, 40},
                           {262, 3, 1, 2},
                           {273, 4, 1, 0},
                           {278, 3, 1, 40},
                           {279, 4, 1, 16}},
                          Bytes(16, 0))},
      {"big.jpg", WriteJpeg(40, 40, 1, Bytes(1600, 128))},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MessageOfLoading(c.name, c.file),
              "Image too large: 40 x 40 pixels, more than the limit of 1000")
        << c.name;
}

TEST(ImageLimits, ARowCountsAsThirtyTwoPixelsAtLeast) {
  const PixelLimit limit(1000);
  EXPECT_NO_THROW(CheckImageSize(40, 25));
  EXPECT_NO_THROW(CheckImageSize(1, 31));
  try {
    CheckImageSize(1, 32);  // one pixel wide, but its rows cost 32 x 32
    FAIL() << "not refused";
  } catch (const EImageTooLarge& e) {
    EXPECT_STREQ(e.what(),
                 "Image too large: 1 x 32 pixels, more than the limit of 1000 (a row counts as 32 "
                 "pixels at least)");
  }
  const PixelLimit none(0);
  EXPECT_NO_THROW(CheckImageSize(1, 1 << 30));
}

// A grey progressive JPEG of one 8 x 8 block: a DC scan and then `acScans`
// AC scans, each only an end of band.
Bytes ManyScanJpeg(int acScans) {
  const auto segment = [](uint8_t marker, const Bytes& payload) {
    Bytes s = {0xFF, marker, static_cast<uint8_t>((payload.size() + 2) >> 8),
               static_cast<uint8_t>(payload.size() + 2)};
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
  };
  Bytes quant(65, 1);
  quant[0] = 0;
  // One code, '0', in each table: DC difference category 0, and end of band.
  Bytes dcTable(17, 0), acTable(17, 0);
  dcTable[0] = 0x00, dcTable[1] = 1, acTable[0] = 0x10, acTable[1] = 1;
  dcTable.push_back(0x00);
  acTable.push_back(0x00);
  Bytes file = {0xFF, 0xD8};
  for (const Bytes& s : {segment(0xDB, quant), segment(0xC2, {8, 0, 8, 0, 8, 1, 1, 0x11, 0}),
                         segment(0xC4, dcTable), segment(0xC4, acTable)})
    file.insert(file.end(), s.begin(), s.end());
  // The code bit '0', padded with ones.
  const Bytes dcScan = Concat({segment(0xDA, {1, 1, 0x00, 0, 0, 0}), {0x7F}});
  const Bytes acScan = Concat({segment(0xDA, {1, 1, 0x00, 1, 63, 0}), {0x7F}});
  file.insert(file.end(), dcScan.begin(), dcScan.end());
  for (int i = 0; i < acScans; ++i) file.insert(file.end(), acScan.begin(), acScan.end());
  file.insert(file.end(), {0xFF, 0xD9});
  return file;
}

TEST(ImageLimits, ProgressiveJpegsOfTooManyScansAreRefusedBeforeDecoding) {
  EXPECT_EQ(LoadGraphic("a.jpg", ManyScanJpeg(99), 1)->Width(), 8);
  try {
    LoadGraphic("a.jpg", ManyScanJpeg(100), 1);
    FAIL() << "101 scans were decoded";
  } catch (const EJpegError& e) {
    EXPECT_STREQ(e.what(), "Too many scans in the JPEG file");
  }
}

TEST(PngResolution, APhysChunkInPixelsPerMetreGivesTheResolution) {
  const auto phys = [](uint32_t x, uint32_t y, uint8_t unit) {
    Bytes d(9, 0);
    for (int i = 0; i < 4; ++i) {
      d[i] = static_cast<uint8_t>(x >> (24 - 8 * i));
      d[4 + i] = static_cast<uint8_t>(y >> (24 - 8 * i));
    }
    d[8] = unit;
    return PngChunk("pHYs", d);
  };
  const struct {
    Bytes chunk;
    int32_t xDpi, yDpi;
  } cases[] = {
      {phys(11811, 7874, 1), 300, 200},
      {phys(11811, 11811, 0), kScreenPixelsPerInch, kScreenPixelsPerInch},  // an aspect ratio
      {{}, kScreenPixelsPerInch, kScreenPixelsPerInch},
  };
  for (const auto& c : cases) {
    std::vector<Bytes> extra;
    if (!c.chunk.empty()) extra.push_back(c.chunk);
    const auto g = LoadGraphic("scan.png", PngFile(PngHeader(1, 1, 8, 0), {0, 0}, extra), 1);
    EXPECT_EQ(g->XDpi(), c.xDpi);
    EXPECT_EQ(g->YDpi(), c.yDpi);
  }
}

}  // namespace

// TIFF pictures: format and inversion by photometric interpretation, the
// colour path, resolution units, tags, compression codes and pages.
#include "graphics/tiffgraphic.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>

#include "image_writers.h"

namespace {

struct Tags {
  uint32_t width = 8, height = 2;
  uint16_t bits = 8, samples = 1, photometric = PHOTOMETRIC_MINISBLACK,
           compression = COMPRESSION_NONE;
  uint32_t rowsPerStrip = 0;  // 0: the image height; UINT32_MAX: not written (tiles)
  float xRes = 0, yRes = 0;
  uint16_t unit = RESUNIT_INCH;
};

TiffPage Page(const Tags& t, std::vector<Bytes> rows, std::function<void(TIFF*)> more = {}) {
  return {[t, more](void* p) {
            TIFF* tif = static_cast<TIFF*>(p);
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, t.width);
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, t.height);
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, t.bits);
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, t.samples);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, t.photometric);
            TIFFSetField(tif, TIFFTAG_COMPRESSION, t.compression);
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            if (t.rowsPerStrip != UINT32_MAX)
              TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, t.rowsPerStrip ? t.rowsPerStrip : t.height);
            if (t.xRes > 0) {
              TIFFSetField(tif, TIFFTAG_XRESOLUTION, t.xRes);
              TIFFSetField(tif, TIFFTAG_YRESOLUTION, t.yRes);
              TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, t.unit);
            }
            if (more) more(tif);
          },
          std::move(rows)};
}

std::unique_ptr<TTiffGraphic> Load(const Bytes& file, int32_t page = 1) {
  auto g = std::make_unique<TTiffGraphic>();
  g->PageToLoad = page;
  g->LoadFromBytes(file);
  return g;
}

std::string TiffErrorOf(const Bytes& file) {
  try {
    Load(file);
  } catch (const ETiffError& e) {
    return e.what();
  }
  return "no error";
}

constexpr TColor kBlack = RGBColor(0, 0, 0), kWhite = RGBColor(255, 255, 255);

// Ink bits: a 1 in the file is black when white is zero (photometric 0).
const std::vector<Bytes> kInkRows = {{0b1100'0000}, {0b0000'0011}};

TEST(TiffBilevel, Group4WhiteIsZeroIsInvertedOnceSoInkStaysDark) {
  Tags t;
  t.bits = 1, t.photometric = PHOTOMETRIC_MINISWHITE, t.compression = COMPRESSION_CCITTFAX4;
  const auto g = Load(WriteTiff({Page(t, kInkRows)}));
  EXPECT_EQ(g->ImageFormat(), gfBlackWhite);
  EXPECT_EQ(g->Compression(), tcGroup4);
  const std::vector<TColor> top = {kBlack, kBlack, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite};
  for (int32_t x = 0; x < 8; ++x)
    EXPECT_EQ(g->GetPixel(x, 0), top[static_cast<std::size_t>(x)]) << x;
  EXPECT_EQ(g->GetPixel(7, 1), kBlack);
  EXPECT_EQ(g->Palette(), (TPalette{kBlack, kWhite}));
}

TEST(TiffBilevel, CcittFilesMarkedBlackIsZeroLoadLikeWhiteIsZero) {
  Tags t;
  t.bits = 1, t.compression = COMPRESSION_CCITTFAX4;
  t.photometric = PHOTOMETRIC_MINISWHITE;
  const auto a = Load(WriteTiff({Page(t, kInkRows)}));
  t.photometric = PHOTOMETRIC_MINISBLACK;
  const auto b = Load(WriteTiff({Page(t, kInkRows)}));
  ASSERT_EQ(a->PackedDib().size(), b->PackedDib().size());
  EXPECT_TRUE(std::equal(a->PackedDib().begin(), a->PackedDib().end(), b->PackedDib().begin()));
}

TEST(TiffBilevel, UncompressedFilesFollowTheirPhotometric) {
  Tags t;
  t.bits = 1, t.photometric = PHOTOMETRIC_MINISBLACK;
  EXPECT_EQ(Load(WriteTiff({Page(t, kInkRows)}))->GetPixel(0, 0), kWhite);  // 1 is white
  t.photometric = PHOTOMETRIC_MINISWHITE;
  EXPECT_EQ(Load(WriteTiff({Page(t, kInkRows)}))->GetPixel(0, 0), kBlack);
}

TEST(TiffCompression, Group3OptionsChooseOneOrTwoDimensional) {
  Tags t;
  t.bits = 1, t.photometric = PHOTOMETRIC_MINISWHITE, t.compression = COMPRESSION_CCITTFAX3;
  EXPECT_EQ(Load(WriteTiff({Page(t, kInkRows)}))->Compression(), tcGroup3_1D);
  const auto twoD = Load(WriteTiff({Page(t, kInkRows, [](TIFF* tif) {
    TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_2DENCODING);
  })}));
  EXPECT_EQ(twoD->Compression(), tcGroup3_2D);
  EXPECT_EQ(twoD->GetPixel(0, 0), kBlack);
  t.compression = COMPRESSION_CCITTRLE;
  EXPECT_EQ(Load(WriteTiff({Page(t, kInkRows)}))->Compression(), tcGroup3_1D);
}

TEST(TiffBilevel, AFileWithoutBitsPerSampleIsBilevel) {
  // Uncompressed, black is zero, 10 x 2: rows of two bytes; the first row
  // starts with two black pixels, the second ends with one.
  const Bytes pixels = {0b0011'1111, 0b1100'0000, 0b1111'1111, 0b1000'0000};
  const std::vector<RawTiffEntry> e = {{256, 3, 1, 10}, {257, 3, 1, 2}, {259, 3, 1, 1},
                                       {262, 3, 1, 1},  {273, 4, 1, 0}, {278, 3, 1, 2},
                                       {279, 4, 1, 4}};
  const auto g = Load(RawTiff(e, pixels));
  EXPECT_EQ(g->ImageFormat(), gfBlackWhite);
  EXPECT_EQ(g->GetPixel(0, 0), kBlack);
  EXPECT_EQ(g->GetPixel(2, 0), kWhite);
  EXPECT_EQ(g->GetPixel(8, 1), kWhite);
  EXPECT_EQ(g->GetPixel(9, 1), kBlack);
}

TEST(TiffGrey, EightBitWhiteIsZeroIsInverted) {
  Tags t;
  t.width = 3, t.height = 1, t.photometric = PHOTOMETRIC_MINISWHITE,
  t.compression = COMPRESSION_LZW;
  const auto g = Load(WriteTiff({Page(t, {{0, 100, 255}})}));
  EXPECT_EQ(g->ImageFormat(), gfGray256);
  EXPECT_EQ(g->Compression(), tcLZW);
  EXPECT_EQ(g->GetPixel(0, 0), RGBColor(255, 255, 255));
  EXPECT_EQ(g->GetPixel(1, 0), RGBColor(155, 155, 155));
  EXPECT_EQ(g->GetPixel(2, 0), kBlack);
  t.photometric = PHOTOMETRIC_MINISBLACK;
  EXPECT_EQ(Load(WriteTiff({Page(t, {{0, 100, 255}})}))->GetPixel(1, 0), RGBColor(100, 100, 100));
}

// The colour path (JPEG compression, tiles) reads through the library's RGBA
// reader, which already honours white-is-zero: the picture must come out as
// the one read from plain strips, not as its negative.
TEST(TiffGrey, WhiteIsZeroGivesTheSamePictureThroughTheColourPath) {
  Tags t;
  t.width = 16, t.height = 16, t.photometric = PHOTOMETRIC_MINISWHITE,
  t.compression = COMPRESSION_LZW;
  const std::vector<Bytes> rows(16, Bytes(16, 30));  // light grey: 30 of 255 towards black
  const auto lzw = Load(WriteTiff({Page(t, rows)}));
  t.compression = COMPRESSION_JPEG;
  const auto jpeg = Load(WriteTiff({Page(t, rows)}));
  EXPECT_EQ(jpeg->ImageFormat(), gfGray256);
  EXPECT_EQ(jpeg->Compression(), tcJPEG);
  EXPECT_EQ(lzw->GetPixel(5, 5), RGBColor(225, 225, 225));
  EXPECT_EQ(jpeg->GetPixel(5, 5), RGBColor(225, 225, 225));
  // Tiles take the colour path too.
  Tags b;
  b.width = 16, b.height = 16, b.photometric = PHOTOMETRIC_MINISWHITE, b.rowsPerStrip = UINT32_MAX;
  TTiffGraphic tiled;
  tiled.LoadFromBytes(WriteTiff({Page(b, {}, [](TIFF* tif) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    Bytes tile(256, 30);
    TIFFWriteEncodedTile(tif, 0, tile.data(), 256);
  })}));
  EXPECT_EQ(tiled.GetPixel(5, 5), RGBColor(225, 225, 225));
}

TEST(TiffGrey, FourAndSixteenBitGreys) {
  Tags t;
  t.width = 2, t.height = 1, t.bits = 4;
  const auto g4 = Load(WriteTiff({Page(t, {{0x3F}})}));
  EXPECT_EQ(g4->ImageFormat(), gfGray16);
  EXPECT_EQ(g4->GetPixel(0, 0), RGBColor(51, 51, 51));
  EXPECT_EQ(g4->GetPixel(1, 0), kWhite);
  t.bits = 16;
  const uint16_t samples[2] = {0x12FF, 0xAB00};
  Bytes row(4);
  std::memcpy(row.data(), samples, 4);
  const auto g16 = Load(WriteTiff({Page(t, {row})}));
  EXPECT_EQ(g16->ImageFormat(), gfGray256);
  EXPECT_EQ(g16->GetPixel(0, 0), RGBColor(0x12, 0x12, 0x12));
  EXPECT_EQ(g16->GetPixel(1, 0), RGBColor(0xAB, 0xAB, 0xAB));
  t.photometric = PHOTOMETRIC_MINISWHITE;
  EXPECT_EQ(Load(WriteTiff({Page(t, {row})}))->GetPixel(0, 0), RGBColor(0xED, 0xED, 0xED));
}

TEST(TiffColour, RgbStripsAndFortyEightBitFiles) {
  Tags t;
  t.width = 2, t.height = 1, t.samples = 3, t.photometric = PHOTOMETRIC_RGB;
  const auto rgb = Load(WriteTiff({Page(t, {{10, 20, 30, 40, 50, 60}})}));
  EXPECT_EQ(rgb->ImageFormat(), gfTrueColor);
  EXPECT_EQ(rgb->GetPixel(0, 0), RGBColor(10, 20, 30));
  EXPECT_EQ(rgb->GetPixel(1, 0), RGBColor(40, 50, 60));
  t.bits = 16;
  const uint16_t s[6] = {0x1000, 0x2000, 0x3000, 0xFFFF, 0x8000, 0x0100};
  Bytes row(12);
  std::memcpy(row.data(), s, 12);
  const auto deep = Load(WriteTiff({Page(t, {row})}));
  EXPECT_EQ(deep->ImageFormat(), gfTrueColor);
  EXPECT_EQ(deep->GetPixel(0, 0), RGBColor(0x10, 0x20, 0x30));
  EXPECT_EQ(deep->GetPixel(1, 0), RGBColor(0xFF, 0x80, 0x01));
}

TEST(TiffColour, PaletteFilesScaleSixteenBitColourMaps) {
  Tags t;
  t.width = 3, t.height = 1, t.photometric = PHOTOMETRIC_PALETTE;
  std::vector<uint16_t> red(256, 0), green(256, 0), blue(256, 0);
  red[1] = 65535, green[1] = 32768, blue[2] = 257;
  const auto g = Load(WriteTiff({Page(t, {{0, 1, 2}}, [&](TIFF* tif) {
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  })}));
  EXPECT_EQ(g->ImageFormat(), gfColor256);
  EXPECT_EQ(g->GetPixel(0, 0), kBlack);
  // 65535 * 256 div 65535 would be 256: full intensity stays 255.
  EXPECT_EQ(g->GetPixel(1, 0), RGBColor(255, 128, 0));
  EXPECT_EQ(g->GetPixel(2, 0), RGBColor(0, 0, 1));
  // A map whose values all fit a byte is taken as it is.
  std::vector<uint16_t> small(16, 0);
  small[1] = 200;
  t.bits = 4, t.width = 2;
  const auto g4 = Load(WriteTiff({Page(t, {{0x01}}, [&](TIFF* tif) {
    TIFFSetField(tif, TIFFTAG_COLORMAP, small.data(), small.data(), small.data());
  })}));
  EXPECT_EQ(g4->ImageFormat(), gfColor16);
  EXPECT_EQ(g4->GetPixel(1, 0), RGBColor(200, 200, 200));
}

TEST(TiffColour, SixteenBitPaletteRowsOfSixteenColours) {
  // Eight 4-bit samples a pixel: four bytes of 4 bits each make "16 bits a
  // pixel" and the 16-bit path, into the 4-bit rows of a 16-colour palette.
  // Each pixel keeps the top half of its first word's high byte, and the
  // rows, half as wide as the words, must not overflow.
  Tags t;
  t.width = 5, t.height = 1, t.bits = 4, t.samples = 8, t.photometric = PHOTOMETRIC_PALETTE;
  std::vector<uint16_t> grey(16);
  for (int i = 0; i < 16; ++i) grey[i] = static_cast<uint16_t>(i * 10);
  Bytes row(20, 0);
  const uint16_t words[5] = {0x3000, 0xF100, 0x0000, 0x7F00, 0x1234};
  for (int x = 0; x < 5; ++x) std::memcpy(&row[4 * x], &words[x], 2);
  const auto g = Load(WriteTiff({Page(t, {row}, [&](TIFF* tif) {
    TIFFSetField(tif, TIFFTAG_COLORMAP, grey.data(), grey.data(), grey.data());
  })}));
  ASSERT_EQ(g->ImageFormat(), gfColor16);
  const int expected[5] = {3, 15, 0, 7, 1};
  for (int x = 0; x < 5; ++x)
    EXPECT_EQ(g->GetPixel(x, 0), RGBColor(expected[x] * 10, expected[x] * 10, expected[x] * 10))
        << x;
}

TEST(TiffResolution, UnitsAndAbsentTags) {
  Tags t;
  t.xRes = 118.11f, t.yRes = 78.74f, t.unit = RESUNIT_CENTIMETER;
  auto g = Load(WriteTiff({Page(t, {Bytes(8), Bytes(8)})}));
  EXPECT_EQ(g->XDpi(), 300);
  EXPECT_EQ(g->YDpi(), 200);
  t.xRes = 299.6f, t.yRes = 150.4f, t.unit = RESUNIT_INCH;
  g = Load(WriteTiff({Page(t, {Bytes(8), Bytes(8)})}));
  EXPECT_EQ(g->XDpi(), 300);
  EXPECT_EQ(g->YDpi(), 150);
  t.xRes = 0;
  EXPECT_EQ(Load(WriteTiff({Page(t, {Bytes(8), Bytes(8)})}))->XDpi(), kScreenPixelsPerInch);
}

TEST(TiffStrips, RowsPerStripAndEveryStripRead) {
  Tags t;
  t.width = 1, t.height = 7, t.rowsPerStrip = 3;
  std::vector<Bytes> rows;
  for (uint8_t y = 0; y < 7; ++y) rows.push_back({static_cast<uint8_t>(10 * y)});
  const auto g = Load(WriteTiff({Page(t, rows)}));
  EXPECT_EQ(g->RowsPerStrip(), 3);
  for (int32_t y = 0; y < 7; ++y) EXPECT_EQ(BlueOf(g->GetPixel(0, y)), 10 * y);
  // Without the tag the whole image is one strip.
  const Bytes raw = RawTiff({{256, 3, 1, 2},
                             {257, 3, 1, 2},
                             {258, 3, 1, 8},
                             {259, 3, 1, 1},
                             {262, 3, 1, 1},
                             {273, 4, 1, 0},
                             {279, 4, 1, 4}},
                            {1, 2, 3, 4});
  const auto whole = Load(raw);
  EXPECT_EQ(whole->RowsPerStrip(), INT32_MAX);
  EXPECT_EQ(BlueOf(whole->GetPixel(1, 1)), 4);
}

TEST(TiffErrors, MessagesCarryTheClassNameAndTheStep) {
  const Bytes pixels = {1, 2, 3, 4};
  const auto raw = [&](uint32_t compression, bool withBits) {
    std::vector<RawTiffEntry> e = {{256, 3, 1, 2}, {257, 3, 1, 2}, {259, 3, 1, compression},
                                   {262, 3, 1, 1}, {273, 4, 1, 0}, {278, 3, 1, 2},
                                   {279, 4, 1, 4}};
    if (withBits) e.push_back({258, 3, 1, 8});
    return RawTiff(e, pixels);
  };
  EXPECT_EQ(TiffErrorOf(raw(9, true)), "ETiffError Unsupported compression tag, 9");
  // Without the tag, three samples a pixel cannot be the 1-bit default.
  const std::vector<RawTiffEntry> rgbWithoutBits = {{256, 3, 1, 2}, {257, 3, 1, 2}, {259, 3, 1, 1},
                                                    {262, 3, 1, 2}, {273, 4, 1, 0}, {277, 3, 1, 3},
                                                    {278, 3, 1, 2}, {279, 4, 1, 4}};
  EXPECT_EQ(TiffErrorOf(RawTiff(rgbWithoutBits, pixels)),
            "ETiffError Bits per sample not specified");
  EXPECT_EQ(TiffErrorOf({'I', 'I', 42, 0, 8, 0}), "ETiffError TIFFOpen");
  EXPECT_EQ(TiffErrorOf({}), "ETiffError TIFFOpen");
  // A strip that lies beyond the end of the file cannot be read.
  std::vector<RawTiffEntry> e = {{256, 3, 1, 2}, {257, 3, 1, 2}, {258, 3, 1, 8}, {259, 3, 1, 32773},
                                 {262, 3, 1, 1}, {273, 4, 1, 0}, {278, 3, 1, 2}, {279, 4, 1, 400}};
  EXPECT_EQ(TiffErrorOf(RawTiff(e, pixels)), "ETiffError TIFFReadEncodedStrip");
}

TEST(TiffCompression, BothDeflateCodesReadAsZLib) {
  for (uint16_t code : {uint16_t{COMPRESSION_ADOBE_DEFLATE}, uint16_t{COMPRESSION_DEFLATE}}) {
    Tags t;
    t.compression = code;
    const auto g =
        Load(WriteTiff({Page(t, {Bytes{0, 40, 80, 120, 160, 200, 240, 255}, Bytes(8)})}));
    EXPECT_EQ(g->Compression(), tcZLib) << code;
    EXPECT_EQ(g->GetPixel(1, 0), RGBColor(40, 40, 40)) << code;
    EXPECT_EQ(g->GetPixel(7, 0), kWhite) << code;
  }
}

TEST(TiffCompression, CodesAreCheckedAgainstTheFormat) {
  TTiffGraphic g;
  g.NewImage(4, 4, gfBlackWhite, {}, 0, 0);
  EXPECT_EQ(g.Compression(), tcGroup4);
  g.SetCompression(tcLZW);
  try {
    g.SetCompression(tcJPEG);
    FAIL();
  } catch (const EZivuderoError& e) {
    EXPECT_STREQ(e.what(), "JPEG compression not supported with Black and white images");
  }
  g.NewImage(4, 4, gfGray16, {}, 0, 0);
  EXPECT_EQ(g.Compression(), tcPackbits);
  EXPECT_THROW(g.SetCompression(tcGroup4), EZivuderoError);
  try {
    g.SetCompression(tcJPEG);
    FAIL();
  } catch (const EZivuderoError& e) {
    EXPECT_STREQ(e.what(), "JPEG compression not supported with 16 shades of gray images");
  }
  g.NewImage(4, 4, gfTrueColor, {}, 0, 0);
  g.SetCompression(tcJPEG);
  EXPECT_THROW(g.SetCompression(tcGroup3_2D), EZivuderoError);
  EXPECT_EQ(TiffCompressionName(tcGroup3_2D), "CCITT Group 3, 2D");
}

TEST(TiffTags, TextTagsAndTheEnabledPrivateTags) {
  Tags t;
  const Bytes file = WriteTiff({Page(t, {Bytes(8), Bytes(8)}, [](TIFF* tif) {
    TIFFSetField(tif, TIFFTAG_DOCUMENTNAME, "doc");
    TIFFSetField(tif, TIFFTAG_ARTIST, "artist");
    TIFFSetField(tif, TIFFTAG_HOSTCOMPUTER, "host");
  })});
  const auto g = Load(file);
  EXPECT_EQ(g->DocumentName, "doc");
  EXPECT_EQ(g->Artist, "artist");
  EXPECT_EQ(g->HostComputer, "host");
  EXPECT_EQ(g->Make, "");
  // Private tags 40000 and 40001 hold "abc" and "xyz"; only 40000 is read.
  const auto ascii = [](const char* s) {
    return static_cast<uint32_t>(s[0] | (s[1] << 8) | (s[2] << 16));
  };
  const Bytes raw = RawTiff({{256, 3, 1, 2},
                             {257, 3, 1, 2},
                             {258, 3, 1, 8},
                             {259, 3, 1, 1},
                             {262, 3, 1, 1},
                             {273, 4, 1, 0},
                             {279, 4, 1, 4},
                             {40000, 2, 4, ascii("abc")},
                             {40001, 2, 4, ascii("xyz")}},
                            {1, 2, 3, 4});
  TTiffGraphic custom;
  EXPECT_TRUE(custom.CustomTags[0].Read && custom.CustomTags[0].Write);
  EXPECT_FALSE(custom.CustomTags[1].Read || custom.CustomTags[1].Write);
  custom.LoadFromBytes(raw);
  EXPECT_EQ(custom.CustomTags[0].Value, "abc");
  EXPECT_EQ(custom.CustomTags[1].Value, "");
  custom.CustomTags[1].Read = true;
  custom.LoadFromBytes(raw);
  EXPECT_EQ(custom.CustomTags[1].Value, "xyz");
}

TEST(TiffPages, OnePagePerDirectory) {
  Tags a, b;
  b.width = 3, b.height = 1;
  const Bytes file = WriteTiff({Page(a, {Bytes(8, 1), Bytes(8, 1)}), Page(b, {{7, 8, 9}})});
  const auto second = Load(file, 2);
  EXPECT_EQ(second->Width(), 3);
  EXPECT_EQ(second->PageCount(), 2);
  EXPECT_EQ(Load(file)->Width(), 8);
  EXPECT_EQ(TiffErrorOf(file).substr(0, 0), "");
  try {
    Load(file, 3);
    FAIL();
  } catch (const EPageNotFound& e) {
    EXPECT_STREQ(e.what(), "page 3 does not exist (the file has 2 pages)");
  }
  const auto all = LoadGraphic("scan.tif", file, 0);
  EXPECT_EQ(all->PageCount(), 2);
  EXPECT_EQ(all->CurrentPage(), 1);
  EXPECT_EQ(all->Width(), 8);
  all->ShowPage(2);
  EXPECT_EQ(all->Width(), 3);
  EXPECT_EQ(BlueOf(all->GetPixel(2, 0)), 9);
  // Animation steps through the pages and wraps round.
  all->NextPage();
  EXPECT_EQ(all->CurrentPage(), 1);
  EXPECT_EQ(all->Width(), 8);
  all->NextPage();
  EXPECT_EQ(all->CurrentPage(), 2);
  EXPECT_THROW(all->ShowPage(3), platform::EListError);
}

TEST(TiffProgress, StartsAtZeroAndEndsAtHundred) {
  Tags t;
  std::vector<int> seen;
  TTiffGraphic g;
  g.OnProgress = [&](void*, uint8_t p) { seen.push_back(p); };
  g.LoadFromBytes(WriteTiff({Page(t, {Bytes(8), Bytes(8)})}));
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
}

}  // namespace

namespace {

// Restores the picture size limit at the end of a test.
struct SizeLimit {
  explicit SizeLimit(std::size_t bytes) : saved(TDibGraphic::MaxImageBytes()) {
    TDibGraphic::SetMaxImageBytes(bytes);
  }
  ~SizeLimit() { TDibGraphic::SetMaxImageBytes(saved); }
  std::size_t saved;
};

std::string LimitErrorOf(const Bytes& file, const char* name) {
  try {
    LoadGraphic(name, file, 1);
  } catch (const EZivuderoError& e) {
    return e.what();
  }
  return "loaded";
}

TEST(HostileSizes, AnnouncedSizesBeyondTheLimitAreRefusedBeforeDecoding) {
  const SizeLimit limit(1000);
  // A huge PNG header with almost no data.
  EXPECT_EQ(LimitErrorOf(PngFile(PngHeader(60000, 60000, 8, 2), {0, 1, 2, 3}), "big.png"),
            "Image too large");
  const auto raw = [](uint32_t w, uint32_t h, uint32_t spp) {
    return RawTiff({{256, 4, 1, w},
                    {257, 4, 1, h},
                    {258, 3, 1, 8},
                    {259, 3, 1, 1},
                    {262, 3, 1, 1},
                    {273, 4, 1, 0},
                    {277, 3, 1, spp},
                    {279, 4, 1, w * h * spp}},
                   Bytes(w * h * spp, 9));
  };
  EXPECT_EQ(LimitErrorOf(raw(100, 11, 1), "big.tif"), "Image too large");
  EXPECT_EQ(LimitErrorOf(raw(100, 8, 1), "small.tif"), "loaded");
  // Three samples of which the grey picture keeps one: the strip buffer is
  // three times the picture and is bounded too.
  EXPECT_EQ(LimitErrorOf(raw(100, 8, 3), "wide.tif"), "Image too large");
  EXPECT_EQ(LimitErrorOf(raw(100, 6, 3), "wide.tif"), "loaded");
}

}  // namespace

// The PNG reader's output stays the same bit for bit: digests of the bitmap,
// its palette and the alpha samples of every PNG fixture and of generated
// images of every colour type, depth, filter, interlace method and an odd set
// of widths. The digests were taken from the reader before its row loops were
// specialised for speed; a change of any pixel, palette entry or size shows.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>

#include "graphics/dibgraphic.h"
#include "graphics/pngimage.h"
#include "image_writers.h"

namespace {

// CRC-32 over the size, the bit count, the whole packed DIB (header, colour
// table, rows with their padding) and the alpha samples.
uint32_t Digest(const TPNGImage& png) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const int32_t sizes[] = {png.Width(), png.Height(), png.BitCount()};
  crc = crc32(crc, reinterpret_cast<const Bytef*>(sizes), sizeof sizes);
  // The resolution (bytes 24 to 31, from a pHYs chunk) is left out: the
  // digests are of what the decoder makes of the pixels.
  Bytes dib(png.PackedDib().begin(), png.PackedDib().end());
  std::fill(dib.begin() + 24, dib.begin() + 32, 0);
  crc = crc32(crc, dib.data(), static_cast<uInt>(dib.size()));
  // zlib answers 0 for a null buffer, which an empty vector may give.
  if (!png.Alpha().empty())
    crc = crc32(crc, png.Alpha().data(), static_cast<uInt>(png.Alpha().size()));
  return static_cast<uint32_t>(crc);
}

uint32_t DigestOfFile(const Bytes& file) {
  TPNGImage png;
  png.LoadFromBytes(file);
  return Digest(png);
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Channels(uint8_t colorType) {
  return colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
}

// A width x height image of random filtered rows: every row gets a random
// filter type and random bytes (any bytes are a valid filtered row), the
// padding bits of packed rows included. Palette images carry a random PLTE
// of 2^depth entries; `gamma` adds a gAMA chunk.
struct RandomImage {
  Bytes header, raw;
  std::vector<Bytes> extra;
  std::vector<std::size_t> rowStarts;  // offsets of the filter bytes in raw
  Bytes File() const { return PngFile(header, raw, extra); }
};

RandomImage MakeRandomImage(uint8_t colorType, uint8_t depth, uint8_t interlace, uint32_t width,
                            uint32_t height, bool gamma, std::mt19937& random) {
  constexpr uint32_t kAdam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                     {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  const auto byte = [&random] { return static_cast<uint8_t>(random() >> 24); };
  RandomImage image;
  image.header = PngHeader(width, height, depth, colorType, interlace);
  for (int pass = 0; pass < (interlace ? 7 : 1); ++pass) {
    const uint32_t* p = interlace ? kAdam7[pass] : nullptr;
    const uint32_t pw = p ? (width > p[0] ? (width - p[0] + p[2] - 1) / p[2] : 0) : width;
    const uint32_t ph = p ? (height > p[1] ? (height - p[1] + p[3] - 1) / p[3] : 0) : height;
    if (pw == 0 || ph == 0) continue;
    const std::size_t rowBytes = (std::size_t{pw} * Channels(colorType) * depth + 7) / 8;
    for (uint32_t r = 0; r < ph; ++r) {
      image.rowStarts.push_back(image.raw.size());
      image.raw.push_back(static_cast<uint8_t>(random() % 5));
      for (std::size_t i = 0; i < rowBytes; ++i) image.raw.push_back(byte());
    }
  }
  if (colorType == 3) {
    Bytes plte(3u << depth);
    for (uint8_t& b : plte) b = byte();
    image.extra.push_back(PngChunk("PLTE", plte));
  }
  if (gamma) image.extra.push_back(PngChunk("gAMA", {0, 0, 0xB1, 0x8F}));  // 0.45455
  return image;
}

struct Layout {
  uint8_t colorType, depth;
};
constexpr Layout kLayouts[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                               {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

// Odd and even widths around the byte and 4-byte boundaries of every depth.
constexpr uint32_t kWidths[] = {1, 2, 3, 5, 7, 8, 9, 13, 17, 31, 33, 64, 97};

// One digest per layout, interlace method and gamma: all widths of the layout
// decoded in turn, 11 rows each.
uint32_t GeneratedDigest(const Layout& l, uint8_t interlace, bool gamma) {
  std::mt19937 random(1000u * l.colorType + 10u * l.depth + interlace + (gamma ? 5u : 0u));
  uLong crc = crc32(0L, Z_NULL, 0);
  for (uint32_t width : kWidths) {
    const uint32_t d = DigestOfFile(
        MakeRandomImage(l.colorType, l.depth, interlace, width, 11, gamma, random).File());
    crc = crc32(crc, reinterpret_cast<const Bytef*>(&d), sizeof d);
  }
  return static_cast<uint32_t>(crc);
}

TEST(PngDecodeDigests, GeneratedImagesOfEveryLayoutFilterAndInterlace) {
  // Per layout of kLayouts: {sequential, Adam7} x {no gamma, gamma}.
  const uint32_t expected[std::size(kLayouts)][4] = {
      {0x38A2A34F, 0x9CD328B3, 0x38D67F52, 0xD5A32623},  // grey 1
      {0x480374D5, 0xDBABBC2B, 0x79BC73A0, 0x3FF2817B},  // grey 2
      {0x7117887A, 0x61A3D452, 0xCE208B35, 0xBACE47B9},  // grey 4
      {0x0A62DC1D, 0x71B2A021, 0xC456696A, 0x79E9E0CF},  // grey 8
      {0x29D70224, 0x3744FBCF, 0xDFF93989, 0x39DE190C},  // grey 16
      {0xD4B85E99, 0x5EC536E0, 0x0999C5B7, 0xA0706F11},  // rgb 8
      {0xB5FCB218, 0x26B149C1, 0x6407277E, 0x09829B01},  // rgb 16
      {0x0A60D816, 0xE75289FE, 0x1369CE64, 0x60316D7A},  // palette 1
      {0x5B91B400, 0xCAF0F18D, 0x79BB3D9C, 0xB537C3D0},  // palette 2
      {0x1592C80C, 0xC164B0F7, 0x5C342153, 0xD1DC0742},  // palette 4
      {0xC41ACB08, 0x170916EE, 0x403DC0FF, 0x79E52742},  // palette 8
      {0x95CE476B, 0x8C60A970, 0x87857E2A, 0x1A9C91DA},  // grey+alpha 8
      {0x11607DB6, 0x8FFD4055, 0x2CAFA37F, 0x437DD1E1},  // grey+alpha 16
      {0xE7EBAFF5, 0x3B62E0BA, 0x0F11744D, 0x52A20DC7},  // rgb+alpha 8
      {0x3C4CB0C5, 0x70A7385F, 0x9B2BD1F0, 0x8F207DFF},  // rgb+alpha 16
  };
  for (std::size_t i = 0; i < std::size(kLayouts); ++i)
    for (int k = 0; k < 4; ++k) {
      const Layout& l = kLayouts[i];
      const uint32_t got = GeneratedDigest(l, static_cast<uint8_t>(k / 2), k % 2 == 1);
      EXPECT_EQ(got, expected[i][k])
          << "colour type " << int{l.colorType} << ", depth " << int{l.depth} << ", interlace "
          << k / 2 << ", gamma " << k % 2;
    }
}

int32_t ErrorId(const Bytes& file) {
  try {
    TPNGImage png;
    png.LoadFromBytes(file);
  } catch (const EPNGImageException& e) {
    return e.Id();
  }
  return 0;
}

// An unknown filter type is found in whatever row it stands, for every pixel
// size; when the stream is also cut short, the corrupted data is reported.
TEST(PngDecodeErrors, UnknownFilterInAnyRowAndShortStreams) {
  std::mt19937 random(7);
  for (const Layout& l : kLayouts)
    for (uint8_t interlace : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "colour type " << int{l.colorType} << ", depth "
                                      << int{l.depth} << ", interlace " << int{interlace});
      const RandomImage image =
          MakeRandomImage(l.colorType, l.depth, interlace, 13, 11, false, random);
      for (const std::size_t start :
           {image.rowStarts.front(), image.rowStarts[4], image.rowStarts.back()}) {
        RandomImage bad = image;
        bad.raw[start] = 5;
        EXPECT_EQ(ErrorId(bad.File()), EPNGUnknownFilter);
        bad.raw.pop_back();
        EXPECT_EQ(ErrorId(bad.File()), EPNGCorruptedData);
      }
      RandomImage longer = image;
      longer.raw.push_back(0);
      EXPECT_EQ(DigestOfFile(longer.File()), DigestOfFile(image.File()));
    }
}

// The viewer's load path takes the reader's bitmap over whole: the graphic
// must be the one that importing a copy of that bitmap gives.
TEST(PngDecodeLoadPath, GraphicEqualsTheImportOfTheReadersBitmap) {
  std::mt19937 random(11);
  for (const Layout& l : kLayouts) {
    SCOPED_TRACE(testing::Message()
                 << "colour type " << int{l.colorType} << ", depth " << int{l.depth});
    const Bytes file = MakeRandomImage(l.colorType, l.depth, 0, 13, 5, true, random).File();
    TPNGImage png;
    png.LoadFromBytes(file);
    TDibGraphic imported;
    imported.ImportPackedDib(png.PackedDib());
    const auto loaded = LoadGraphic("image.png", file, 1);
    EXPECT_EQ(loaded->ImageFormat(), imported.ImageFormat());
    EXPECT_EQ(loaded->XDpi(), imported.XDpi());
    EXPECT_TRUE(std::ranges::equal(loaded->PackedDib(), imported.PackedDib()));
    EXPECT_EQ(loaded->Palette(), imported.Palette());
  }
}

TEST(PngDecodeDigests, EveryFixtureFile) {
  const std::map<std::string, uint32_t> expected = {
      {"barcodes/bc_codabar_m2.png", 0xCF30D7AE},
      {"barcodes/bc_codabar_m3.png", 0x9A848067},
      {"barcodes/bc_codabar_m4.png", 0x5F9152BD},
      {"barcodes/bc_code11_m2.png", 0x1AB16FBC},
      {"barcodes/bc_code11_m3.png", 0xCF345E3D},
      {"barcodes/bc_code11_m4.png", 0x41163669},
      {"barcodes/bc_code128_m2.png", 0x5005345D},
      {"barcodes/bc_code128_m3.png", 0xFF761A80},
      {"barcodes/bc_code128_m4.png", 0x3DE79AC6},
      {"barcodes/bc_code39_m2.png", 0x2891BFDD},
      {"barcodes/bc_code39_m3.png", 0x287DF55A},
      {"barcodes/bc_code39_m4.png", 0xF79D72C2},
      {"barcodes/bc_code93_m2.png", 0xC42FFC4A},
      {"barcodes/bc_code93_m3.png", 0xA975199D},
      {"barcodes/bc_code93_m4.png", 0xE799C6ED},
      {"barcodes/bc_dl25_m2.png", 0x9F7E47C2},
      {"barcodes/bc_dl25_m3.png", 0x1C9CB53C},
      {"barcodes/bc_dl25_m4.png", 0xD6041754},
      {"barcodes/bc_ean13_m2.png", 0x741C225F},
      {"barcodes/bc_ean13_m3.png", 0x3FFA4EF5},
      {"barcodes/bc_ean13_m4.png", 0x3B312761},
      {"barcodes/bc_ean8_m2.png", 0x2709CD4F},
      {"barcodes/bc_ean8_m3.png", 0xD1D91812},
      {"barcodes/bc_ean8_m4.png", 0x5E5DDB60},
      {"barcodes/bc_ext2_m2.png", 0x07308BBA},
      {"barcodes/bc_ext2_m3.png", 0x9A6062F8},
      {"barcodes/bc_ext2_m4.png", 0x57316074},
      {"barcodes/bc_ext5_m2.png", 0x91A0EA19},
      {"barcodes/bc_ext5_m3.png", 0x7E4D9A26},
      {"barcodes/bc_ext5_m4.png", 0xE2FA909C},
      {"barcodes/bc_iata_m2.png", 0x541019BB},
      {"barcodes/bc_iata_m3.png", 0x0FB4221A},
      {"barcodes/bc_iata_m4.png", 0x3A2DDD83},
      {"barcodes/bc_ind25_m2.png", 0x0B77C3F4},
      {"barcodes/bc_ind25_m3.png", 0x1DE1F415},
      {"barcodes/bc_ind25_m4.png", 0x36EC1708},
      {"barcodes/bc_itf_m2.png", 0xE305F1C8},
      {"barcodes/bc_itf_m3.png", 0x5CE115E4},
      {"barcodes/bc_itf_m4.png", 0x53C15AD3},
      {"barcodes/bc_mat25_m2.png", 0x594C1A97},
      {"barcodes/bc_mat25_m3.png", 0xEE300226},
      {"barcodes/bc_mat25_m4.png", 0xF5F69BE9},
      {"barcodes/bc_msi_m2.png", 0xCD0E32CE},
      {"barcodes/bc_msi_m3.png", 0x8178AC34},
      {"barcodes/bc_msi_m4.png", 0x1C2FF149},
      {"barcodes/bc_pharma_m2.png", 0xB523EBCA},
      {"barcodes/bc_pharma_m3.png", 0xE711EDD0},
      {"barcodes/bc_pharma_m4.png", 0x149FEDFA},
      {"barcodes/bc_upca_m2.png", 0x172FD1C0},
      {"barcodes/bc_upca_m3.png", 0x89CCA22B},
      {"barcodes/bc_upca_m4.png", 0x267FCA39},
      {"barcodes/bc_upce_m2.png", 0x4E0CB4A0},
      {"barcodes/bc_upce_m3.png", 0xB1021726},
      {"barcodes/bc_upce_m4.png", 0x10270563},
      {"bc_code39_m2.png", 0x2891BFDD},
      {"notes/note_eur_06.png", 0x4502068D},
      {"notes/note_lbp_06.png", 0xF8C46296},
      {"notes/note_usd_06.png", 0x490D5885},
      {"texts/txt_line_dejavusans.png", 0x65FDD94F},
      {"texts/txt_line_freesans.png", 0x44A9D764},
      {"texts/txt_line_liberationmono.png", 0xFAB9CA61},
      {"texts/txt_line_liberationsans.png", 0xECDEF70B},
      {"texts/txt_line_liberationserif.png", 0x5D994EB4},
      {"texts/txt_line_nimbusroman.png", 0x7877DC47},
      {"texts/txt_paragraph_dejavusans.png", 0x413A99DE},
      {"texts/txt_paragraph_freesans.png", 0xB7BF77D1},
      {"texts/txt_paragraph_liberationmono.png", 0xEFBC59EA},
      {"texts/txt_paragraph_liberationsans.png", 0xD933E18A},
      {"texts/txt_paragraph_liberationserif.png", 0x900823C0},
      {"texts/txt_paragraph_nimbusroman.png", 0x81BEF05F},
      {"texts/txt_word_dejavusans.png", 0x1DF7DA53},
      {"texts/txt_word_freesans.png", 0xEC86B02C},
      {"texts/txt_word_liberationmono.png", 0x6C050198},
      {"texts/txt_word_liberationsans.png", 0x370485CB},
      {"texts/txt_word_liberationserif.png", 0x1A4F4915},
      {"texts/txt_word_nimbusroman.png", 0x9EF3AEBD},
      {"txt_word_liberationsans.png", 0x370485CB},
  };
  namespace fs = std::filesystem;
  std::map<std::string, uint32_t> got;
  for (const auto& entry : fs::recursive_directory_iterator(VEREVIZU_TEST_DATA))
    if (entry.path().extension() == ".png")
      got[fs::relative(entry.path(), VEREVIZU_TEST_DATA).string()] =
          DigestOfFile(ReadFile(entry.path()));
  EXPECT_EQ(got, expected);
}

}  // namespace

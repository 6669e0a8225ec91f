// Bitmap and icon files as the picture loaders read them.
#include "graphics/bitmapimage.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image_writers.h"

namespace {

void Put32(Bytes& b, std::size_t at, uint32_t v) {
  std::memcpy(&b[at], &v, 4);
}

// A bitmap file: file header, 40-byte info header, colour table, rows.
Bytes BmpFile(int32_t w, int32_t h, uint16_t bits, uint32_t compression, const Bytes& table,
              const Bytes& rows) {
  Bytes f(14 + 40, 0);
  f[0] = 'B', f[1] = 'M';
  Put32(f, 2, static_cast<uint32_t>(14 + 40 + table.size() + rows.size()));
  Put32(f, 10, static_cast<uint32_t>(14 + 40 + table.size()));
  Put32(f, 14, 40);
  Put32(f, 18, static_cast<uint32_t>(w));
  Put32(f, 22, static_cast<uint32_t>(h));
  f[26] = 1;
  f[28] = static_cast<uint8_t>(bits);
  Put32(f, 30, compression);
  Put32(f, 38, 3937);  // 100 dpi
  Put32(f, 42, 3937);
  Put32(f, 46, bits <= 8 ? static_cast<uint32_t>(table.size() / 4) : 0);
  f.insert(f.end(), table.begin(), table.end());
  f.insert(f.end(), rows.begin(), rows.end());
  return f;
}

std::unique_ptr<TDibGraphic> LoadBmp(const Bytes& file) {
  return LoadGraphic("scan.bmp", file, 1);
}

TEST(Bitmap, PlainRowsOfEveryDepth) {
  // 24 bits, 2 x 2, bottom row first: blue, green, red.
  const auto tc =
      LoadBmp(BmpFile(2, 2, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}));
  EXPECT_EQ(tc->ImageFormat(), gfTrueColor);
  EXPECT_EQ(tc->GetPixel(0, 1), RGBColor(3, 2, 1));
  EXPECT_EQ(tc->GetPixel(1, 0), RGBColor(12, 11, 10));
  EXPECT_EQ(tc->XDpi(), 100);
  // 1 bit with a white-then-black table keeps its table.
  const auto bw =
      LoadBmp(BmpFile(3, 1, 1, 0, {255, 255, 255, 0, 0, 0, 0, 0}, {0b0100'0000, 0, 0, 0}));
  EXPECT_EQ(bw->ImageFormat(), gfBlackWhite);
  EXPECT_EQ(bw->GetPixel(0, 0), RGBColor(255, 255, 255));
  EXPECT_EQ(bw->GetPixel(1, 0), RGBColor(0, 0, 0));
  // 4 bits read as 16 colours.
  Bytes table16(64, 0);
  table16[4 * 5 + 2] = 99;
  const auto c16 = LoadBmp(BmpFile(2, 1, 4, 0, table16, {0x05, 0, 0, 0}));
  EXPECT_EQ(c16->ImageFormat(), gfColor16);
  EXPECT_EQ(c16->GetPixel(1, 0), RGBColor(99, 0, 0));
}

TEST(Bitmap, RunLengthRowsAreExpanded) {
  Bytes table(4 * 256, 0);
  for (int i = 0; i < 256; ++i)
    table[4 * static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);  // blue = index
  // Row 0 (bottom): three pixels of 7, then a literal run 1 2 3 (padded), end
  // of line; row 1: skip two pixels right, one pixel of 9, end of bitmap.
  const Bytes rle8 = {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 1, 9, 0, 1};
  const auto g = LoadBmp(BmpFile(6, 2, 8, 1, table, rle8));
  EXPECT_EQ(g->ImageFormat(), gfColor256);
  const int bottom[6] = {7, 7, 7, 1, 2, 3};
  for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(BlueOf(g->GetPixel(x, 1)), bottom[x]) << x;
  EXPECT_EQ(BlueOf(g->GetPixel(2, 0)), 9);
  EXPECT_EQ(BlueOf(g->GetPixel(3, 0)), 0);
  // 4 bits: a run alternates the two nibbles; a literal run of 3 nibbles.
  Bytes table16(64, 0);
  for (int i = 0; i < 16; ++i) table16[4 * static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
  const Bytes rle4 = {4, 0x12, 0, 3, 0xAB, 0xC0, 0, 1};
  const auto g4 = LoadBmp(BmpFile(7, 1, 4, 2, table16, rle4));
  const int row[7] = {1, 2, 1, 2, 10, 11, 12};
  for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(BlueOf(g4->GetPixel(x, 0)), row[x]) << x;
}

TEST(Bitmap, OldCoreHeaderAndBadFiles) {
  // 12-byte header: 16-bit sizes, three-byte table entries.
  Bytes f(14 + 12, 0);
  f[0] = 'B', f[1] = 'M';
  Put32(f, 10, 14 + 12 + 6);
  Put32(f, 14, 12);
  f[18] = 2, f[20] = 1, f[22] = 1, f[24] = 1;
  f.insert(f.end(), {0, 0, 0, 10, 20, 30, 0b0100'0000, 0, 0, 0});
  const auto g = LoadBmp(f);
  EXPECT_EQ(g->GetPixel(1, 0), RGBColor(30, 20, 10));
  const auto message = [](const Bytes& file) {
    try {
      LoadBmp(file);
    } catch (const platform::Exception& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  Bytes good = BmpFile(2, 2, 24, 0, {}, Bytes(16, 0));
  EXPECT_EQ(message(Bytes(good.begin(), good.end() - 1)), "Invalid bitmap");
  EXPECT_EQ(message(Bytes(good.begin(), good.begin() + 20)), "Invalid bitmap");
  Bytes notBm = good;
  notBm[0] = 'X';
  EXPECT_EQ(message(notBm), "Invalid bitmap");
  Bytes overlapping = good;
  Put32(overlapping, 10, 14);  // rows said to start inside the header
  EXPECT_EQ(message(overlapping), "Invalid bitmap");
  Put32(overlapping, 30, 1);  // the same with run-length rows
  overlapping[28] = 8;
  EXPECT_EQ(message(overlapping), "Invalid bitmap");
  Put32(good, 30, 4);  // JPEG rows
  EXPECT_EQ(message(good), "Unsupported compression");
}

// An icon file with one image given as a DIB of double height plus mask.
Bytes IconFile(const Bytes& image, uint8_t size) {
  Bytes f = {0, 0, 1, 0, 1, 0, size, size, 0, 0, 1, 0, 32, 0};
  f.resize(6 + 16, 0);
  Put32(f, 6 + 8, static_cast<uint32_t>(image.size()));
  Put32(f, 6 + 12, 6 + 16);
  f.insert(f.end(), image.begin(), image.end());
  return f;
}

TEST(Icon, DrawnOnBlackWithAlphaBlended) {
  Bytes dib(40, 0);
  Put32(dib, 0, 40);
  Put32(dib, 4, 2);
  Put32(dib, 8, 2);  // twice the height of a 2 x 1 icon
  dib[12] = 1, dib[14] = 32;
  // Blue, green, red, alpha: an opaque and a half-transparent pixel.
  dib.insert(dib.end(), {10, 20, 30, 255, 200, 100, 50, 128});
  dib.insert(dib.end(), {0, 0, 0, 0});  // mask row
  const auto g = LoadGraphic("app.ico", IconFile(dib, 2), 1);
  EXPECT_EQ(g->ImageFormat(), gfTrueColor);
  EXPECT_EQ(g->Width(), 2);
  EXPECT_EQ(g->Height(), 1);
  EXPECT_EQ(g->GetPixel(0, 0), RGBColor(30, 20, 10));
  EXPECT_EQ(g->GetPixel(1, 0), RGBColor(25, 50, 100));
  // Without any alpha the colour rows are drawn as they are.
  dib[40 + 3] = 0, dib[40 + 7] = 0;
  EXPECT_EQ(LoadGraphic("app.ico", IconFile(dib, 2), 1)->GetPixel(1, 0), RGBColor(50, 100, 200));
  EXPECT_THROW(LoadGraphic("app.ico", Bytes{0, 0, 1, 0}, 1), EInvalidGraphic);
  EXPECT_THROW(LoadGraphic("app.ico", IconFile(Bytes(10, 0), 2), 1), EInvalidGraphic);
}

TEST(Icon, PngImagesInsideIcons) {
  const Bytes png = PngFile(PngHeader(1, 1, 8, 6), {0, 200, 100, 50, 0});
  const auto g = LoadGraphic("app.ico", IconFile(png, 1), 1);
  EXPECT_EQ(g->GetPixel(0, 0), RGBColor(0, 0, 0));  // fully transparent on black
}

}  // namespace

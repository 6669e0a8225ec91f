// TDibGraphic: the exported block byte for byte, pixel access in every
// format, the nearest-colour cache, copying, importing DIBs and the registry.
#include "graphics/dibgraphic.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image_writers.h"

namespace {

uint32_t U32(const uint8_t* p) {
  return ReadLE32(p);
}

std::vector<uint8_t> Exported(const TDibGraphic& g) {
  platform::BlockOwner block(g.ExportPackedDib());
  platform::BlockLock lock(block.get());
  return {lock.data(), lock.data() + lock.size()};
}

template <typename E, typename F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

TEST(DibExport, BlackAndWhiteBlockByteForByte) {
  TDibGraphic g;
  g.NewImage(3, 2, gfBlackWhite, {}, 300, 150);
  g.SetPixelIndex(0, 0, 1);  // top row, first pixel
  const auto b = Exported(g);
  ASSERT_EQ(b.size(), 56u);
  EXPECT_EQ(U32(&b[0]), 40u);
  EXPECT_EQ(U32(&b[4]), 3u);
  EXPECT_EQ(U32(&b[8]), 2u);
  EXPECT_EQ(ReadLE16(&b[12]), 1);
  EXPECT_EQ(ReadLE16(&b[14]), 1);
  EXPECT_EQ(U32(&b[16]), 0u);
  EXPECT_EQ(U32(&b[20]), 8u);
  EXPECT_EQ(U32(&b[24]), 11811u);
  EXPECT_EQ(U32(&b[28]), 5906u);  // 150 dpi: 5905.5 rounds to even
  EXPECT_EQ(U32(&b[32]), 2u);
  EXPECT_EQ(U32(&b[36]), 0u);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 40, b.begin() + 48),
            (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
  EXPECT_EQ(b[48], 0x00);  // bottom row first
  EXPECT_EQ(b[52], 0x80);
  EXPECT_EQ(g.XDpi(), 300);
  EXPECT_EQ(g.YDpi(), 150);
}

TEST(DibExport, TrueColourHasNoColourTableAndEmptyGraphicsRefuse) {
  TDibGraphic g;
  EXPECT_EQ(MessageOf<EZivuderoError>([&] { g.ExportPackedDib(); }), "Graphic is empty");
  g.NewImage(10, 10, gfTrueColor, {}, 0, 0);
  const auto b = Exported(g);
  EXPECT_EQ(b.size(), 360u);
  EXPECT_EQ(U32(&b[32]), 0u);
  EXPECT_EQ(g.XDpi(), kScreenPixelsPerInch);
}

TEST(DibFormats, DescriptionsPalettesAndInvalidCodes) {
  EXPECT_EQ(FormatDescription(gfBlackWhite), "Black and white");
  EXPECT_EQ(FormatDescription(gfGray16), "16 shades of gray");
  EXPECT_EQ(FormatDescription(gfGray256), "256 shades of gray");
  EXPECT_EQ(FormatDescription(gfColor16), "16 color");
  EXPECT_EQ(FormatDescription(gfColor256), "256 color");
  EXPECT_EQ(FormatDescription(gfTrueColor), "True color");
  EXPECT_EQ(MessageOf<EZivuderoError>([] { FormatDescription(static_cast<TGraphicFormat>(6)); }),
            "Internal error: Invalid image format");
  TDibGraphic g;
  EXPECT_EQ(MessageOf<EZivuderoError>(
                [&] { g.NewImage(1, 1, static_cast<TGraphicFormat>(9), {}, 0, 0); }),
            "Internal error: Invalid image format");
  EXPECT_EQ(StandardPalette(gfGray16)[15], RGBColor(255, 255, 255));
  EXPECT_EQ(StandardPalette(gfGray16)[1], RGBColor(17, 17, 17));
  EXPECT_EQ(StandardPalette(gfColor16)[6], RGBColor(170, 85, 0));
  EXPECT_EQ(StandardPalette(gfColor16)[9], RGBColor(85, 85, 255));
  const TPalette p256 = StandardPalette(gfColor256), p16 = StandardPalette(gfColor16);
  ASSERT_EQ(p256.size(), 256u);
  EXPECT_TRUE(std::equal(p16.begin(), p16.end(), p256.begin()));
}

TEST(DibPixels, ColoursRoundTripInEveryFormat) {
  struct Case {
    TGraphicFormat format;
    TColor set, get;
  };
  const Case cases[] = {
      {gfBlackWhite, RGBColor(200, 200, 200), RGBColor(255, 255, 255)},
      {gfBlackWhite, RGBColor(100, 20, 20), RGBColor(0, 0, 0)},
      {gfGray16, RGBColor(40, 40, 40), RGBColor(34, 34, 34)},
      {gfGray256, RGBColor(10, 20, 30), RGBColor(20, 20, 20)},
      {gfColor16, RGBColor(160, 90, 10), RGBColor(170, 85, 0)},
      {gfTrueColor, RGBColor(1, 2, 3), RGBColor(1, 2, 3)},
  };
  for (const Case& c : cases) {
    TDibGraphic g;
    g.NewImage(5, 3, c.format, {}, 0, 0);
    for (int32_t x = 0; x < 5; ++x) {
      g.SetPixel(x, 1, c.set);
      EXPECT_EQ(g.GetPixel(x, 1), c.get) << int(c.format) << " x " << x;
      EXPECT_EQ(g.GetPixel(x, 0), g.Palette().empty() ? 0u : g.Palette()[0]);
    }
  }
}

TEST(DibPixels, PackedIndicesLandInTheirBits) {
  TDibGraphic g;
  g.NewImage(3, 1, gfGray16, {}, 0, 0);
  g.SetPixelIndex(0, 0, 0x1F);  // low four bits, high nibble of byte 0
  g.SetPixelIndex(1, 0, 0x3);
  EXPECT_EQ(g.ScanLine(0)[0], 0xF3);
  EXPECT_EQ(g.GetPixelIndex(0, 0), 15);
  g.NewImage(10, 1, gfBlackWhite, {}, 0, 0);
  g.SetPixelIndex(9, 0, 1);
  EXPECT_EQ(g.ScanLine(0)[1], 0x40);
  EXPECT_EQ(MessageOf<EZivuderoError>([] {
              TDibGraphic t;
              t.NewImage(1, 1, gfTrueColor, {}, 0, 0);
              t.GetPixelIndex(0, 0);
            }),
            "The image does not have a palette");
}

TEST(DibPixels, NearestColourCacheSlotsShareNoAnswers) {
  // 0x000000 and 0x0003FC (1020) fall into the same of the 1020 slots.
  TDibGraphic g;
  TPalette palette(256, RGBColor(255, 255, 255));
  palette[7] = RGBColor(0, 0, 0);
  palette[9] = RGBColor(0, 3, 252);
  palette[10] = RGBColor(0, 3, 252);  // a tie: the first entry wins
  g.NewImage(2, 1, gfColor256, palette, 0, 0);
  g.SetPixel(0, 0, RGBColor(0, 0, 0));
  g.SetPixel(1, 0, RGBColor(0, 3, 252));
  EXPECT_EQ(g.GetPixelIndex(0, 0), 7);
  EXPECT_EQ(g.GetPixelIndex(1, 0), 9);
  g.SetPixel(0, 0, RGBColor(0, 0, 0));
  EXPECT_EQ(g.GetPixelIndex(0, 0), 7);
}

TEST(DibCopy, FillAssignAndPalettes) {
  TDibGraphic g;
  g.NewImage(3, 4, gfColor16, {}, 200, 100);
  g.Fill(RGBColor(0, 170, 0));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(g.GetPixelIndex(x, y), 2);
  g.FrameDelay = 50;
  TDibGraphic copy;
  copy.Assign(&g);
  EXPECT_EQ(copy.ImageFormat(), gfColor16);
  EXPECT_EQ(copy.XDpi(), 200);
  EXPECT_EQ(copy.YDpi(), 100);
  EXPECT_EQ(copy.FrameDelay, 50);
  EXPECT_TRUE(std::equal(g.PackedDib().begin(), g.PackedDib().end(), copy.PackedDib().begin()));
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(copy.Width(), 0);
  // A short palette leaves the remaining entries black.
  g.NewImage(1, 1, gfGray16, {RGBColor(1, 2, 3)}, 0, 0);
  EXPECT_EQ(g.Palette()[0], RGBColor(1, 2, 3));
  EXPECT_EQ(g.Palette()[1], 0u);
}

TEST(DibImport, BlocksRoundTripAndBadBlocksAreRefused) {
  TDibGraphic g;
  g.NewImage(7, 3, gfColor256, {}, 300, 300);
  g.SetPixelIndex(6, 2, 200);
  platform::BlockOwner block(g.ExportPackedDib());
  TDibGraphic back;
  back.ImportBitmapHandle(block.get());
  EXPECT_EQ(back.ImageFormat(), gfColor256);
  EXPECT_EQ(back.XDpi(), 300);
  EXPECT_TRUE(std::equal(g.PackedDib().begin(), g.PackedDib().end(), back.PackedDib().begin()));

  std::vector<uint8_t> dib(g.PackedDib().begin(), g.PackedDib().end());
  const auto importMessage = [](std::vector<uint8_t> d) {
    try {
      TDibGraphic t;
      t.ImportPackedDib(d);
    } catch (const platform::Exception& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(importMessage(std::vector<uint8_t>(dib.begin(), dib.end() - 1)), "Invalid bitmap");
  EXPECT_EQ(importMessage(std::vector<uint8_t>(dib.begin(), dib.begin() + 30)), "Invalid bitmap");
  auto twoBit = dib;
  twoBit[14] = 2;
  EXPECT_EQ(importMessage(twoBit), "Unsupported bit count");
  auto rle = dib;
  rle[16] = 1;
  EXPECT_EQ(importMessage(rle), "Unsupported compression");
}

std::vector<uint8_t> DibHeader(int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                               uint32_t used, uint32_t ppm) {
  std::vector<uint8_t> d(40, 0);
  const auto put = [&](std::size_t at, uint32_t v) { std::memcpy(&d[at], &v, 4); };
  put(0, 40);
  put(4, static_cast<uint32_t>(w));
  put(8, static_cast<uint32_t>(h));
  d[12] = 1;
  d[14] = static_cast<uint8_t>(bits);
  put(16, compression);
  put(24, ppm);
  put(28, ppm);
  put(32, used);
  return d;
}

TEST(DibImport, DeepRowsBecomeTrueColourAndShortTablesBecomePalettes) {
  // 16 bits, 5-5-5: pure red and a mid grey; top-down (negative height).
  auto d = DibHeader(2, -1, 16, 0, 0, 0);
  d.insert(d.end(), {0x00, 0x7C, 0x10, 0x42});
  TDibGraphic g;
  g.ImportPackedDib(d);
  EXPECT_EQ(g.ImageFormat(), gfTrueColor);
  EXPECT_EQ(g.GetPixel(0, 0), RGBColor(255, 0, 0));
  EXPECT_EQ(g.GetPixel(1, 0), RGBColor(132, 132, 132));
  EXPECT_EQ(g.XDpi(), kScreenPixelsPerInch);
  // 32 bits with bit fields (blue in the high byte).
  d = DibHeader(1, 1, 32, 3, 0, 11811);
  for (uint32_t mask : {0x0000FF00u, 0x00FF0000u, 0xFF000000u})
    for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(mask >> (8 * i)));
  d.insert(d.end(), {0, 10, 20, 30});
  g.ImportPackedDib(d);
  EXPECT_EQ(g.GetPixel(0, 0), RGBColor(10, 20, 30));
  EXPECT_EQ(g.XDpi(), 300);
  // 8 bits with three colours used; a resolution beyond 65535 dpi is none.
  d = DibHeader(1, 1, 8, 0, 3, 0x7FFFFFFF);
  d.insert(d.end(), {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0});
  d.insert(d.end(), {2, 0, 0, 0});
  g.ImportPackedDib(d);
  EXPECT_EQ(g.ImageFormat(), gfColor256);
  EXPECT_EQ(g.GetPixel(0, 0), RGBColor(9, 8, 7));
  EXPECT_EQ(g.Palette()[3], 0u);
  EXPECT_EQ(g.XDpi(), kScreenPixelsPerInch);
}

TEST(DibRegistry, ExtensionsAndTheirClasses) {
  const auto className = [](const std::string& name) {
    const TGraphicFactory f = FindGraphicClass(name);
    return f ? std::string(f()->ClassName()) : std::string("none");
  };
  EXPECT_EQ(className("scan.tif"), "TTiffGraphic");
  EXPECT_EQ(className("SCAN.TIFF"), "TTiffGraphic");
  EXPECT_EQ(className("dir.v2/photo.Jpg"), "TJpegGraphic");
  EXPECT_EQ(className("a.jpeg"), "TJpegGraphic");
  EXPECT_EQ(className("tif"), "TTiffGraphic");  // no extension: the whole name
  EXPECT_EQ(className("a.png"), "none");        // left to the picture loaders
  EXPECT_EQ(MessageOf<EZivuderoError>([] { CreateGraphicFor("movie.gif"); }),
            "Graphic files of GIF format are not supported or not registered");
  EXPECT_EQ(MessageOf<EZivuderoError>([] { LoadGraphic("notes.txt", {}, 1); }),
            "Graphic files of TXT format are not supported or not registered");
  RegisterGraphicFormat("dib2", "Test", [] { return std::make_unique<TDibGraphic>(); });
  EXPECT_EQ(className("x.DIB2"), "TDibGraphic");
  const std::vector<std::string> ext = RegisteredExtensions();
  for (const char* e : {"BMP", "ICO", "JPEG", "JPG", "PNG", "TIF", "TIFF"})
    EXPECT_NE(std::find(ext.begin(), ext.end(), e), ext.end()) << e;
  EXPECT_TRUE(std::is_sorted(ext.begin(), ext.end()));
}

TEST(DibPages, LoadingAllPagesOfASingleImageClearsTheFlag) {
  const Bytes png = PngFile(PngHeader(1, 1, 8, 0), {0, 5});
  const auto g = LoadGraphic("one.png", png, 0);
  EXPECT_EQ(g->PageCount(), 1);
  TDibGraphic plain;
  plain.LoadAllPages = true;
  plain.LoadFromBytes(png);
  EXPECT_FALSE(plain.LoadAllPages);
}

}  // namespace

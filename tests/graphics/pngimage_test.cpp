// The PNG reader: every colour type and depth, interlacing, filters, gamma,
// transparency and every error it raises.
#include "graphics/pngimage.h"

#include <gtest/gtest.h>

#include <random>

#include "graphics/dibgraphic.h"
#include "image_writers.h"

namespace {

std::unique_ptr<TDibGraphic> LoadPng(const Bytes& file) {
  return LoadGraphic("image.png", file, 1);
}

// Filter byte 0 before every row.
Bytes Unfiltered(const std::vector<Bytes>& rows) {
  Bytes raw;
  for (const Bytes& r : rows) {
    raw.push_back(0);
    raw.insert(raw.end(), r.begin(), r.end());
  }
  return raw;
}

struct FormatCase {
  const char* name;
  uint8_t colorType, depth;
  std::vector<Bytes> rows;  // pixel data of a 4 x 1 image
  std::vector<Bytes> extra;
  TGraphicFormat format;
  std::vector<TColor> colours;  // the four pixels
};

TColor Grey(uint8_t v) {
  return RGBColor(v, v, v);
}

TEST(PngFormats, EveryColourTypeAndDepthBecomesABitmapOfItsDepth) {
  const Bytes plte = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  const std::vector<FormatCase> cases = {
      {"grey 1", 0, 1, {{0b1010'0000}}, {}, gfBlackWhite, {Grey(255), Grey(0), Grey(255), Grey(0)}},
      {"grey 2", 0, 2, {{0b0001'1011}}, {}, gfColor16, {Grey(0), Grey(85), Grey(170), Grey(255)}},
      {"grey 4", 0, 4, {{0x07, 0xF0}}, {}, gfColor16, {Grey(0), Grey(119), Grey(255), Grey(0)}},
      {"grey 8", 0, 8, {{1, 2, 3, 250}}, {}, gfColor256, {Grey(1), Grey(2), Grey(3), Grey(250)}},
      {"grey 16",
       0,
       16,
       {{0x12, 0xFF, 0, 1, 0xFF, 0, 0x80, 0x80}},
       {},
       gfColor256,
       {Grey(0x12), Grey(0), Grey(0xFF), Grey(0x80)}},
      {"grey+alpha 8",
       4,
       8,
       {{9, 0, 8, 255, 7, 1, 6, 2}},
       {},
       gfColor256,
       {Grey(9), Grey(8), Grey(7), Grey(6)}},
      {"grey+alpha 16",
       4,
       16,
       {{9, 1, 0, 0, 8, 1, 0, 0, 7, 1, 0, 0, 6, 1, 0, 0}},
       {},
       gfColor256,
       {Grey(9), Grey(8), Grey(7), Grey(6)}},
      {"rgb 8",
       2,
       8,
       {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
       {},
       gfTrueColor,
       {RGBColor(1, 2, 3), RGBColor(4, 5, 6), RGBColor(7, 8, 9), RGBColor(10, 11, 12)}},
      {"rgb 16",
       2,
       16,
       {{1, 9, 2, 9, 3, 9, 4, 9, 5, 9, 6, 9, 7, 9, 8, 9, 9, 9, 10, 9, 11, 9, 12, 9}},
       {},
       gfTrueColor,
       {RGBColor(1, 2, 3), RGBColor(4, 5, 6), RGBColor(7, 8, 9), RGBColor(10, 11, 12)}},
      {"rgba 8",
       6,
       8,
       {{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0}},
       {},
       gfTrueColor,
       {RGBColor(1, 2, 3), RGBColor(4, 5, 6), RGBColor(7, 8, 9), RGBColor(10, 11, 12)}},
      {"palette 1",
       3,
       1,
       {{0b0110'0000}},
       {PngChunk("PLTE", plte)},
       gfBlackWhite,
       {RGBColor(0, 0, 0), RGBColor(255, 0, 0), RGBColor(255, 0, 0), RGBColor(0, 0, 0)}},
      {"palette 2",
       3,
       2,
       {{0b1110'0100}},
       {PngChunk("PLTE", plte)},
       gfColor16,
       {RGBColor(0, 0, 255), RGBColor(0, 255, 0), RGBColor(255, 0, 0), RGBColor(0, 0, 0)}},
      {"palette 4",
       3,
       4,
       {{0x32, 0x10}},
       {PngChunk("PLTE", plte)},
       gfColor16,
       {RGBColor(0, 0, 255), RGBColor(0, 255, 0), RGBColor(255, 0, 0), RGBColor(0, 0, 0)}},
      {"palette 8",
       3,
       8,
       {{3, 2, 1, 0}},
       {PngChunk("PLTE", plte)},
       gfColor256,
       {RGBColor(0, 0, 255), RGBColor(0, 255, 0), RGBColor(255, 0, 0), RGBColor(0, 0, 0)}},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto g =
        LoadPng(PngFile(PngHeader(4, 1, c.depth, c.colorType), Unfiltered(c.rows), c.extra));
    EXPECT_EQ(g->ImageFormat(), c.format);
    ASSERT_EQ(g->Width(), 4);
    for (int32_t x = 0; x < 4; ++x)
      EXPECT_EQ(g->GetPixel(x, 0), c.colours[static_cast<std::size_t>(x)]) << x;
  }
}

TEST(PngFormats, TwoBitPalettesRepeatToSixteenEntries) {
  const auto g = LoadPng(PngFile(PngHeader(4, 1, 2, 0), Unfiltered({{0}})));
  ASSERT_EQ(g->Palette().size(), 16u);
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(g->Palette()[i], g->Palette()[i % 4]);
}

TEST(PngFormats, RowsAreStoredBottomUpInTheBitmap) {
  TPNGImage png;
  png.LoadFromBytes(PngFile(PngHeader(1, 2, 8, 0), Unfiltered({{10}, {20}})));
  const auto dib = png.PackedDib();
  ASSERT_EQ(dib.size(), 40u + 1024 + 8);
  EXPECT_EQ(dib[40 + 1024], 20);  // bottom row first
  EXPECT_EQ(dib[40 + 1024 + 4], 10);
}

// Filters as an encoder applies them, so that decoding must undo each one.
Bytes FilterRow(uint8_t type, const Bytes& row, const Bytes& prior, std::size_t unit) {
  Bytes out = {type};
  for (std::size_t i = 0; i < row.size(); ++i) {
    const int a = i >= unit ? row[i - unit] : 0, b = prior[i], c = i >= unit ? prior[i - unit] : 0;
    int predictor = 0;
    if (type == 1) predictor = a;
    if (type == 2) predictor = b;
    if (type == 3) predictor = (a + b) / 2;
    if (type == 4) {
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      predictor = (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
    }
    out.push_back(static_cast<uint8_t>(row[i] - predictor));
  }
  return out;
}

std::vector<Bytes> RandomRows(int rows, std::size_t bytes, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Bytes> out(static_cast<std::size_t>(rows), Bytes(bytes));
  for (Bytes& r : out)
    for (uint8_t& b : r) b = static_cast<uint8_t>(rng());
  return out;
}

TEST(PngFilters, AllFiveFiltersAreUndoneWithTheWholePixelAsUnit) {
  struct Layout {
    uint8_t colorType, depth;
    std::size_t rowBytes, unit;
  };
  // RGB 8 bits: 3 bytes per pixel; grey 1 bit: less than a byte, unit 1.
  for (const Layout l : {Layout{2, 8, 15, 3}, Layout{0, 1, 2, 1}, Layout{6, 16, 40, 8}}) {
    const std::vector<Bytes> rows = RandomRows(10, l.rowBytes, l.rowBytes);
    const uint32_t width = l.colorType == 2 ? 5 : l.colorType == 0 ? 16 : 5;
    Bytes plain, filtered;
    Bytes prior(l.rowBytes, 0);
    for (std::size_t y = 0; y < rows.size(); ++y) {
      const Bytes f = FilterRow(static_cast<uint8_t>(y % 5), rows[y], prior, l.unit);
      filtered.insert(filtered.end(), f.begin(), f.end());
      plain.push_back(0);
      plain.insert(plain.end(), rows[y].begin(), rows[y].end());
      prior = rows[y];
    }
    const auto a = LoadPng(PngFile(PngHeader(width, 10, l.depth, l.colorType), plain));
    const auto b = LoadPng(PngFile(PngHeader(width, 10, l.depth, l.colorType), filtered));
    ASSERT_EQ(a->PackedDib().size(), b->PackedDib().size());
    EXPECT_TRUE(std::equal(a->PackedDib().begin(), a->PackedDib().end(), b->PackedDib().begin()));
  }
}

// The seven Adam7 passes of an image, each row with filter 0.
Bytes Adam7Raw(const std::vector<Bytes>& pixels, uint32_t width, std::size_t bytesPerPixel) {
  static constexpr int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                      {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  Bytes raw;
  for (const auto& p : kPass)
    for (std::size_t y = static_cast<std::size_t>(p[1]); y < pixels.size();
         y += static_cast<std::size_t>(p[3])) {
      if (static_cast<uint32_t>(p[0]) >= width) break;
      raw.push_back(0);
      for (uint32_t x = static_cast<uint32_t>(p[0]); x < width; x += static_cast<uint32_t>(p[2]))
        for (std::size_t k = 0; k < bytesPerPixel; ++k)
          raw.push_back(pixels[y][x * bytesPerPixel + k]);
    }
  return raw;
}

TEST(PngInterlace, Adam7PlacesEveryPixelWhereTheSequentialFileHasIt) {
  for (const uint32_t width : {1u, 5u, 9u, 17u}) {
    const std::vector<Bytes> rows = RandomRows(11, width * 3, width);
    const auto plain = LoadPng(PngFile(PngHeader(width, 11, 8, 2), Unfiltered(rows)));
    const auto interlaced =
        LoadPng(PngFile(PngHeader(width, 11, 8, 2, 1), Adam7Raw(rows, width, 3)));
    EXPECT_TRUE(std::equal(plain->PackedDib().begin(), plain->PackedDib().end(),
                           interlaced->PackedDib().begin()))
        << width;
  }
}

TEST(PngGamma, CorrectsGreyPalettesAndRgbSamples) {
  Bytes gama;
  for (uint8_t b : {0, 1, 0x86, 0xA0}) gama.push_back(b);  // 100000: g = 1
  const auto grey = LoadPng(
      PngFile(PngHeader(3, 1, 8, 0), Unfiltered({{64, 128, 200}}), {PngChunk("gAMA", gama)}));
  EXPECT_EQ(grey->GetPixel(0, 0), Grey(136));
  EXPECT_EQ(grey->GetPixel(1, 0), Grey(186));
  EXPECT_EQ(grey->GetPixel(2, 0), Grey(228));
  const auto rgb = LoadPng(
      PngFile(PngHeader(1, 1, 8, 2), Unfiltered({{64, 128, 200}}), {PngChunk("gAMA", gama)}));
  EXPECT_EQ(rgb->GetPixel(0, 0), RGBColor(136, 186, 228));
}

TEST(PngTransparency, OnlyRgbImagesAnswerWithTheirTransparentColour) {
  TPNGImage rgb;
  rgb.LoadFromBytes(PngFile(PngHeader(1, 1, 8, 2), Unfiltered({{1, 2, 3}}),
                            {PngChunk("tRNS", {0, 10, 0, 20, 0, 30})}));
  EXPECT_EQ(rgb.TransparentColor(), RGBColor(10, 20, 30));
  TPNGImage grey;
  grey.LoadFromBytes(PngFile(PngHeader(1, 1, 8, 0), Unfiltered({{1}})));
  try {
    grey.TransparentColor();
    FAIL();
  } catch (const EPNGImageException& e) {
    EXPECT_EQ(e.Id(), 65203);
  }
}

TEST(PngProgress, ReportsDrawingAfterEveryRowOrPass) {
  std::vector<int> seen;
  TPNGImage png;
  png.OnProgress = [&](TPNGImage*, uint8_t p, const std::string& text) {
    EXPECT_EQ(text, "Drawing...");
    seen.push_back(p);
  };
  png.LoadFromBytes(PngFile(PngHeader(1, 4, 8, 0), Unfiltered({{1}, {2}, {3}, {4}})));
  EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100}));
  seen.clear();
  png.LoadFromBytes(PngFile(PngHeader(8, 8, 8, 0, 1), Adam7Raw(RandomRows(8, 8, 1), 8, 1)));
  EXPECT_EQ(seen.size(), 7u);
}

struct ErrorCase {
  const char* name;
  Bytes file;
  int32_t id;
};

TEST(PngErrors, EachBrokenFileRaisesItsIdAndText) {
  const Bytes header = PngHeader(2, 1, 8, 0);
  const Bytes idat = PngChunk("IDAT", Deflate({0, 1, 2}));
  const Bytes iend = PngChunk("IEND", {});
  const Bytes good = Concat({PngSignature(), header, idat, iend});
  Bytes badSignature = good;
  badSignature[1] = 'Q';
  Bytes badCrcHeader = header;
  badCrcHeader.back() ^= 0x40;
  Bytes badCrcEnd = Concat({PngSignature(), header, idat, PngChunk("IEND", {}, true)});
  Bytes truncated(good.begin(),
                  good.begin() + static_cast<std::ptrdiff_t>(good.size() - iend.size() - 5));
  const std::vector<ErrorCase> cases = {
      {"signature", badSignature, 65223},
      {"empty file", {}, 65223},
      {"crc of IHDR", Concat({PngSignature(), badCrcHeader, idat, iend}), 65226},
      {"crc of IEND", badCrcEnd, 65226},
      {"chunk cut short", truncated, 65226},
      {"too little image data",
       Concat({PngSignature(), header, PngChunk("IDAT", Deflate({0, 1})), iend}), 65226},
      {"not deflate data", Concat({PngSignature(), header, PngChunk("IDAT", {1, 2, 3, 4}), iend}),
       65226},
      {"unknown critical chunk",
       Concat({PngSignature(), header, PngChunk("ZZZZ", {1}), idat, iend}), 65201},
      {"IHDR not first",
       Concat({PngSignature(), PngChunk("gAMA", {0, 1, 0x86, 0xA0}), header, idat, iend}), 65227},
      {"no chunks", PngSignature(), 65227},
      {"no IDAT", Concat({PngSignature(), header, iend}), 65228},
      {"palette missing", Concat({PngSignature(), PngHeader(2, 1, 8, 3), idat, iend}), 65202},
      {"palette length",
       Concat({PngSignature(), PngHeader(2, 1, 8, 3), PngChunk("PLTE", {1, 2, 3, 4}), idat, iend}),
       65229},
      {"colour type 5", Concat({PngSignature(), PngHeader(2, 1, 8, 5), idat, iend}), 65230},
      {"filter 5", Concat({PngSignature(), header, PngChunk("IDAT", Deflate({5, 1, 2})), iend}),
       65231},
      {"interlace 2", Concat({PngSignature(), PngHeader(2, 1, 8, 0, 2), idat, iend}), 65200},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPNGImage png;
    try {
      png.LoadFromBytes(c.file);
      ADD_FAILURE() << "loaded";
    } catch (const EPNGImageException& e) {
      EXPECT_EQ(e.Id(), c.id);
      EXPECT_EQ(e.Message(), PNGErrorText(c.id));
    }
  }
  TPNGImage png;
  EXPECT_NO_THROW(png.LoadFromBytes(good));
}

TEST(PngErrors, ResourceTextsAreTheSystemsOwn) {
  EXPECT_EQ(PNGErrorText(65226), "Can't read the PNG image, it has corrupted data. ");
  EXPECT_EQ(PNGErrorText(65225), "The chunk class index especified is  out of range.");
  EXPECT_EQ(PNGErrorText(65203),
            "Can not get transparency information because the current image color type is not RGB "
            "(value 3)");
}

TEST(PngChunks, UnknownAncillaryChunksStayUninterpreted) {
  TPNGImage png;
  png.LoadFromBytes(
      PngFile(PngHeader(1, 1, 8, 0), Unfiltered({{7}}), {PngChunk("prVt", {1, 2, 3})}));
  ASSERT_EQ(png.ChunkCount(), 4);
  EXPECT_EQ(png.Chunk(1).TypeName(), "prVt");
}

TEST(PngChunks, IdatChunksAreJoinedIntoTheFirst) {
  const Bytes z = Deflate(Unfiltered({{1, 2}, {3, 4}}));
  const Bytes a(z.begin(), z.begin() + 3), b(z.begin() + 3, z.end());
  TPNGImage png;
  png.LoadFromBytes(Concat({PngSignature(), PngHeader(2, 2, 8, 0), PngChunk("IDAT", a),
                            PngChunk("IDAT", b), PngChunk("IEND", {})}));
  EXPECT_EQ(png.ChunkCount(), 3);
  EXPECT_EQ(png.Chunk(1).data, z);
}

TEST(PngChunks, LookupsOutOfRangeRaiseTheirIds) {
  TPNGImage png;
  png.LoadFromBytes(
      PngFile(PngHeader(1, 1, 8, 0), Unfiltered({{7}}), {PngChunk("tIME", {7, 230, 1, 2, 3, 4})}));
  const auto idOf = [](auto&& f) {
    try {
      f();
    } catch (const EPNGImageException& e) {
      return e.Id();
    }
    return 0;
  };
  EXPECT_EQ(idOf([&] { png.Chunk(4); }), 65224);
  EXPECT_EQ(idOf([&] { png.Chunk(-1); }), 65224);
  EXPECT_EQ(idOf([] { TPNGImage::ChunkClassName(9); }), 65225);
  EXPECT_EQ(TPNGImage::ChunkClassName(0), "IHDR");
  EXPECT_EQ(idOf([&] { png.Time(); }), 65205);
  TPNGImage plain;
  plain.LoadFromBytes(PngFile(PngHeader(1, 1, 8, 0), Unfiltered({{7}})));
  EXPECT_EQ(idOf([&] { plain.Time(); }), 65204);
}

}  // namespace

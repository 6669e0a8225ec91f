// Windows metafiles as the picture loader plays them.
#include "graphics/metafileimage.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "image_writers.h"
#include "platform/exceptions.h"

namespace {

constexpr uint16_t kSetWindowOrg = 0x020B, kSetWindowExt = 0x020C, kCreateBrush = 0x02FC,
                   kSelectObject = 0x012D, kRectangle = 0x041B, kStretchDib = 0x0F43;

std::unique_ptr<TDibGraphic> LoadWmf(const Bytes& file) {
  return LoadGraphic("drawing.wmf", file, 1);
}

// A red rectangle (100, 100)-(500, 400) on a 1000 × 500 unit window whose
// origin is (x0, 0).
std::vector<Bytes> RedRectangle(int16_t x0) {
  const int16_t kRedLow = 0x00FF, kRedHigh = 0;  // 0x00BBGGRR
  return {WmfRecord(kSetWindowOrg, {0, x0}), WmfRecord(kSetWindowExt, {500, 1000}),
          WmfRecord(kCreateBrush, {0, kRedLow, kRedHigh, 0}), WmfRecord(kSelectObject, {0}),
          WmfRecord(kRectangle,
                    {400, static_cast<int16_t>(x0 + 500), 100, static_cast<int16_t>(x0 + 100)})};
}

// A record that stretches a DIB (rows bottom first, padded; `table` the
// colour table, 4 bytes an entry) over the destination rectangle.
Bytes StretchDib(int32_t w, int32_t h, uint16_t bits, const Bytes& table, const Bytes& rows,
                 int16_t destW, int16_t destH, uint32_t headerSize = 40) {
  Bytes dib(40, 0);
  WriteLE32(&dib[0], headerSize);
  WriteLE32(&dib[4], static_cast<uint32_t>(w));
  WriteLE32(&dib[8], static_cast<uint32_t>(h));
  dib[12] = 1;
  dib[14] = static_cast<uint8_t>(bits);
  // A full table is left uncounted, as most writers do.
  const std::size_t entries = table.size() / 4;
  WriteLE32(&dib[32], entries == (std::size_t{1} << bits) ? 0 : static_cast<uint32_t>(entries));
  dib.insert(dib.end(), table.begin(), table.end());
  dib.insert(dib.end(), rows.begin(), rows.end());
  constexpr int16_t kSrcCopyLow = 0x0020, kSrcCopyHigh = 0x00CC;
  return WmfRecord(kStretchDib,
                   {kSrcCopyLow, kSrcCopyHigh, 0, static_cast<int16_t>(h), static_cast<int16_t>(w),
                    0, 0, destH, destW, 0, 0},
                   dib);
}

// Whether two colours are within a few levels of each other.
bool Near(TColor a, TColor b) {
  return std::abs(RedOf(a) - RedOf(b)) < 8 && std::abs(GreenOf(a) - GreenOf(b)) < 8 &&
         std::abs(BlueOf(a) - BlueOf(b)) < 8;
}

Bytes OnSquarePage(const Bytes& stretch) {
  return WmfFile(
      WmfFrame(0, 0, 1000, 1000, 1000),
      {WmfRecord(kSetWindowOrg, {0, 0}), WmfRecord(kSetWindowExt, {1000, 1000}), stretch});
}

class Metafile : public ::testing::Test {
 protected:
  void TearDown() override { SetMetafileTimeLimit(std::chrono::seconds(20)); }
};

TEST_F(Metafile, PlaceableFrameIsThePageAtScreenResolution) {
  // One inch by half an inch at 1000 units per inch: 96 × 48 pixels. The
  // frame and the drawing use the same window origin, wherever it lies.
  for (const int16_t x0 : {0, 300, -2000}) {
    const auto g = LoadWmf(WmfFile(WmfFrame(x0, 0, x0 + 1000, 500, 1000), RedRectangle(x0)));
    ASSERT_EQ(g->Width(), 96) << x0;
    ASSERT_EQ(g->Height(), 48);
    EXPECT_EQ(g->ImageFormat(), gfTrueColor);
    EXPECT_EQ(g->XDpi(), kScreenPixelsPerInch);
    EXPECT_EQ(g->GetPixel(30, 24), RGBColor(255, 0, 0));  // inside the rectangle
    // The player's page is white where nothing is drawn.
    EXPECT_EQ(g->GetPixel(3, 3), RGBColor(255, 255, 255));
    EXPECT_EQ(g->GetPixel(80, 24), RGBColor(255, 255, 255));
  }
}

TEST_F(Metafile, WithoutAFrameThePageIsWhatTheRecordsDraw) {
  // A metafile that draws nothing has a page of one pixel.
  const auto empty = LoadWmf(WmfFile({}, {}));
  EXPECT_EQ(empty->Width() * empty->Height(), 1);
  const auto g = LoadWmf(WmfFile({}, RedRectangle(0)));
  // 400 × 300 units drawn (plus the pen), read as points at 96 pixels per inch.
  EXPECT_NEAR(g->Width(), 534, 2);
  EXPECT_NEAR(g->Height(), 401, 2);
  EXPECT_EQ(g->GetPixel(g->Width() / 2, g->Height() / 2), RGBColor(255, 0, 0));
}

TEST_F(Metafile, EmbeddedBitmapsAreStretchedOverTheirRectangle) {
  // 8 × 8 pixels of 24 bits, the left half blue, the right half green,
  // stretched over the page; the player smooths, so colours come near.
  Bytes rows;
  for (int i = 0; i < 64; ++i)
    rows.insert(rows.end(), {uint8_t(i % 8 < 4 ? 255 : 0), uint8_t(i % 8 < 4 ? 0 : 255), 0});
  const auto g = LoadWmf(OnSquarePage(StretchDib(8, 8, 24, {}, rows, 1000, 1000)));
  ASSERT_EQ(g->Width(), 96);
  EXPECT_PRED2(Near, g->GetPixel(20, 48), RGBColor(0, 0, 255));
  EXPECT_PRED2(Near, g->GetPixel(70, 48), RGBColor(0, 255, 0));
  // Palette bitmaps with a full table, left uncounted: two indexes in a
  // checkerboard name the same grey, so the page is that grey throughout.
  for (const uint16_t bits : {1, 4, 8}) {
    const int a = bits == 1 ? 0 : 1, b = bits == 1 ? 1 : 3;
    Bytes table(4u << bits, 0);
    for (const int i : {a, b}) table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = 100;
    Bytes checker(96 * 96 * bits / 8, 0);  // 96 pixels make whole 32-bit rows
    for (int y = 0; y < 96; ++y)
      for (int x = 0; x < 96; ++x) {
        const int bit = (y * 96 + x) * bits;
        checker[bit / 8] |= static_cast<uint8_t>(((x + y) % 2 ? b : a) << (8 - bits - bit % 8));
      }
    const auto p = LoadWmf(OnSquarePage(StretchDib(96, 96, bits, table, checker, 1000, 1000)));
    for (const int at : {5, 30, 47, 90})
      EXPECT_PRED2(Near, p->GetPixel(at, at), RGBColor(100, 100, 100)) << bits << " bits";
  }
}

TEST_F(Metafile, MalformedFilesAreRefusedBeforeTheyArePlayed) {
  const Bytes good = WmfFile(WmfFrame(0, 0, 1000, 500, 1000), RedRectangle(0));
  const auto spoiled = [&](std::size_t at, uint8_t value) {
    Bytes b = good;
    b[at] = value;
    return b;
  };
  constexpr std::size_t kHeader = 22, kFirstRecord = 22 + 18;
  const Bytes hugeBitmap = StretchDib(40000, 40000, 24, {}, {}, 10, 10);
  const Bytes shortHeader = StretchDib(2, 1, 24, {}, Bytes(8, 0), 10, 10, 12);
  const struct {
    const char* what;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"placeable header cut short", Bytes(good.begin(), good.begin() + 12)},
      {"zero units per inch", WmfFile(WmfFrame(0, 0, 1000, 500, 0), RedRectangle(0))},
      {"empty frame", WmfFile(WmfFrame(0, 0, 0, 500, 1000), RedRectangle(0))},
      {"unknown metafile type", spoiled(kHeader, 7)},
      {"wrong header size", spoiled(kHeader + 2, 8)},
      {"unknown version", spoiled(kHeader + 5, 0x05)},
      {"record shorter than its header", spoiled(kFirstRecord, 2)},
      {"record past the end", spoiled(kFirstRecord + 2, 1)},
      {"no end record", Bytes(good.begin(), good.end() - 6)},
      {"bitmap larger than any image", WmfFile({}, {hugeBitmap})},
      {"bitmap header too short", WmfFile({}, {shortHeader})},
  };
  for (const auto& c : cases)
    EXPECT_THROW(
        {
          try {
            LoadWmf(c.file);
          } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "Invalid metafile") << c.what;
            throw;
          }
        },
        EInvalidGraphic)
        << c.what;
}

TEST_F(Metafile, LimitsOfTimeAndSize) {
  const Bytes file = WmfFile(WmfFrame(0, 0, 1000, 500, 1000), RedRectangle(0));
  SetMetafileTimeLimit(std::chrono::milliseconds(0));
  try {
    LoadWmf(file);
    FAIL() << "drawn";
  } catch (const EZivuderoError& e) {
    EXPECT_STREQ(e.what(), "Metafile takes too long to draw");
  }
  SetMetafileTimeLimit(std::chrono::seconds(20));
  // 32000 inches wide at one unit per inch.
  try {
    LoadWmf(WmfFile(WmfFrame(0, 0, 32000, 32000, 1), RedRectangle(0)));
    FAIL() << "drawn";
  } catch (const EZivuderoError& e) {
    EXPECT_STREQ(e.what(), "Image too large");
  }
}

TEST_F(Metafile, EnhancedMetafilesAreNotRegistered) {
  try {
    LoadGraphic("drawing.emf", Bytes(100, 0), 1);
    FAIL() << "loaded";
  } catch (const EZivuderoError& e) {
    EXPECT_STREQ(e.what(), "Graphic files of EMF format are not supported or not registered");
  }
}

}  // namespace

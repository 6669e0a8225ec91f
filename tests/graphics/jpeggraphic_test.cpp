// JPEG pictures: grey and RGB output, JFIF density, component counts and
// broken files.
#include "graphics/jpeggraphic.h"

#include <gtest/gtest.h>

#include "image_writers.h"

namespace {

std::unique_ptr<TDibGraphic> Load(const Bytes& file) {
  return LoadGraphic("photo.jpeg", file, 1);
}

TEST(Jpeg, GreyFilesBecome256GreysAndColourFilesTrueColour) {
  const auto grey = Load(WriteJpeg(8, 8, 1, Bytes(64, 77)));
  EXPECT_EQ(grey->ImageFormat(), gfGray256);
  EXPECT_EQ(grey->GetPixel(3, 3), RGBColor(77, 77, 77));
  Bytes rgb;
  for (int i = 0; i < 64; ++i) rgb.insert(rgb.end(), {250, 0, 0});
  const auto colour = Load(WriteJpeg(8, 8, 3, rgb));
  EXPECT_EQ(colour->ImageFormat(), gfTrueColor);
  const TColor c = colour->GetPixel(4, 4);
  // Red stays red: the scanline's red lands in the picture's red byte.
  EXPECT_GT(RedOf(c), 230);
  EXPECT_LT(BlueOf(c), 20);
  EXPECT_LT(GreenOf(c), 20);
}

TEST(Jpeg, ResolutionFromTheJfifDensity) {
  struct Case {
    int unit, x, y, xDpi, yDpi;
  };
  for (const Case c : {Case{1, 300, 200, 300, 200}, Case{2, 118, 79, 300, 201},
                       Case{0, 1, 1, kScreenPixelsPerInch, kScreenPixelsPerInch}}) {
    const auto g = Load(WriteJpeg(8, 8, 1, Bytes(64, 0), c.unit, c.x, c.y));
    EXPECT_EQ(g->XDpi(), c.xDpi) << c.unit;
    EXPECT_EQ(g->YDpi(), c.yDpi) << c.unit;
  }
}

TEST(Jpeg, FourComponentFilesAreRefused) {
  try {
    Load(WriteJpeg(8, 8, 4, Bytes(256, 9)));
    FAIL();
  } catch (const EJpegError& e) {
    EXPECT_STREQ(e.what(), "Invalid number of samples, 4");
  }
}

TEST(Jpeg, BrokenFilesRaiseEJpegError) {
  const Bytes good = WriteJpeg(16, 16, 3, Bytes(768, 128));
  EXPECT_THROW(Load({}), EJpegError);
  EXPECT_THROW(Load({0xFF, 0xD8, 0xFF}), EJpegError);
  EXPECT_THROW(Load(Bytes(good.begin(), good.begin() + 20)), EJpegError);
  // Cut inside the scan: the library fills the rest and the picture loads.
  const auto cut = Load(Bytes(good.begin(), good.end() - 4));
  EXPECT_EQ(cut->Width(), 16);
}

TEST(Jpeg, ProgressFromZeroToHundred) {
  TJpegGraphic g;
  std::vector<int> seen;
  g.OnProgress = [&](void*, uint8_t p) { seen.push_back(p); };
  g.LoadFromBytes(WriteJpeg(8, 4, 1, Bytes(32, 1)));
  EXPECT_EQ(seen, (std::vector<int>{0, 25, 50, 75, 100, 100}));
}

}  // namespace

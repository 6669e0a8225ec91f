// Image transforms: crop, resize, format conversion, anti-alias, negative.
#include "graphics/transforms.h"

#include <gtest/gtest.h>

namespace {

template <typename F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const platform::Exception& e) {
    return e.what();
  }
  return "no error";
}

// A true-colour image whose pixel (x, y) encodes its position.
std::unique_ptr<TDibGraphic> Positions(int32_t w, int32_t h) {
  auto g = std::make_unique<TDibGraphic>();
  g->NewImage(w, h, gfTrueColor, {}, 300, 200);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      g->SetPixel(x, y, RGBColor(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7));
  return g;
}

std::unique_ptr<TDibGraphic> Checkerboard(int32_t w, int32_t h, TGraphicFormat format) {
  auto g = std::make_unique<TDibGraphic>();
  g->NewImage(w, h, format, {}, 0, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) g->SetPixel(x, y, (x + y) % 2 ? RGBColor(255, 255, 255) : 0);
  return g;
}

TEST(Crop, ByRectangleAndByMargins) {
  const auto srcOwner = Positions(200, 100);
  const TDibGraphic& src = *srcOwner;
  TCropTransform crop;
  crop.CropByRect = true;
  crop.CropLeft = 10, crop.CropTop = 20, crop.CropRight = 110, crop.CropBottom = 70;
  TDibGraphic dest;
  crop.ApplyOnDest(src, dest);
  EXPECT_EQ(dest.Width(), 100);
  EXPECT_EQ(dest.Height(), 50);
  EXPECT_EQ(dest.GetPixel(0, 0), src.GetPixel(10, 20));
  EXPECT_EQ(dest.GetPixel(99, 49), src.GetPixel(109, 69));
  EXPECT_EQ(dest.XDpi(), 300);
  crop.CropLeft = 10, crop.CropTop = 0, crop.CropRight = 300, crop.CropBottom = 50;
  crop.ApplyOnDest(src, dest);
  EXPECT_EQ(dest.Width(), 190);

  TCropTransform margins;
  margins.ApplyOnDest(src, dest);
  EXPECT_TRUE(std::equal(src.PackedDib().begin(), src.PackedDib().end(), dest.PackedDib().begin()));
  margins.CropLeft = 150, margins.CropRight = 50;
  EXPECT_EQ(MessageOf([&] { margins.ApplyOnDest(src, dest); }), "Invalid crop parameters");
  margins.CropLeft = -1, margins.CropRight = 0;
  EXPECT_EQ(MessageOf([&] { margins.ApplyOnDest(src, dest); }), "Invalid crop parameters");
}

TEST(Crop, PaletteImagesKeepIndicesAndPalette) {
  TDibGraphic src;
  TPalette p(16, 0);
  p[3] = RGBColor(1, 2, 3), p[4] = RGBColor(1, 2, 3);
  src.NewImage(4, 4, gfColor16, p, 0, 0);
  src.SetPixelIndex(2, 2, 4);
  TCropTransform crop;
  crop.CropLeft = 2, crop.CropTop = 2;
  TDibGraphic dest;
  crop.ApplyOnDest(src, dest);
  EXPECT_EQ(dest.GetPixelIndex(0, 0), 4);
  EXPECT_EQ(dest.Palette(), p);
}

TEST(Resize, StretchModeDependsOnFormatAndSize) {
  struct Case {
    int32_t w, h;
    TGraphicFormat format;
    bool averaged;
  };
  for (const Case c : {Case{40, 20, gfTrueColor, false}, Case{40, 30, gfTrueColor, true},
                       Case{40, 30, gfGray256, false}}) {
    TResizeTransform r;
    r.TargetWidth = c.w / 2, r.TargetHeight = c.h / 2;
    TDibGraphic dest;
    r.ApplyOnDest(*Checkerboard(c.w, c.h, c.format), dest);
    EXPECT_EQ(dest.ImageFormat(), c.format);
    // Averaging a 2 x 2 checker cell gives mid grey (127.5 rounds to even).
    const TColor expected = c.averaged ? RGBColor(128, 128, 128) : RGBColor(0, 0, 0);
    EXPECT_EQ(dest.GetPixel(3, 3), expected) << c.w << "x" << c.h;
  }
}

TEST(Resize, NearestNeighbourRepeatsWholeColumnsAndForcesTheFormat) {
  const auto srcOwner = Positions(3, 2);
  const TDibGraphic& src = *srcOwner;
  TResizeTransform r;
  r.TargetWidth = 6, r.TargetHeight = 2, r.ForceFormat = true, r.ForcedFormat = gfGray256;
  TDibGraphic dest;
  r.ApplyOnDest(src, dest);
  EXPECT_EQ(dest.ImageFormat(), gfGray256);
  EXPECT_EQ(dest.Palette(), StandardPalette(gfGray256));
  r.ForceFormat = false;
  r.ApplyOnDest(src, dest);
  for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(dest.GetPixel(x, 1), src.GetPixel(x / 2, 1)) << x;
}

TEST(Resize, InterpolationWithTheTriangleFilter) {
  TDibGraphic src;
  src.NewImage(3, 2, gfGray256, {}, 0, 0);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) src.SetPixelIndex(x, y, 100 * x);
  TResizeTransform r;
  r.Interpolate = true, r.TargetWidth = 5, r.TargetHeight = 2;
  TDibGraphic dest;
  r.ApplyOnDest(src, dest);
  const int expected[5] = {0, 50, 100, 150, 200};
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(dest.GetPixelIndex(x, 0), expected[x]) << x;
  // Shrinking keeps a flat image flat.
  TDibGraphic flat;
  flat.NewImage(9, 9, gfTrueColor, {}, 0, 0);
  flat.Fill(RGBColor(90, 90, 90));
  r.TargetWidth = 3, r.TargetHeight = 3;
  r.ApplyOnDest(flat, dest);
  EXPECT_EQ(dest.GetPixel(1, 1), RGBColor(90, 90, 90));
  r.TargetWidth = 1;
  EXPECT_EQ(MessageOf([&] { r.ApplyOnDest(flat, dest); }), "Destination graphic too small");
}

TEST(Resize, FilterKernels) {
  EXPECT_FLOAT_EQ(ResizeFilterKernel(rfHermite, 0.5f), 0.5f);
  EXPECT_FLOAT_EQ(ResizeFilterKernel(rfLanczos3, 0.0f), 1.0f);
  EXPECT_FLOAT_EQ(ResizeFilterKernel(rfBell, 1.0f), 0.125f);
  EXPECT_FLOAT_EQ(ResizeFilterKernel(rfTriangle, -0.25f), 0.75f);
  EXPECT_FLOAT_EQ(ResizeFilterKernel(rfBSpline, 0.0f), 2.0f / 3.0f);
  EXPECT_FLOAT_EQ(ResizeFilterKernel(rfMitchell, 0.0f), 16.0f / 18.0f);
  EXPECT_FLOAT_EQ(ResizeFilterKernel(rfMitchell, 2.0f), 0.0f);
  EXPECT_FLOAT_EQ(ResizeFilterSupport(rfLanczos3), 3.0f);
}

TEST(Format, DitheringCarriesTheErrorAlongTheRow) {
  TDibGraphic grey;
  grey.NewImage(4, 1, gfGray256, {}, 0, 0);
  grey.Fill(RGBColor(128, 128, 128));
  TImageFormatTransform t;
  t.TargetFormat = gfBlackWhite;
  TDibGraphic dest;
  t.ApplyOnDest(grey, dest);
  // 128 -> white (error -127, 7/16 truncates to -55), 73 -> black, 159 -> white, 86 -> black.
  const int expected[4] = {1, 0, 1, 0};
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(dest.GetPixelIndex(x, 0), expected[x]) << x;
  t.Dither = false;
  t.ApplyOnDest(grey, dest);
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(dest.GetPixelIndex(x, 0), 1) << x;
}

TEST(Format, ApplyOnlyWhenTheFormatDiffers) {
  TDibGraphic g;
  g.Assign(Positions(4, 4).get());
  const std::vector<uint8_t> before(g.PackedDib().begin(), g.PackedDib().end());
  TImageFormatTransform t;
  t.Apply(g);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), g.PackedDib().begin()));
  TDibGraphic copy;
  t.ApplyOnDest(g, copy);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), copy.PackedDib().begin()));
}

TEST(Format, PaletteBuildingSpreadsTheChoice) {
  TDibGraphic g;
  g.NewImage(4, 3, gfTrueColor, {}, 0, 0);
  const TColor colours[4] = {RGBColor(255, 255, 255), RGBColor(0, 0, 0), RGBColor(255, 0, 0),
                             RGBColor(0, 0, 255)};
  for (int32_t x = 0; x < 4; ++x)
    for (int32_t y = 0; y < 3; ++y) g.SetPixel(x, y, colours[x]);  // each colour 3 times (> 2)
  const TPalette two = BuildImagePalette(g, 2);
  EXPECT_EQ(two, (TPalette{RGBColor(248, 248, 248), RGBColor(0, 0, 0)}));
  const TPalette sixteen = BuildImagePalette(g, 16);
  ASSERT_EQ(sixteen.size(), 16u);
  // Fewer candidates than entries: the candidates in 15-bit order, then black.
  EXPECT_EQ(sixteen[0], RGBColor(0, 0, 0));
  EXPECT_EQ(sixteen[1], RGBColor(0, 0, 248));
  EXPECT_EQ(sixteen[2], RGBColor(248, 0, 0));
  EXPECT_EQ(sixteen[3], RGBColor(248, 248, 248));
  EXPECT_EQ(sixteen[4], RGBColor(0, 0, 0));
  TImageFormatTransform t;
  t.TargetFormat = gfColor16, t.Dither = false;
  t.Apply(g);
  EXPECT_EQ(g.ImageFormat(), gfColor16);
  EXPECT_EQ(g.GetPixel(2, 1), RGBColor(248, 0, 0));
}

TEST(AntiAlias, ShrinksBlackAndWhiteIntoGreys) {
  TDibGraphic bw;
  bw.NewImage(16, 16, gfBlackWhite, {}, 0, 0);
  bw.Fill(RGBColor(255, 255, 255));
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) bw.SetPixelIndex(x, y, 0);
  TAntiAliasTransform a;
  a.TargetWidth = 2, a.TargetHeight = 2;
  TDibGraphic dest;
  a.ApplyOnDest(bw, dest);
  EXPECT_EQ(dest.ImageFormat(), gfGray256);
  EXPECT_EQ(dest.GetPixelIndex(0, 0), 0);
  EXPECT_EQ(dest.GetPixelIndex(1, 0), 255);
  EXPECT_EQ(dest.GetPixelIndex(0, 1), 255);
  EXPECT_EQ(dest.GetPixelIndex(1, 1), 255);
  // Index 0 white: the greys are turned round.
  bw.SetPalette({RGBColor(255, 255, 255), RGBColor(0, 0, 0)});
  a.ApplyOnDest(bw, dest);
  EXPECT_EQ(dest.GetPixelIndex(0, 0), 255);
  EXPECT_EQ(dest.GetPixelIndex(1, 1), 0);
  // A partly covered cell: 4 x 4 cells of 16 x 16, one black pixel in 20 -> (20 - 5) * 255 / 20.
  TDibGraphic half;
  half.NewImage(8, 8, gfBlackWhite, {}, 0, 0);
  half.Fill(RGBColor(255, 255, 255));
  for (int32_t y = 0; y < 5; ++y) half.SetPixelIndex(0, y, 0);
  a.TargetWidth = 2, a.TargetHeight = 2;
  a.ApplyOnDest(half, dest);
  EXPECT_EQ(dest.GetPixelIndex(0, 0), (20 - 5) * 255 / 20);
  // Other formats are copied unchanged; Apply leaves them alone.
  const auto colourOwner = Positions(3, 3);
  const TDibGraphic& colour = *colourOwner;
  a.ApplyOnDest(colour, dest);
  EXPECT_EQ(dest.GetPixel(2, 1), colour.GetPixel(2, 1));
}

TEST(Negative, BytesChannelsOrPaletteEntries) {
  TDibGraphic bw;
  bw.NewImage(3, 1, gfBlackWhite, {}, 0, 0);
  TNegativeTransform n;
  n.Apply(bw);
  EXPECT_EQ(bw.ScanLine(0)[0], 0xFF);
  EXPECT_EQ(bw.ScanLine(0)[3], 0xFF);  // padding too
  TDibGraphic tc;
  tc.Assign(Positions(2, 1).get());
  n.Apply(tc);
  EXPECT_EQ(tc.GetPixel(1, 0), RGBColor(254, 255, 248));
  TDibGraphic c16;
  c16.NewImage(2, 1, gfColor16, {}, 0, 0);
  c16.SetPixelIndex(1, 0, 6);
  TDibGraphic dest;
  n.ApplyOnDest(c16, dest);
  EXPECT_EQ(dest.GetPixelIndex(1, 0), 6);
  EXPECT_EQ(dest.GetPixel(1, 0), RGBColor(85, 170, 255));
  EXPECT_EQ(c16.GetPixel(1, 0), RGBColor(170, 85, 0));
}

TEST(TransformBase, UnimplementedApplyOnDestAndProgress) {
  TImageTransform base;
  TDibGraphic a, b;
  EXPECT_EQ(MessageOf([&] { base.ApplyOnDest(a, b); }),
            "Method \"ApplyOnDest\" not implemented for TImageTransform class");
  std::vector<int> seen;
  TCropTransform crop;
  crop.OnProgress = [&](void*, uint8_t p) { seen.push_back(p); };
  crop.ApplyOnDest(*Positions(4, 3), b);
  EXPECT_EQ(seen, (std::vector<int>{0, 33, 66, 100}));
}

}  // namespace

// Rotation is the raster's, seen through the picture: a quarter turn moves
// every pixel exactly, other angles grow the canvas and fill the corners with
// the background, or with its nearest palette entry; format and palette stay.
TEST(Rotate, TurnsThePictureOnAGrownCanvasKeepingItsFormat) {
  const auto positions = Positions(6, 4);
  TRotateTransform rotate;
  rotate.Angle = 90;
  TDibGraphic turned;
  rotate.ApplyOnDest(*positions, turned);
  ASSERT_EQ(turned.Width(), 4);
  ASSERT_EQ(turned.Height(), 6);
  EXPECT_EQ(turned.XDpi(), 200);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 4; ++x)
      EXPECT_EQ(turned.GetPixel(x, y), positions->GetPixel(y, 3 - x)) << x << "," << y;

  struct Case {
    TGraphicFormat format;
    TColor background, corner;
  };
  TPalette twoColours = {RGBColor(0, 0, 255), RGBColor(250, 250, 0)};
  for (const Case& c : {Case{gfTrueColor, RGBColor(1, 2, 3), RGBColor(1, 2, 3)},
                        Case{gfGray256, RGBColor(90, 90, 90), RGBColor(90, 90, 90)},
                        Case{gfColor16, RGBColor(255, 255, 0), RGBColor(250, 250, 0)}}) {
    TDibGraphic source;
    source.NewImage(40, 20, c.format, c.format == gfColor16 ? twoColours : TPalette{}, 150, 150);
    rotate.Angle = -20;
    rotate.Background = c.background;
    rotate.ApplyOnDest(source, turned);
    EXPECT_EQ(turned.ImageFormat(), c.format);
    EXPECT_EQ(turned.Palette(), source.Palette());
    EXPECT_EQ(turned.Width(), 45);  // ceil(40 cos 20 + 20 sin 20)
    EXPECT_EQ(turned.Height(), 33);
    EXPECT_EQ(turned.GetPixel(0, 0), c.corner) << c.format;
    EXPECT_EQ(turned.GetPixel(22, 16), source.GetPixel(0, 0)) << c.format;
  }
}

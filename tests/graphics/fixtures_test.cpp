// Sample files of every kind the scanners deliver load with the size, format
// and resolution their truth gives.
#include <gtest/gtest.h>

#include <string>

#include "graphics/dibgraphic.h"

namespace {

struct Sample {
  const char* file;
  int32_t width, height;
  TGraphicFormat format;
  int32_t dpi;
};

class FixtureTest : public testing::TestWithParam<Sample> {};

TEST_P(FixtureTest, LoadsWithItsTruth) {
  const Sample& s = GetParam();
  const auto g = LoadGraphicFromFile(std::string(VEREVIZU_TEST_DATA) + "/" + s.file, 1);
  EXPECT_EQ(g->Width(), s.width);
  EXPECT_EQ(g->Height(), s.height);
  EXPECT_EQ(g->ImageFormat(), s.format);
  EXPECT_EQ(g->XDpi(), s.dpi);
  EXPECT_EQ(g->YDpi(), s.dpi);
}

// PNG files carry no resolution the reader uses: they get the screen's.
INSTANTIATE_TEST_SUITE_P(Samples, FixtureTest,
                         testing::Values(Sample{"note_eur_05.tif", 1157, 646, gfBlackWhite, 200},
                                         Sample{"note_usd_03.tif", 1228, 522, gfGray256, 200},
                                         Sample{"note_eur_02.jpg", 1000, 528, gfTrueColor, 200},
                                         Sample{"bc_code39_m2.tif", 442, 120, gfBlackWhite, 300},
                                         Sample{"bc_code39_m2.png", 432, 120, gfColor256,
                                                kScreenPixelsPerInch}));

// Ink must stay dark whatever the file's photometric convention: on every
// sample most of the picture is light paper.
TEST(FixtureInk, PaperIsLightOnEverySample) {
  for (const char* file : {"note_eur_05.tif", "note_usd_03.tif", "bc_code39_m2.tif",
                           "note_eur_02.jpg", "bc_code39_m2.png"}) {
    const auto g = LoadGraphicFromFile(std::string(VEREVIZU_TEST_DATA) + "/" + file, 1);
    int64_t dark = 0;
    for (int32_t y = 0; y < g->Height(); ++y)
      for (int32_t x = 0; x < g->Width(); ++x) dark += GreenOf(g->GetPixel(x, y)) < 128;
    EXPECT_LT(dark * 10, int64_t{g->Width()} * g->Height() * 3) << file;
  }
}

}  // namespace

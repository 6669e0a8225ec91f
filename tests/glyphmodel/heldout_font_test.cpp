// The compiled-in classifier on glyphs of fonts it was never trained on
// (drawn once with `train_glyph_model draw`, from Debian's fonts-courier-prime,
// fonts-go, fonts-jetbrains-mono and fonts-inconsolata): every serial
// character, each judged among the characters of its kind as a serial
// position asks. (Go Mono's asterisk is five loose petals, no one glyph:
// left out.)
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "glyphmodel/glyphclassifier.h"
#include "graphics/dibgraphic.h"
#include "image/blobs.h"
#include "image/dibops.h"
#include "image/dibunit.h"

namespace {

const std::string kGlyphs = std::string(VEREVIZU_TEST_DATA) + "/glyphs/";

// The glyphs of a drawn line, left to right: the ink components of the
// picture binarised at its Otsu threshold (but for those inside another's
// box, like the dot of a dotted zero), and that threshold.
struct TLine {
  std::unique_ptr<TDIB> Grey;
  std::uint8_t Threshold = 0;
  std::vector<TRect> Glyphs;
};

TLine ReadLine(const std::string& file) {
  TLine line;
  line.Grey = std::make_unique<TDIB>();
  line.Grey->AttachBlock(LoadGraphicFromFile(kGlyphs + file, 1)->ExportPackedDib());
  line.Grey->ConvertTo(df8Bit);
  THistogram histogram;
  line.Grey->Histogram(histogram);
  line.Threshold = static_cast<std::uint8_t>(OtsuThreshold(histogram) + 1);
  std::unique_ptr<TDIB> bilevel = line.Grey->Duplicate();
  bilevel->ApplyThreshold(line.Threshold - 1, true, 0, 255);
  TBlobList blobs;
  bilevel->FindBlobs(8, 1, 1, 4, &blobs);
  for (int32_t i = 0; i < blobs.Count(); ++i) {
    const TBlobRec& b = blobs.Items(i);
    line.Glyphs.push_back(TRect{b.Left, b.Top, b.Right, b.Bottom});
  }
  std::erase_if(line.Glyphs, [&](const TRect& inner) {
    return std::any_of(line.Glyphs.begin(), line.Glyphs.end(), [&](const TRect& outer) {
      return !(outer == inner) && outer.Left <= inner.Left && inner.Right <= outer.Right &&
             outer.Top <= inner.Top && inner.Bottom <= outer.Bottom;
    });
  });
  std::sort(line.Glyphs.begin(), line.Glyphs.end(),
            [](const TRect& a, const TRect& b) { return a.Left < b.Left; });
  return line;
}

}  // namespace

TEST(HeldOutFonts, TheClassifierReadsEverySerialCharacterOfFontsItNeverSaw) {
  struct Case {
    const char* file;
    const char* text;
  };
  const Case cases[] = {
      {"g_CourierPrime_1.bmp", "ABCDEFGHIJKLM"},
      {"g_CourierPrime_2.bmp", "NOPQRSTUVWXYZ*"},
      {"g_CourierPrime_3.bmp", "0123456789"},
      {"g_Go-Mono-Bold_1.bmp", "ABCDEFGHIJKLM"},
      {"g_Go-Mono-Bold_2.bmp", "NOPQRSTUVWXYZ"},
      {"g_Go-Mono-Bold_3.bmp", "0123456789"},
      {"g_JetBrainsMono-Regular_1.bmp", "ABCDEFGHIJKLM"},
      {"g_JetBrainsMono-Regular_2.bmp", "NOPQRSTUVWXYZ*"},
      {"g_JetBrainsMono-Regular_3.bmp", "0123456789"},
      {"g_Inconsolata_1.bmp", "ABCDEFGHIJKLM"},
      {"g_Inconsolata_2.bmp", "NOPQRSTUVWXYZ*"},
      {"g_Inconsolata_3.bmp", "0123456789"},
  };
  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ*", digits = "0123456789";
  for (const Case& c : cases) {
    const TLine line = ReadLine(c.file);
    const std::string text = c.text;
    ASSERT_EQ(line.Glyphs.size(), text.size()) << c.file;
    std::string read;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const bool digit = digits.find(text[i]) != std::string::npos;
      read += JudgeGlyph(*line.Grey, line.Threshold, line.Glyphs[i])
                  .Among(digit ? digits : letters)
                  .Best;
    }
    EXPECT_EQ(read, text) << c.file;
  }
}

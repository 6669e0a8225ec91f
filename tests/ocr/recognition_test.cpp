#include "ocr/recognition.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ascii_raster.h"
#include "classifier/classifier.h"
#include "ocr/omnifontocr.h"
#include "sheet_glyphs.h"

using testing_raster::ArtValue;
using testing_raster::DrawRaster;
using testing_raster::kThreshold;
using testing_raster::MakeRaster;

namespace {

using Art = std::vector<std::string>;

// A page of paper with a text line of top 10, mean line 20, baseline 40 and
// bottom 48; glyphs are painted from art or as ink rectangles.
class PageTest : public ::testing::Test {
 protected:
  void MakePage(int32_t width, int32_t height = 52) {
    page = std::make_unique<TDIB>();
    page->NewImage(width, height, df8Bit, 96, 96);
    page->Fill(248);
  }
  void Paint(int32_t x0, int32_t x1, int32_t y0, int32_t y1, std::uint8_t value = 0) {
    for (int32_t y = y0; y <= y1; ++y) {
      for (int32_t x = x0; x <= x1; ++x) page->Row(y)[x] = value;
    }
  }
  void PaintArt(int32_t x0, int32_t y0, const Art& art) {
    for (size_t j = 0; j < art.size(); ++j) {
      for (size_t i = 0; i < art[j].size(); ++i) {
        page->Row(y0 + static_cast<int32_t>(j))[x0 + i] = ArtValue(art[j][i]);
      }
    }
  }
  TCharRecord Record(int32_t left, int32_t top, int32_t right, int32_t bottom) const {
    TCharRecord r;
    r.Left = left;
    r.Top = top;
    r.Right = right;
    r.Bottom = bottom;
    r.LineTop = 10;
    r.LineMean = 20;
    r.LineBase = 40;
    r.LineBottom = 48;
    r.Raster = page.get();
    return r;
  }

  TOmnifontOCR engine;
  std::unique_ptr<TDIB> page;
};

using DetectAccentTest = PageTest;

TEST_F(DetectAccentTest, NamesTheMarkAboveAGlyph) {
  struct Case {
    const char* name;
    int32_t bodyLeft, bodyRight;  // the glyph's body spans rows 20..40
    int32_t markLeft;
    Art mark;  // painted from row 12
    int32_t marks;
    char16_t accent;
  } const cases[] = {
      {"acute", 4, 13, 4, {"......##..", ".....##...", "....##...."}, 1, accAcute},
      {"grave", 4, 13, 4, {"..##......", "...##.....", "....##...."}, 1, accGrave},
      {"macron", 4, 13, 4, {"##########", "##########"}, 1, accMacron},
      {"dot above", 4, 6, 4, {"###", "###", "###"}, 1, accDotAbove},
      {"circumflex", 4, 13, 4, {"....##....", "...#..#...", "..#....#.."}, 1, accCircumflex},
      {"caron", 4, 13, 4, {"..#....#..", "...#..#...", "....##...."}, 1, accCaron},
      {"breve",
       2,
       17,
       2,
       {"..#..........#..", "..#..........#..", "..##........##..", "...###....###...",
        ".....######....."},
       1,
       accBreve},
      {"tilde", 4, 13, 4, {"..##....#.", ".#..#..#..", ".#....##.."}, 1, accTilde},
      {"ring above", 4, 8, 4, {".###.", "#...#", "#...#", "#...#", ".###."}, 1, accRingAbove},
      {"diaeresis", 4, 13, 4, {".##....##.", ".##....##."}, 2, accDiaeresis},
      {"no shape", 4, 13, 4, {"##########", "#.#.#.#.#."}, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MakePage(24);
    Paint(c.bodyLeft, c.bodyRight, 20, 40);
    PaintArt(c.markLeft, 12, c.mark);
    TCharRecord r = Record(c.bodyLeft, 12, c.bodyRight, 40);
    char16_t found = u'?';
    EXPECT_EQ(DetectAccent(engine, r, kThreshold, &found, 1), c.marks);
    EXPECT_EQ(int(found), int(c.accent));
    EXPECT_EQ(r.MarksAbove, c.marks);
    EXPECT_EQ(int(r.Accent), int(c.accent));
    EXPECT_EQ(r.Top, 12) << "mode 1 keeps the top on the mark";
  }
}

TEST_F(DetectAccentTest, TwoDotsAreFoundOnInkThatLabellingMarked) {
  // After labelling every ink pixel of the working raster carries mark 7.
  MakePage(24);
  Paint(4, 13, 20, 40, 7);
  PaintArt(4, 12, {".++....++.", ".++....++."});
  TCharRecord r = Record(4, 12, 13, 40);
  char16_t found = 0;
  EXPECT_EQ(DetectAccent(engine, r, kThreshold, &found, 1), 2);
  EXPECT_EQ(found, accDiaeresis);
}

TEST_F(DetectAccentTest, ModesDecideWhatIsWritten) {
  MakePage(24);
  Paint(4, 13, 20, 40);
  PaintArt(4, 12, {"......##..", ".....##...", "....##...."});
  // Mode 0 only measures.
  TCharRecord r = Record(4, 12, 13, 40);
  char16_t found = 0;
  EXPECT_EQ(DetectAccent(engine, r, kThreshold, &found, 0), 1);
  EXPECT_EQ(found, accAcute);
  EXPECT_EQ(r.MarksAbove, 0);
  EXPECT_EQ(r.Accent, 0);
  EXPECT_EQ(r.Top, 12);
  // Mode 2 also moves the top to the blank row below a single mark...
  EXPECT_EQ(DetectAccent(engine, r, kThreshold, nullptr, 2), 1);
  EXPECT_EQ(r.Top, 15);
  EXPECT_EQ(r.Accent, accAcute);
  // ...and to the body below two marks.
  MakePage(24);
  Paint(4, 13, 20, 40);
  PaintArt(4, 12, {".##....##.", ".##....##."});
  r = Record(4, 12, 13, 40);
  EXPECT_EQ(DetectAccent(engine, r, kThreshold, nullptr, 2), 2);
  EXPECT_EQ(r.Top, 20);
}

TEST_F(DetectAccentTest, AMarkJoinedToTheNextLettersAscenderIsNoMark) {
  MakePage(24);
  Paint(4, 13, 20, 40);
  PaintArt(4, 12, {"......####", "......####"});
  Paint(14, 14, 10, 40);  // the neighbour's stem just right of the box
  TCharRecord r = Record(4, 12, 13, 40);
  r.Accent = accGrave;
  r.MarksAbove = 2;
  char16_t found = u'?';
  EXPECT_EQ(DetectAccent(engine, r, kThreshold, &found, 1), 0);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(r.MarksAbove, 0);
  EXPECT_EQ(r.Accent, 0);
  EXPECT_EQ(r.Top, 12) << "the first row with ink stays the top";
}

TEST_F(DetectAccentTest, GivesUpOnSmallOrLowGlyphs) {
  MakePage(24);
  Paint(4, 13, 30, 33);
  TCharRecord r = Record(4, 30, 13, 33);  // H = 4
  r.Accent = accGrave;
  char16_t found = u'?';
  EXPECT_EQ(DetectAccent(engine, r, kThreshold, &found, 2), 0);
  EXPECT_EQ(found, u'?') << "nothing written";
  EXPECT_EQ(r.Accent, accGrave);
  // A glyph lying wholly above the middle of top line and mean line.
  MakePage(24);
  Paint(4, 13, 2, 12);
  r = Record(4, 2, 13, 12);
  r.Accent = accGrave;
  EXPECT_EQ(DetectAccent(engine, r, kThreshold, &found, 2), 0);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(r.Accent, accGrave) << "the record is not touched";
}

TEST_F(PageTest, IsolationKeepsTheSeedComponentAndThoseCrossingTheMiddle) {
  page = MakeRaster({
      "##........",
      "....#.....",
      "....#...#.",
      "....#...#.",
      "..#.....#.",
      "..#.......",
      "..#.##....",
      "..........",
  });
  TCharRecord r = Record(0, 0, 9, 7);
  r.SeedX = 4;
  r.SeedY = 1;
  const auto k = IsolateGlyph(engine, r, kThreshold);
  // Kept: the seed's stem, the stroke crossing row 4 (Hc div 2) at x = 2 and
  // the one crossing row 6 (Hc - 1 - Hc div 8) at x = 5..6; dropped: the
  // corner speck and the stroke at x = 8, outside the middle half 2..6.
  EXPECT_EQ(DrawRaster(*k), (Art{
                                "..........",
                                "....?.....",
                                "....?.....",
                                "....?.....",
                                "..?.......",
                                "..?.......",
                                "..?.??....",
                                "..........",
                            }));
  EXPECT_EQ(k->Row(1)[4], 1) << "kept ink carries mark 1";
  EXPECT_EQ(page->Row(1)[4], 0) << "the working raster is not changed";
}

using RecogniseBoxTest = PageTest;

TEST_F(RecogniseBoxTest, AHugeBoxIsNotText) {
  MakePage(160, 160);
  Paint(5, 154, 5, 154);
  TCharRecord r = Record(0, 0, 159, 159);
  EXPECT_EQ(RecogniseBox(engine, r, kThreshold, 0), NonTextMark);
  EXPECT_EQ(r.Ch, NoChar);
  EXPECT_EQ(r.CandCount, 0);
  EXPECT_EQ(r.Left, 5) << "the box is trimmed first";
  EXPECT_EQ(r.Bottom, 154);
}

TEST_F(RecogniseBoxTest, TrimsTheBoxAndReadsADash) {
  MakePage(20);
  Paint(4, 15, 28, 29);
  TCharRecord r = Record(1, 24, 18, 33);
  EXPECT_EQ(RecogniseBox(engine, r, kThreshold, 0), u'-');
  EXPECT_EQ(r.Ch, u'-');
  EXPECT_EQ(r.Left, 4);
  EXPECT_EQ(r.Top, 28);
  EXPECT_EQ(r.Right, 15);
  EXPECT_EQ(r.Bottom, 29);
  EXPECT_EQ(engine.Pass, 0) << "the pass counter is left as found";
}

TEST_F(RecogniseBoxTest, AFlatFootJoiningTwoStemsIsCut) {
  MakePage(20);
  PaintArt(6, 30,
           {
               ".######.",
               ".#....#.",
               ".#....#.",
               ".#....#.",
               ".#....#.",
               "########",
           });
  TCharRecord r = Record(6, 30, 13, 35);
  r.LineTop = r.LineMean = r.LineBase = r.LineBottom = 0;
  RecogniseBox(engine, r, kThreshold, 0);
  EXPECT_EQ(page->Row(35)[10], 176) << "the middle of the foot is painted paper";
  EXPECT_EQ(page->Row(35)[9], 0);
  EXPECT_EQ(page->Row(35)[11], 0);
}

TEST_F(RecogniseBoxTest, GreySourcesRetryWithAShiftedThreshold) {
  // A bar whose core is light grey: ink only at threshold 128 + 32.
  for (const bool bilevel : {false, true}) {
    SCOPED_TRACE(bilevel ? "bilevel source" : "grey source");
    MakePage(20);
    Paint(2, 13, 27, 30);
    Paint(3, 12, 28, 29, 136);
    engine.SourceBilevel = bilevel;
    TCharRecord r = Record(2, 27, 13, 30);
    r.SeedX = 2;
    r.SeedY = 27;
    const char16_t result = RecogniseBox(engine, r, kThreshold, 0);
    if (bilevel) {
      EXPECT_EQ(r.CandCount, 0);
      EXPECT_EQ(result, NoChar);
    } else {
      EXPECT_EQ(result, u'-');
      EXPECT_EQ(r.Cands[0], u'-');
      EXPECT_EQ(r.Confs[0], 99);
    }
  }
}

TEST_F(RecogniseBoxTest, AGlyphUnreadableWithItsMarkIsReadBelowItAndGetsItsBoxBack) {
  MakePage(20);
  Paint(2, 13, 28, 29);
  PaintArt(2, 20, {"........##..", ".......##...", "......##...."});
  TCharRecord r = Record(2, 20, 13, 29);
  // The bar below a detached mark reads as the equals sign.
  EXPECT_EQ(RecogniseBox(engine, r, kThreshold, 0), u'=');
  EXPECT_EQ(r.Ch, u'=');
  EXPECT_EQ(r.MarksAbove, 1);
  EXPECT_EQ(r.Accent, accAcute);
  EXPECT_EQ(r.Top, 20);
  EXPECT_EQ(r.Bottom, 29);
  EXPECT_EQ(engine.Pass, 0);
}

TEST_F(RecogniseBoxTest, TheLoopReadsOnlyRecordsWithoutAReading) {
  MakePage(20);
  Paint(2, 13, 28, 29);
  engine.Threshold = kThreshold;
  auto unread = std::make_unique<TCharRecord>(Record(2, 28, 13, 29));
  auto read = std::make_unique<TCharRecord>(Record(2, 28, 13, 29));
  read->Ch = u'x';
  engine.Characters.push_back(std::move(unread));
  engine.Characters.push_back(std::move(read));
  RecognitionLoop(engine);
  EXPECT_EQ(engine.Characters[0]->Ch, u'-');
  EXPECT_EQ(engine.Characters[1]->Ch, u'x');
  EXPECT_EQ(engine.Characters[1]->CandCount, 0);
}

TEST(BilevelRetries, CleanTheGlyphInkNotItsMarks) {
  // The isolated glyph's ink carries the fill mark (value 7 here); it must
  // stay black through the 1-bit round trip.
  auto crop = MakeRaster({
      ".......",
      ".++.++.",
      ".++.++.",
      ".......",
  });
  FillGlyphGaps(*crop, kThreshold);
  EXPECT_EQ(crop->Format(), df8Bit);
  EXPECT_EQ(DrawRaster(*crop), (Art{
                                   "-------",
                                   "-#####-",
                                   "-#####-",
                                   "-------",
                               }));
  // Smoothing removes a lone speck.
  auto speck = MakeRaster({
      ".....",
      ".....",
      "..+..",
      ".....",
      ".....",
  });
  SmoothGlyph(*speck, kThreshold);
  EXPECT_EQ(speck->Format(), df8Bit);
  EXPECT_EQ(DrawRaster(*speck), Art(5, "-----"));
}

TEST(RecogniseBoxAccent, AnEWithADetachedAcuteReadsAsEAcuteOnItsFullBox) {
  const std::string path = std::string(VEREVIZU_TEST_DATA) + "/glyphs/letters_a_l.txt";
  const sheet_glyphs::TSheetGlyph* e = nullptr;
  const auto glyphs = sheet_glyphs::ReadSheetGlyphs(path);
  for (const auto& g : glyphs) {
    if (g.font == "LiberationSans_10pt" && g.ch == u'e') e = &g;
  }
  ASSERT_NE(e, nullptr);
  auto page = MakeRaster(e->art);
  // An acute accent in the blank rows above the letter.
  for (int32_t k = 0; k < 4; ++k) {
    for (int32_t x = 14 - k; x <= 17 - k; ++x) page->Row(5 + k)[x] = 0;
  }
  TOmnifontOCR engine;
  engine.NumericOnly = false;
  TCharRecord r;
  r.Left = e->left;
  r.Top = 5;
  r.Right = e->right;
  r.Bottom = e->bottom;
  r.LineTop = e->lineTop;
  r.LineMean = e->lineMean;
  r.LineBase = e->lineBase;
  r.LineBottom = e->lineBottom;
  r.Raster = page.get();
  EXPECT_EQ(int(RecogniseBox(engine, r, kThreshold, 0)), 0xE9);
  EXPECT_EQ(int(r.Ch), 0xE9);
  EXPECT_EQ(r.MarksAbove, 1);
  EXPECT_EQ(r.Accent, accAcute);
  EXPECT_EQ(r.Top, 5) << "the box is the full box again";
  EXPECT_EQ(r.Bottom, e->bottom);
}

TEST(RecogniseBoxRobustness, RandomGlyphsAtTheRasterBordersStayInside) {
  // Boxes reaching the raster's edges, odd line heights and every retry path:
  // the sanitizers catch any read outside a raster.
  std::mt19937 random(7);
  auto pick = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  for (int trial = 0; trial < 300; ++trial) {
    const int32_t w = pick(1, 30), h = pick(1, 40);
    Art art(h, std::string(w, '.'));
    const int32_t density = pick(10, 80);
    for (auto& row : art) {
      for (char& c : row) c = pick(1, 100) <= density ? '#' : '.';
    }
    auto page = MakeRaster(art);
    TOmnifontOCR engine;
    engine.NumericOnly = trial % 3 == 0;
    engine.SourceBilevel = trial % 2 == 0;
    TCharRecord r;
    r.Left = pick(0, w - 1);
    r.Right = pick(r.Left, w - 1);
    r.Top = pick(0, h - 1);
    r.Bottom = pick(r.Top, h - 1);
    r.SeedX = pick(-2, w + 1);
    r.SeedY = pick(-2, h + 1);
    if (trial % 4 != 0) {
      r.LineTop = pick(0, h);
      r.LineMean = pick(r.LineTop, h);
      r.LineBase = pick(r.LineMean, h + 2);
      r.LineBottom = pick(r.LineBase, h + 4);
    }
    r.Raster = page.get();
    RecogniseBox(engine, r, kThreshold, 0);
    EXPECT_EQ(engine.Pass, 0);
    EXPECT_GE(r.CandCount, 0);
    EXPECT_LE(r.CandCount, 9);
  }
}

TEST(RecogniseBoxRobustness, SheetGlyphsCutToTheirBoxesStayInside) {
  // Every glyph alone on a raster no larger than its box, so that probes
  // reaching past the box meet the raster's edge.
  for (const char* file : {"/glyphs/letters_a_l.txt", "/glyphs/letters_m_z.txt"}) {
    for (const auto& g : sheet_glyphs::ReadSheetGlyphs(std::string(VEREVIZU_TEST_DATA) + file)) {
      SCOPED_TRACE(g.font + " " + std::to_string(int(g.ch)));
      Art art;
      for (int32_t y = g.top; y <= g.bottom; ++y) {
        art.push_back(g.art[y].substr(g.left, g.right - g.left + 1));
      }
      auto page = MakeRaster(art);
      TOmnifontOCR engine;
      engine.NumericOnly = false;
      TCharRecord r;
      r.Right = g.right - g.left;
      r.Bottom = g.bottom - g.top;
      r.LineTop = g.lineTop - g.top;
      r.LineMean = g.lineMean - g.top;
      r.LineBase = g.lineBase - g.top;
      r.LineBottom = g.lineBottom - g.top;
      r.Raster = page.get();
      RecogniseBox(engine, r, kThreshold, 0);
      EXPECT_EQ(engine.Pass, 0);
    }
  }
}

}  // namespace

// The second opinion on "I" against "L", on glyphs drawn by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "serial/confusablepairs.h"

using namespace serial_detail;

namespace {

using Art = std::vector<std::string>;

// The art ('#' ink) on a sheet of paper, and the record of its ink box.
struct TDrawnGlyph {
  explicit TDrawnGlyph(const Art& art) {
    TDIB crop;
    const int32_t h = static_cast<int32_t>(art.size()), w = static_cast<int32_t>(art[0].size());
    crop.NewImage(w + 4, h + 4, df8Bit, 200, 200);
    crop.FillWhite();
    glyph.Left = glyph.Top = 1000;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        if (art[y][x] != '#') continue;
        crop.Row(y + 2)[x + 2] = 0;
        glyph.Left = std::min(glyph.Left, x + 2);
        glyph.Right = std::max(glyph.Right, x + 2);
        glyph.Top = std::min(glyph.Top, y + 2);
        glyph.Bottom = std::max(glyph.Bottom, y + 2);
      }
    }
    sheet = std::make_unique<TGlyphSheet>(crop, 128);
  }
  std::unique_ptr<TGlyphSheet> sheet;
  TCharRecord glyph;
};

// Eighteen rows: a head of rows 0 to 2 and a foot of rows 15 to 17.
Art Glyph(const std::string& head, const std::string& stem, const std::string& foot) {
  Art art(3, head);
  art.insert(art.end(), 12, stem);
  art.insert(art.end(), 3, foot);
  return art;
}

}  // namespace

TEST(ConfusablePairs, TheFootTellsIFromL) {
  const Art bareStem = Glyph("###", "###", "###");
  const Art serifI = Glyph("#######", "..###..", "#######");
  const Art footRight = Glyph("###......", "###......", "#########");
  // A foot that runs out to the left is neither an I nor an L.
  const Art footLeft = Glyph("......###", "......###", "#########");
  struct Case {
    const char* what;
    const Art& art;
    char read;
    char settled;
  };
  const Case cases[] = {
      {"bare stem", bareStem, 'L', 'I'},   {"serif I", serifI, 'L', 'I'},
      {"serif I", serifI, 'I', 'I'},       {"foot right", footRight, 'I', 'L'},
      {"foot left", footLeft, 'I', 'I'},   {"foot left", footLeft, 'L', 'L'},
      {"foot right", footRight, 'E', 'E'},  // other readings are not the pair's
      {"foot right", footRight, 0, 0},
  };
  for (const Case& c : cases) {
    const TDrawnGlyph g(c.art);
    EXPECT_EQ(SettleConfusablePair(*g.sheet, g.glyph, c.read), c.settled)
        << c.what << " read " << (c.read == 0 ? '0' : c.read);
  }
}

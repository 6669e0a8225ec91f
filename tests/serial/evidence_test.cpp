// The election of the verified reading on zones drawn by hand: every
// character is printed as its own pattern of cells, so that one character
// printed twice gives identical glyphs and two characters clearly different
// ones, and each zone says what the recogniser read there.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "serial/serialevidence.h"
#include "serial/serialvalidation.h"

using namespace serial_detail;

namespace {

constexpr int32_t kCell = 3;  // pixels per pattern cell
constexpr int32_t kColumns = 4, kRows = 6;
constexpr int32_t kGlyphWidth = kColumns * kCell + 2, kGlyphHeight = kRows * kCell + 2;
constexpr int32_t kGap = 4;
constexpr char kNone = '~';

// Whether a cell of a character's pattern is ink: a scramble of the code, so
// that two characters differ in about half of their cells. A lower-case
// letter a to j prints the digit 0 to 9 smudged, two neighbouring cells
// inverted: too unlike the digit to be the same glyph, too like it to be
// told apart from it.
bool CellInk(char ch, int32_t column, int32_t row) {
  if (ch >= 'a' && ch <= 'j') {
    const bool smudge = row == 2 && (column == 1 || column == 2);
    return CellInk(static_cast<char>('0' + (ch - 'a')), column, row) != smudge;
  }
  uint32_t h = static_cast<unsigned char>(ch) * 0x9E3779B1u;
  h ^= h >> 15;
  h *= 0x85EBCA77u;
  h ^= h >> 13;
  return (h >> (row * kColumns + column)) & 1;
}

// One zone: the glyphs of `printed` in a row, each in a one-pixel frame (so
// all boxes have one size), read as `read` (kNone: nothing) at `confidence`.
TZoneObservation Zone(std::string_view currency, std::string_view printed, std::string_view read,
                      int32_t source, int32_t confidence = 100) {
  TDIB crop;
  crop.NewImage(static_cast<int32_t>(printed.size()) * (kGlyphWidth + kGap) + kGap,
                kGlyphHeight + 2 * kGap, df8Bit, 200, 200);
  crop.FillWhite();
  TZoneObservation z;
  z.Source = source;
  z.Layout = SerialLayout(currency, printed.size());
  for (std::size_t i = 0; i < printed.size(); ++i) {
    TCharRecord g;
    g.Left = kGap + static_cast<int32_t>(i) * (kGlyphWidth + kGap);
    g.Top = kGap;
    g.Right = g.Left + kGlyphWidth - 1;
    g.Bottom = g.Top + kGlyphHeight - 1;
    for (int32_t y = g.Top; y <= g.Bottom; ++y) {
      for (int32_t x = g.Left; x <= g.Right; ++x) {
        const bool frame = x == g.Left || x == g.Right || y == g.Top || y == g.Bottom;
        const int32_t column = (x - g.Left - 1) / kCell, row = (y - g.Top - 1) / kCell;
        if (frame || CellInk(printed[i], column, row)) crop.Row(y)[x] = 0;
      }
    }
    if (read[i] != kNone) {
      g.CandCount = 1;
      g.Cands[0] = static_cast<char16_t>(read[i]);
      g.Confs[0] = static_cast<uint16_t>(confidence);
      g.Ch = g.Cands[0];
    }
    z.Glyphs.push_back(g);
  }
  z.Sheet = std::make_shared<TGlyphSheet>(crop, 128);
  return z;
}

// Both zones of a pass, read alike.
void AddPass(TSerialEvidence& evidence, std::string_view currency, std::string_view printed,
             std::string_view read, int32_t source) {
  evidence.AddZone(Zone(currency, printed, read, source));
  evidence.AddZone(Zone(currency, printed, read, source));
}

}  // namespace

TEST(SerialEvidence, DrawnCharactersDifferInShapeAndSmudgedDigitsLieBetween) {
  const std::string all = "BCDEFTUXZ0123456789";
  const TZoneObservation z = Zone("USD", all, std::string(all.size(), kNone), 0);
  for (std::size_t i = 0; i < z.Glyphs.size(); ++i) {
    for (std::size_t j = i + 1; j < z.Glyphs.size(); ++j) {
      EXPECT_GE(z.Sheet->Distance(z.Glyphs[i], z.Glyphs[j]), kDifferentShape) << i << " " << j;
    }
  }
  const std::string digits = "0123456789", smudged = "abcdefghij";
  const TZoneObservation pairs = Zone("USD", digits + smudged, std::string(20, kNone), 0);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const int32_t d = pairs.Sheet->Distance(pairs.Glyphs[i], pairs.Glyphs[i + digits.size()]);
    EXPECT_GE(d, kSameShape) << digits[i];
    EXPECT_LT(d, kDifferentShape) << digits[i];
  }
}

TEST(SerialEvidence, TwoZonesOfOnePassAreOneSource) {
  TSerialEvidence evidence("USD");
  AddPass(evidence, "USD", "AB12345678C", "AB12345678C", EvidenceSource(0));
  EXPECT_FALSE(evidence.Decide().Valid);
  EXPECT_EQ(evidence.Decide().Reading, "~~~~~~~~~~~");
  // The odd passes all read the grey note: one more source, whichever runs.
  EXPECT_EQ(EvidenceSource(3), EvidenceSource(1));
  AddPass(evidence, "USD", "AB12345678C", "AB12345678C", EvidenceSource(3));
  const TSerialVerdict v = evidence.Decide();
  EXPECT_TRUE(v.Valid);
  EXPECT_EQ(v.Reading, "AB12345678C");
  EXPECT_EQ(v.Confidence, 100);
}

TEST(SerialEvidence, ADissentingSourceIsOutvotedThreeToOne) {
  TSerialEvidence evidence("USD");
  AddPass(evidence, "USD", "A12345678B", "A12345678B", 0);
  AddPass(evidence, "USD", "A12345678B", "A12345678B", 2);
  AddPass(evidence, "USD", "A12345678B", "A12345678E", 4);
  EXPECT_FALSE(evidence.Decide().Valid);
  EXPECT_EQ(evidence.Decide().Reading, "A12345678~");
  AddPass(evidence, "USD", "A12345678B", "A12345678B", 6);
  const TSerialVerdict v = evidence.Decide();
  EXPECT_TRUE(v.Valid);
  EXPECT_EQ(v.Reading, "A12345678B");
  EXPECT_EQ(v.Confidence, 75);
}

TEST(SerialEvidence, AConfusionEveryPassSharesIsLeftOpenNotReportedValid) {
  // The 7s read as 1 in every source: Z11096919621 even passes the euro
  // check, but glyphs read "1" that look different cannot all be ones.
  TSerialEvidence evidence("EUR");
  for (int32_t source : {0, 1, 2, 4, 6, 8})
    AddPass(evidence, "EUR", "Z17096979627", "Z11096919621", source);
  const TSerialVerdict v = evidence.Decide();
  EXPECT_FALSE(v.Valid);
  EXPECT_EQ(v.Reading, "Z~~0969~962~");
  EXPECT_EQ(v.Confidence, 0);
}

TEST(SerialEvidence, ReadingsThatDifferOnOneShapeAreDropped) {
  // A 5 read as 6: it looks like the 5 beside it but is read differently,
  // and is read like the 6 after it but looks different.
  TSerialEvidence evidence("LBP");
  AddPass(evidence, "LBP", "A123556789", "A123656789", 0);
  AddPass(evidence, "LBP", "A123556789", "A123656789", 2);
  EXPECT_EQ(evidence.Decide().Reading, "A123~~~789");
}

TEST(SerialEvidence, TheNotesOwnTemplatesReadAnOpenGlyph) {
  struct Case {
    const char* printed;
    const char* reading;
  };
  const Case cases[] = {
      // The third 3 is read in no pass; the other two are verified.
      {"DT53383012F", "DT53383012F"},
      // The same, but the 0 is printed like a smudged 3: the open glyph
      // looks like the 3s, and too much like that 0 to tell.
      {"DT53383d12F", "DT5338~012F"},
  };
  for (const Case& c : cases) {
    TSerialEvidence evidence("USD");
    AddPass(evidence, "USD", c.printed, "DT5338~012F", 0);
    AddPass(evidence, "USD", c.printed, "DT5338~012F", 2);
    const TSerialVerdict v = evidence.Decide();
    EXPECT_EQ(v.Reading, c.reading) << c.printed;
    EXPECT_EQ(v.Valid, std::string(c.reading).find('~') == std::string::npos) << c.printed;
  }
}

TEST(SerialEvidence, TheEuroCheckCompletesOneOpenDigit) {
  struct Case {
    const char* printed;
    const char* read[2];  // by two passes
    const char* reading;  // "~" for a digit the check cannot settle
  };
  const Case cases[] = {
      {"U59743898015", {"U5974~898015", "U5974~898015"}, "U59743898015"},
      // 0 and 9 give the same check value.
      {"A12345678907", {"A12345678~07", "A12345678~07"}, "A12345678~07"},
      // Two open digits are too many.
      {"U59743898015", {"U59~4~898015", "U59~4~898015"}, "U59~4~898015"},
      // The check asks for an 8, which the note shows elsewhere: an 8 there
      // would have matched that template, so the glyph (printed unlike any
      // digit) is something else.
      {"U59743B98015", {"U59743~98015", "U59743~98015"}, "U59743~98015"},
      // One pass reads a 6 where the check asks for a 3.
      {"U59743898015", {"U59746898015", "U5974~898015"}, "U5974~898015"},
  };
  for (const Case& c : cases) {
    TSerialEvidence evidence("EUR");
    AddPass(evidence, "EUR", c.printed, c.read[0], 0);
    AddPass(evidence, "EUR", c.printed, c.read[1], 2);
    const TSerialVerdict v = evidence.Decide();
    EXPECT_EQ(v.Reading, c.reading) << c.read[0];
    EXPECT_EQ(v.Valid, std::string(c.reading).find('~') == std::string::npos) << c.read[0];
  }
  // A completed digit rests on the check value alone: half the confidence.
  TSerialEvidence evidence("EUR");
  AddPass(evidence, "EUR", "U59743898015", "U5974~898015", 0);
  AddPass(evidence, "EUR", "U59743898015", "U5974~898015", 2);
  EXPECT_EQ(evidence.Decide().Confidence, 50);
}

TEST(SerialEvidence, ThePoundBarcodeIsASourceOfItsOwn) {
  {
    // One pass and the barcode verify the positions they share; where the
    // engine reads nothing the barcode stands alone.
    TSerialEvidence evidence("LBP");
    AddPass(evidence, "LBP", "C398540934", "C~98540~~4", 0);
    evidence.AddBarcode("C398540934");
    const TSerialVerdict v = evidence.Decide();
    EXPECT_TRUE(v.Valid);
    EXPECT_EQ(v.Reading, "C398540934");
    EXPECT_EQ(v.Confidence, 50);
  }
  {
    // The barcode stands alone only where the engine confirms at least half
    // of its positions: five of ten are enough, four are not (every glyph
    // differs, so the note's templates read none of the open ones).
    for (const auto& [read, valid] : {std::pair{"C3985~~~~~", true}, {"C398~~~~~~", false}}) {
      TSerialEvidence evidence("LBP");
      AddPass(evidence, "LBP", "C398540127", read, 0);
      evidence.AddBarcode("C398540127");
      EXPECT_EQ(evidence.Decide().Valid, valid) << read;
    }
  }
  {
    // Where the engine reads another character, the barcode is not enough.
    TSerialEvidence evidence("LBP");
    AddPass(evidence, "LBP", "C398540934", "G~98540~~4", 0);
    evidence.AddBarcode("C398540934");
    EXPECT_FALSE(evidence.Decide().Valid);
  }
  {
    // An invalid barcode text counts for nothing.
    TSerialEvidence evidence("LBP");
    AddPass(evidence, "LBP", "C398540934", "C398540934", 0);
    evidence.AddBarcode("C39854093");
    EXPECT_FALSE(evidence.Decide().Valid);
  }
}

TEST(SerialEvidence, AnInvalidValueIsNeverValid) {
  TSerialEvidence evidence("EUR");
  for (int32_t source : {0, 1, 2}) AddPass(evidence, "EUR", "X12345678901", "X12345678901", source);
  const TSerialVerdict v = evidence.Decide();
  EXPECT_EQ(v.Reading, "X12345678901");
  EXPECT_FALSE(v.Valid) << "check value 7";
  EXPECT_EQ(v.Confidence, 0);
}

TEST(SerialEvidence, SureReadings) {
  struct Case {
    std::vector<std::pair<char16_t, uint16_t>> candidates;
    char position;  // the layout class of the position
    char read;
  };
  const Case cases[] = {
      {{{u'7', 100}}, kDigitPosition, '7'},
      {{{u'7', 100}, {u'1', 96}}, kDigitPosition, '7'},  // a doubtful 1 is no rival
      {{{u'1', 96}, {u'4', 80}}, kDigitPosition, '4'},   // nor a reading
      {{{u'1', 97}}, kDigitPosition, '1'},
      {{{u'N', 100}, {u'W', 100}}, kLetterPosition, 0},  // a tie
      {{{u'H', 100}, {u'W', 98}}, kLetterPosition, 0},   // too close
      {{{u'0', 79}}, kDigitPosition, 0},                 // too doubtful
      {{{u'O', 100}, {u'0', 90}}, kDigitPosition, '0'},  // letters do not fit a digit
      {{{u'*', 100}}, kLetterOrStarPosition, '*'},
      {{}, kDigitPosition, 0},
  };
  for (const Case& c : cases) {
    static constexpr std::string_view kClasses = "DLS";
    static_assert(kClasses[0] == kDigitPosition && kClasses[1] == kLetterPosition &&
                  kClasses[2] == kLetterOrStarPosition);
    TZoneObservation z;
    z.Layout = kClasses.substr(kClasses.find(c.position), 1);
    TCharRecord g;
    for (const auto& [ch, conf] : c.candidates) {
      g.Cands[g.CandCount] = ch;
      g.Confs[g.CandCount++] = conf;
    }
    z.Glyphs.push_back(g);
    EXPECT_EQ(SureRead(z, 0), c.read)
        << static_cast<char>(c.candidates.empty() ? ' ' : c.candidates[0].first);
  }
}

TEST(SerialEvidence, ZoneReadingsAreLaidSideBySideByTheirBoxes) {
  // The digit reading split the first glyph in two; the letter reading has
  // the layout's length and sets the places.
  TZoneReading reading;
  reading.Crop = std::make_unique<TDIB>();
  reading.Crop->NewImage(200, 30, df8Bit, 200, 200);
  reading.Threshold = 128;
  auto record = [](int32_t left, int32_t right, char16_t ch) {
    TCharRecord r;
    r.Left = left;
    r.Right = right;
    r.Bottom = 20;
    r.CandCount = 1;
    r.Cands[0] = r.Ch = ch;
    r.Confs[0] = 100;
    return r;
  };
  for (int32_t i = 0; i < 10; ++i)
    reading.LetterGlyphs.push_back(record(i * 15, i * 15 + 11, u"ABCDEFGHIJ"[i]));
  reading.DigitGlyphs.push_back(record(0, 4, u'1'));
  reading.DigitGlyphs.push_back(record(6, 11, u'1'));
  for (int32_t i = 1; i < 10; ++i)
    reading.DigitGlyphs.push_back(record(i * 15 + 1, i * 15 + 10, u"0123456789"[i]));

  const std::optional<TZoneObservation> z = ObserveZone(reading, "USD", 0);
  ASSERT_TRUE(z);
  EXPECT_EQ(z->Layout, "LDDDDDDDDS");
  std::string read;
  for (std::size_t i = 0; i < z->Layout.size(); ++i) read += SureRead(*z, i);
  EXPECT_EQ(read, "A12345678J");

  // Neither reading has a dollar length: no observation.
  reading.LetterGlyphs.pop_back();
  reading.DigitGlyphs.resize(9);
  EXPECT_FALSE(ObserveZone(reading, "USD", 0));
}

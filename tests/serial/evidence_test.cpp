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

// Where the glyph of position `i` of a drawn zone starts.
int32_t GlyphLeft(std::size_t i) {
  return kGap + static_cast<int32_t>(i) * (kGlyphWidth + kGap);
}

// A record read as `ch` (kNone: nothing) at `confidence`.
void SetRead(TCharRecord& g, char ch, int32_t confidence) {
  if (ch == kNone) return;
  g.CandCount = 1;
  g.Cands[0] = static_cast<char16_t>(ch);
  g.Confs[0] = static_cast<uint16_t>(confidence);
  g.Ch = g.Cands[0];
}

// The glyphs of `printed` from position `first` on in a row, each in a
// one-pixel frame (so all boxes have one size) at its place in the whole
// serial, on an 8-bit crop with ink 0 and paper 255.
TZoneReading DrawnZone(std::string_view printed, std::size_t first = 0) {
  TZoneReading z;
  z.Crop = std::make_unique<TDIB>();
  z.Crop->NewImage(static_cast<int32_t>(printed.size()) * (kGlyphWidth + kGap) + kGap,
                   kGlyphHeight + 2 * kGap, df8Bit, 200, 200);
  z.Crop->FillWhite();
  z.Threshold = 128;
  for (std::size_t i = first; i < printed.size(); ++i) {
    TCharRecord g;
    g.Left = GlyphLeft(i);
    g.Top = kGap;
    g.Right = g.Left + kGlyphWidth - 1;
    g.Bottom = g.Top + kGlyphHeight - 1;
    for (int32_t y = g.Top; y <= g.Bottom; ++y) {
      for (int32_t x = g.Left; x <= g.Right; ++x) {
        const bool frame = x == g.Left || x == g.Right || y == g.Top || y == g.Bottom;
        const int32_t column = (x - g.Left - 1) / kCell, row = (y - g.Top - 1) / kCell;
        if (frame || CellInk(printed[i], column, row)) z.Crop->Row(y)[x] = 0;
      }
    }
    z.LetterGlyphs.push_back(g);
    z.DigitGlyphs.push_back(g);
  }
  return z;
}

// A zone of `printed` whose capital-letter reading reads `letters` and
// whose digit reading reads `digits` (kNone: nothing) at `confidence`.
TZoneReading ReadZone(std::string_view printed, std::string_view letters, std::string_view digits,
                      int32_t confidence = 100) {
  TZoneReading z = DrawnZone(printed);
  for (std::size_t i = 0; i < printed.size(); ++i) {
    SetRead(z.LetterGlyphs[i], letters[i], confidence);
    SetRead(z.DigitGlyphs[i], digits[i], confidence);
  }
  return z;
}

// A stand-in for the glyph classifier that reads, per position, the
// character `reads` gives there, with the probability (among the characters
// of its kind, as a position asks) that `sureness` gives there:
//   's' sure (0.95: it may fill an unread glyph),
//   'r' reading (0.7: it reads the position, but fills nothing),
//   'g' guessing (0.3: its best guess, not a reading).
// '?' in `reads`: it cannot tell at all. A digit in `digitGuesses` where
// `reads` has a letter: its best guess among the digits, which a digit
// position asks about, though it takes the glyph for the letter.
TGlyphJudge ClassifierReading(std::string reads, std::string sureness = "",
                              std::string digitGuesses = "") {
  return [reads, sureness, digitGuesses](const TGlyphSheet&, const TCharRecord& glyph) {
    const std::size_t i = static_cast<std::size_t>((glyph.Left - kGap) / (kGlyphWidth + kGap));
    const char level = i < sureness.size() ? sureness[i] : 's';
    const float p = level == 's' ? 0.95f : level == 'r' ? 0.7f : 0.3f;
    const char read = reads.at(i);
    const bool digit = read >= '0' && read <= '9';
    TGlyphJudgement j;
    for (std::size_t c = 0; c < kGlyphClassCount; ++c) {
      const char other = kGlyphAlphabet[c];
      const bool sameKind = (other >= '0' && other <= '9') == digit;
      if (read == '?') {
        j.Probabilities[c] = 1.0f / kGlyphClassCount;
      } else if (other == read) {
        j.Probabilities[c] = p;
      } else if (sameKind) {
        j.Probabilities[c] = (1 - p) / (digit ? 9.0f : 26.0f);
      }
    }
    const char guess = i < digitGuesses.size() ? digitGuesses[i] : ' ';
    if (guess != ' ' && !digit && read != '?') {
      // A tenth of the other letters' share goes to the digits, 60 % of it
      // to the guess.
      for (std::size_t c = 0; c < kGlyphClassCount; ++c) {
        const char other = kGlyphAlphabet[c];
        if (other >= '0' && other <= '9') {
          j.Probabilities[c] = (1 - p) / 10 * (other == guess ? 0.6f : 0.4f / 9);
        } else if (other != read) {
          j.Probabilities[c] *= 0.9f;
        }
      }
    }
    return j;
  };
}

// What the recognisers of each alphabet read in a zone: `read` by those of
// each position's kind in the currency's first layout of the zone's length,
// `others` (nothing where empty) by those of the other kind.
TZoneReading ReadAs(std::string_view currency, std::string_view printed, std::string_view read,
                    std::string_view others) {
  std::string_view layout;
  for (std::string_view l : SerialLayouts(currency)) {
    if (l.size() == printed.size()) {
      layout = l;
      break;
    }
  }
  std::string letters(printed.size(), kNone), digits(printed.size(), kNone);
  for (std::size_t i = 0; i < printed.size(); ++i) {
    const char other = others.empty() ? kNone : others[i];
    const bool digit = layout[i] == kDigitPosition;
    letters[i] = digit ? other : read[i];
    digits[i] = digit ? read[i] : other;
  }
  return ReadZone(printed, letters, digits);
}

// One pass's zones of a note.
struct TPass {
  int32_t source;
  const char* read;
  const char* readRight = nullptr;  // the right zone's, when it differs
  const char* others = nullptr;     // the other alphabet's reading, in both zones
  // A series' short copy in place of the left zone (its digit reading,
  // kNone where it read nothing); "" for no left zone at all.
  const char* shortCopy = nullptr;
};

void AddPass(TSerialEvidence& evidence, std::string_view currency, std::string_view printed,
             const TPass& p) {
  const std::string_view other = p.others ? p.others : "";
  for (int32_t side = p.shortCopy ? 1 : 0; side < 2; ++side) {
    const std::string_view r = side == 1 && p.readRight ? p.readRight : p.read;
    for (TZoneObservation& o :
         ObserveZone(ReadAs(currency, printed, r, other), currency, p.source, side))
      evidence.AddZone(std::move(o));
  }
  if (!p.shortCopy || !*p.shortCopy) return;
  for (const TSerialSeries& series : SerialSeries(currency)) {
    const std::size_t first = printed.size() - std::string_view(p.shortCopy).size();
    if (series.ShortLeftCopy != printed.size() - first) continue;
    const std::string none(printed.size(), kNone);
    TZoneReading z = DrawnZone(printed, first);
    for (std::size_t k = 0; k < z.DigitGlyphs.size(); ++k)
      SetRead(z.DigitGlyphs[k], p.shortCopy[k], 100);
    if (auto o = ObserveShortCopy(z, series, p.source, 0)) evidence.AddZone(std::move(*o));
  }
}

void AddPass(TSerialEvidence& evidence, std::string_view currency, std::string_view printed,
             std::string_view read, int32_t source, const char* readRight = nullptr) {
  AddPass(evidence, currency, printed, TPass{source, read.data(), readRight});
}

// The disputed positions as text: "position
// recognisers/classifier/barcode=verified", "-" for nothing.
std::string DoubtsText(const std::vector<TSerialPosition>& positions) {
  std::string text;
  auto c = [](char ch) { return ch == 0 ? '-' : ch; };
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const TSerialPosition& p = positions[i];
    if (!p.Disputed) continue;
    text += (text.empty() ? "" : " ") + std::to_string(i + 1) + ' ' + c(p.Recognisers) + '/' +
            c(p.Classifier) + '/' + c(p.Barcode) + '=' + c(p.Verified);
  }
  return text;
}

}  // namespace

TEST(SerialEvidence, DrawnCharactersDifferInShapeAndSmudgedDigitsLieBetween) {
  const TZoneReading z = DrawnZone("BCDEFTUXZ0123456789");
  const TGlyphSheet sheet(*z.Crop, z.Threshold);
  const std::vector<TCharRecord>& g = z.LetterGlyphs;
  for (std::size_t i = 0; i < g.size(); ++i) {
    for (std::size_t j = i + 1; j < g.size(); ++j) {
      EXPECT_GE(sheet.Distance(g[i], g[j]), kDifferentShape) << i << " " << j;
    }
  }
  const std::string digits = "0123456789", smudged = "abcdefghij";
  const TZoneReading pairs = DrawnZone(digits + smudged);
  const TGlyphSheet pairSheet(*pairs.Crop, pairs.Threshold);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const int32_t d =
        pairSheet.Distance(pairs.LetterGlyphs[i], pairs.LetterGlyphs[i + digits.size()]);
    EXPECT_GE(d, kSameShape) << digits[i];
    EXPECT_LT(d, kDifferentShape) << digits[i];
  }
}

// The election: the recognisers' readings pass by pass, the classifier's
// reading and the barcode, and what comes out.
TEST(SerialEvidence, TheFamiliesOfSourcesElectTheSerial) {
  using Pass = TPass;
  struct Case {
    const char* name;
    const char* currency;
    const char* printed;
    std::vector<Pass> passes;
    const char* classifier;
    const char* sureness;  // "" all sure
    const char* barcode;   // nullptr: none
    const char* reading;   // "~" where the position stays open
    const char* doubts;
    const char* digitGuesses = "";  // the classifier's, where it reads a letter
    // The series a valid reading is elected in; "refused" where the reading
    // would be a valid serial but nothing points to its series.
    const char* series = "";
  };
  // clang-format off
  const Case cases[] = {
      {"the recognisers of one pass and the classifier agree",
       "USD", "AB12345678C", {{0, "AB12345678C"}},
       "AB12345678C", "", nullptr, "AB12345678C", ""},
      {"a misreading every pass shares stays open where the classifier disagrees",
       "USD", "AV38865987S", {{0, "AV30065907S"}, {1, "AV30065907S"}, {2, "AV30065907S"}},
       "AV38865987S", "", nullptr, "AV3~~659~7S", "4 0/8/-=- 5 0/8/-=- 9 0/8/-=-"},
      {"a classifier that cannot tell verifies nothing",
       "USD", "AB12345678C", {{0, "AB12345678C"}, {1, "AB12345678C"}, {2, "AB12345678C"}},
       "???????????", "", nullptr, "~~~~~~~~~~~", ""},
      {"nor does its guess",
       "USD", "AB12345678C", {{0, "AB12345678C"}, {2, "AB12345678C"}},
       "AB12345678C", "ggggggggggg", nullptr, "~~~~~~~~~~~", ""},
      {"the classifier fills a glyph the recognisers leave unread, sure in both zones",
       "USD", "DT53387012F", {{0, "DT5338~012F"}},
       "DT53387012F", "", nullptr, "DT53387012F", ""},
      {"but not when it is less sure",
       "USD", "DT53387012F", {{0, "DT5338~012F"}},
       "DT53387012F", "ssssssrssss", nullptr, "DT5338~012F", ""},
      {"the note's templates read the glyph, the classifier confirms",
       "USD", "DT53383012F", {{0, "DT5338~012F"}},
       "DT53383012F", "ssssssrssss", nullptr, "DT53383012F", ""},
      {"nor when the glyph looks too much like a smudged 0 of the note",
       "USD", "DT53383d12F", {{0, "DT5338~012F"}, {2, "DT5338~012F"}},
       "DT53383012F", "ssssssrssss", nullptr, "DT5338~012F", ""},
      {"two zones of one pass are one source: B 2 against E 1 is no majority",
       "USD", "A12345678B", {{0, "A12345678B", "A12345678E"}, {2, "A12345678B"}},
       "A12345678B", "sssssssssr", nullptr, "A12345678~", ""},
      {"recognisers split on a glyph: the sure classifier picks",
       "USD", "A12345678B", {{0, "A12345678B"}, {2, "A12345678B"}, {4, "A12345678E"}},
       "A12345678B", "", nullptr, "A12345678B", ""},
      {"a misreading the shapes refute stays open where the classifier cannot tell",
       "EUR", "Z17096979627", {{0, "Z11096919621"}, {1, "Z11096919621"}, {2, "Z11096919621"}},
       "Z1?0969?962?", "", nullptr, "Z1~0969~962~", ""},
      {"the barcode settles a disagreement",
       "LBP", "C398540934", {{0, "C396540934"}},
       "C398540934", "", "C398540934", "C398540934", "4 6/8/8=8"},
      {"the barcode and the classifier read what the recognisers leave unread",
       "LBP", "C398540934", {{0, "C~98540~~4"}},
       "C398540934", "rrrrrrrrrr", "C398540934", "C398540934", ""},
      {"two families outvote the barcode",
       "LBP", "C398540934", {{0, "C398540934"}},
       "C398540934", "", "C398540935", "C398540934", "10 4/4/5=4"},
      {"the barcode alone reads nothing",
       "LBP", "C398540934", {{0, "~~~~~~~~~~"}},
       "??????????", "", "C398540934", "~~~~~~~~~~", ""},
      {"nor where the recognisers read another character",
       "LBP", "C398540934", {{0, "G~98540~~4"}},
       "??????????", "", "C398540934", "~~985409~4", "1 G/A/C=-"},
      {"the euro check settles a disagreement",
       "EUR", "U59743898015", {{0, "U59746898015"}},
       "U59743898015", "", nullptr, "U59743898015", "6 6/3/-=3"},
      {"and completes a digit nothing read when the classifier guesses it",
       "EUR", "U59743898015", {{0, "U5974~898015"}},
       "U59743898015", "sssssgssssss", nullptr, "U59743898015", ""},
      {"but not when the classifier guesses another",
       "EUR", "U59743898015", {{0, "U5974~898015"}},
       "U59745898015", "sssssgssssss", nullptr, "U5974~898015", ""},
      {"two digits nothing read are too many",
       "EUR", "U59743898015", {{0, "U59~4~898015"}},
       "U59743898015", "sssgsgssssss", nullptr, "U59~4~898015", ""},
      {"nor a digit the note shows elsewhere: its glyph would have matched that template",
       "EUR", "U59743B98015", {{0, "U59743~98015"}, {2, "U59743~98015"}},
       "U59743898015", "ssssssgsssss", nullptr, "U59743~98015", ""},
      {"nor where a pass reads another digit",
       "EUR", "U59743898015", {{0, "U59746898015"}, {2, "U5974~898015"}},
       "U59743898015", "sssssgssssss", nullptr, "U5974~898015", ""},
      {"nor a letter the recognisers read where they read no digit: a Europa serial's second letter",
       "EUR", "SD8001927902", {{0, "S~8001927902", nullptr, "~D~~~~~~~~~~"}},
       "S58001927902", "sgssssssssss", nullptr, "S~8001927902", ""},
      {"nor a glyph the classifier takes for a letter, whatever digit it guesses",
       "EUR", "SD8001927902", {{0, "S~8001927902"}},
       "SD8001927902", "sgssssssssss", nullptr, "S~8001927902", "", " 5"},
      {"a Europa serial is elected in its own layout",
       "EUR", "SD8001927902", {{0, "S~8001927902", nullptr, "~D~~~~~~~~~~", ""}},
       "SD8001927902", "", nullptr, "SD8001927902", "", "", "europa"},
      {"with its short copy, its last six digits",
       "EUR", "SD8001927902", {{0, "S~8001~27902", nullptr, "~D~~~~~~~~~~", "927902"}},
       "SD8001927902", "ssssssgsssss", nullptr, "SD8001927902", "", "", "europa"},
      {"a whole copy on the left points to the first series, where 1 and I both pass the check",
       "EUR", "X12345678902", {{0, "X12345678902", nullptr, "~I~~~~~~~~~~"}},
       "XI2345678902", "", nullptr, "X12345678902", "", " 1", "first"},
      {"the short copy to the Europa series",
       "EUR", "XI2345678902", {{0, "X12345678902", nullptr, "~I~~~~~~~~~~", "678902"}},
       "XI2345678902", "", nullptr, "XI2345678902", "", " 1", "europa"},
      {"without either copy two series reading valid serials settle nothing",
       "EUR", "X12345678902", {{0, "X12345678902", nullptr, "~I~~~~~~~~~~", ""}},
       "XI2345678902", "", nullptr, "X12345678902", "", " 1", "refused"},
      {"nor does one whose glyph the classifier takes for the other kind",
       "EUR", "SD8001927902", {{0, "S58001927902", nullptr, nullptr, ""}},
       "SD8001927902", "sgssssssssss", nullptr, "S58001927902", "", " 5", "refused"},
      {"nor a stray letter among the digits that the recognisers read as a letter only",
       "EUR", "U5974B898015", {{0, "U5974~898015", nullptr, "~~~~~B~~~~~~"}},
       "U59743898015", "sssssgssssss", nullptr, "U5974~898015", ""},
      {"or that the classifier takes for a letter",
       "EUR", "U5974B898015", {{0, "U5974~898015"}},
       "U5974B898015", "", nullptr, "U5974~898015", "", "     3"},
      {"nor a digit where the other series prints a letter",
       "EUR", "SD8001927902", {{0, "S~8001927902", nullptr, nullptr, ""}},
       "S58001927902", "sgssssssssss", nullptr, "S~8001927902", ""},
      {"nor when two choices among what the families read pass",
       "EUR", "A12345670114", {{0, "A12345679114"}},
       "A12345670114", "ssssssssrsss", nullptr, "A1234567~114", "9 9/0/-=-"},
      {"nor three open digits, though one choice alone passes",
       "EUR", "U00123540656", {{0, "U00783590656"}},
       "U00123540656", "sssrrssrssss", nullptr, "U00~~35~0656",
       "4 7/1/-=- 5 8/2/-=- 8 9/4/-=-"},
      {"nor any digit of a dollar serial, which has no check",
       "USD", "AB03834567C", {{0, "AB03~34567C"}},
       "AB03834567C", "ssssgssssss", nullptr, "AB03~34567C", ""},
      {"nor when 0 and 9 both pass",
       "EUR", "A12345678907", {{0, "A12345678~07"}},
       "A12345678?07", "", nullptr, "A12345678~07", ""},
      {"an invalid value is never valid",
       "EUR", "X12345678901", {{0, "X12345678901"}},
       "X12345678901", "", nullptr, "X12345678901", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    TSerialEvidence evidence(c.currency,
                             ClassifierReading(c.classifier, c.sureness, c.digitGuesses));
    for (const Pass& p : c.passes) AddPass(evidence, c.currency, c.printed, p);
    if (c.barcode) evidence.AddBarcode(c.barcode);
    const TSerialVerdict v = evidence.Decide();
    const std::string_view series = c.series;
    EXPECT_EQ(v.Reading, c.reading) << c.name;
    EXPECT_EQ(v.Valid, series != "refused" && IsValidSerial(c.currency, c.reading)) << c.name;
    EXPECT_EQ(DoubtsText(v.Positions), c.doubts) << c.name;
    if (v.Valid && !series.empty()) EXPECT_EQ(v.Series->Name, series) << c.name;
  }
}

TEST(SerialEvidence, OddPassesAreOneSourceAndEvenPassesOneEach) {
  // Odd passes hand the engine the same grey zones: their readings are one
  // source, however many there are.
  for (const int32_t pass : {3, 5, 7}) EXPECT_EQ(EvidenceSource(pass), EvidenceSource(1));
  for (const int32_t pass : {0, 2, 4, 6, 8}) {
    EXPECT_NE(EvidenceSource(pass), EvidenceSource(1)) << pass;
    EXPECT_NE(EvidenceSource(pass), EvidenceSource(pass + 2)) << pass;
  }
}

TEST(SerialEvidence, TheClassifierJudgesNoGlyphCutByTheZonesEdge) {
  // A glyph touching the crop's edge may be part of a character (a Q whose
  // tail kept it out of the zone): no opinion. Inside, a real judgement.
  const TZoneReading z = DrawnZone("B8");
  const TGlyphSheet sheet(*z.Crop, z.Threshold);
  const TGlyphJudgement inside = JudgeByClassifier(sheet, z.LetterGlyphs[0]);
  EXPECT_GT(inside.Among(kGlyphAlphabet).Probability, 2.0f / kGlyphClassCount);
  for (const char side : {'L', 'T', 'R', 'B'}) {
    TCharRecord cut = z.LetterGlyphs[side == 'R' ? 1 : 0];
    if (side == 'L') cut.Left = 0;
    if (side == 'T') cut.Top = 0;
    if (side == 'R') cut.Right = z.Crop->Width() - 1;
    if (side == 'B') cut.Bottom = z.Crop->Height() - 1;
    const TGlyphJudgement none = JudgeByClassifier(sheet, cut);
    for (const float p : none.Probabilities) EXPECT_FLOAT_EQ(p, 1.0f / kGlyphClassCount) << side;
  }
}

TEST(SerialEvidence, ReadingsThatDifferOnOneShapeAreDropped) {
  // A 5 read as 6: it looks like the 5 beside it but is read differently,
  // and is read like the 6 after it but looks different. A classifier that
  // reads but fills nothing leaves the three open.
  TSerialEvidence evidence("LBP", ClassifierReading("A123556789", "rrrrrrrrrr"));
  AddPass(evidence, "LBP", "A123556789", "A123656789", 0);
  AddPass(evidence, "LBP", "A123556789", "A123656789", 2);
  EXPECT_EQ(evidence.Decide().Reading, "A123~~~789");
}

TEST(SerialEvidence, AnInvalidBarcodeTextCountsForNothing) {
  TSerialEvidence evidence("LBP", ClassifierReading("??????????"));
  AddPass(evidence, "LBP", "C398540934", "C398540934", 0);
  evidence.AddBarcode("C39854093");
  evidence.AddBarcode("C39854093A");
  EXPECT_EQ(evidence.Decide().Reading, "~~~~~~~~~~");
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

  const std::vector<TZoneObservation> z = ObserveZone(reading, "USD", 0, 0);
  ASSERT_EQ(z.size(), 1u);
  EXPECT_EQ(z[0].Layout, "LDDDDDDDDS");
  std::string read;
  for (std::size_t i = 0; i < z[0].Layout.size(); ++i) read += SureRead(z[0], i);
  EXPECT_EQ(read, "A12345678J");

  // Neither reading has a dollar length: no observation.
  reading.LetterGlyphs.pop_back();
  reading.DigitGlyphs.resize(9);
  EXPECT_TRUE(ObserveZone(reading, "USD", 0, 0).empty());
}

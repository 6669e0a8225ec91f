// Notes as scanners present them, made from fixture notes in the test:
// laid on a dark or light scanner bed, turned by a few degrees or by quarter
// turns, and pictures with no note at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "image/dibunit.h"
#include "image/rotation.h"
#include "serial/notefinder.h"
#include "serial/overview.h"
#include "serial/presentedreader.h"
#include "serial/serialline.h"

using namespace serial_detail;

namespace {

const std::string kNotes = std::string(VEREVIZU_TEST_DATA) + "/notes/";

std::unique_ptr<TDIB> LoadNote(const std::string& file) {
  std::ifstream in(kNotes + file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  const std::unique_ptr<TDibGraphic> graphic = LoadGraphic(file, bytes, 1);
  auto raster = std::make_unique<TDIB>();
  raster->AttachBlock(graphic->ExportPackedDib());
  return raster;
}

// A grey picture of `width` x `height` at `dpi`, all `level` with a little
// noise (a scanner bed), from a fixed seed.
std::unique_ptr<TDIB> Bed(int32_t width, int32_t height, int32_t dpi, int32_t level) {
  auto bed = std::make_unique<TDIB>();
  bed->NewImage(width, height, df8Bit, dpi, dpi);
  uint32_t state = 28;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      bed->Row(y)[x] =
          static_cast<std::uint8_t>(std::clamp(level + int32_t(state >> 29) - 4, 0, 255));
    }
  }
  return bed;
}

// The grey note laid on a bed with its top left corner at (left, top).
std::unique_ptr<TDIB> OnBed(const TDIB& note, int32_t left, int32_t top, int32_t right,
                            int32_t bottom, int32_t level) {
  EXPECT_EQ(note.Format(), df8Bit);
  auto picture = Bed(note.Width() + left + right, note.Height() + top + bottom, note.XDpi(), level);
  for (int32_t y = 0; y < note.Height(); ++y)
    for (int32_t x = 0; x < note.Width(); ++x) picture->Row(top + y)[left + x] = note.Row(y)[x];
  return picture;
}

// The note's outline as an inclusive pixel box.
TRect BoxOf(const TNoteOutline& outline) {
  double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
  for (const auto& c : outline.Corners()) {
    left = std::min(left, c[0]), right = std::max(right, c[0]);
    top = std::min(top, c[1]), bottom = std::max(bottom, c[1]);
  }
  return TRect{static_cast<int32_t>(std::lround(left + 0.5)),
               static_cast<int32_t>(std::lround(top + 0.5)),
               static_cast<int32_t>(std::lround(right - 0.5)),
               static_cast<int32_t>(std::lround(bottom - 0.5))};
}

void ExpectNear(const TRect& got, const TRect& want, int32_t tolerance) {
  EXPECT_NEAR(got.Left, want.Left, tolerance);
  EXPECT_NEAR(got.Top, want.Top, tolerance);
  EXPECT_NEAR(got.Right, want.Right, tolerance);
  EXPECT_NEAR(got.Bottom, want.Bottom, tolerance);
}

}  // namespace

// The note's box on a dark and on a light bed, to within 2 pixels; the
// picture that is the note already is the note.
TEST(NoteFinder, FindsTheNoteOnADarkOrLightBed) {
  const std::unique_ptr<TDIB> note = LoadNote("note_eur_04.tif");
  const int32_t w = note->Width(), h = note->Height();
  for (const int32_t level : {30, 250}) {
    const std::unique_ptr<TDIB> picture = OnBed(*note, 57, 83, 121, 40, level);
    const std::optional<TNoteOutline> outline = FindNote(*picture, MakeOverview(*picture));
    ASSERT_TRUE(outline) << level;
    EXPECT_FALSE(outline->WholePicture) << level;
    ExpectNear(BoxOf(*outline), TRect{57, 83, 57 + w - 1, 83 + h - 1}, 2);
    EXPECT_NEAR(outline->Degrees, 0, 0.05) << level;
  }
  const std::optional<TNoteOutline> itself = FindNote(*note, MakeOverview(*note));
  ASSERT_TRUE(itself);
  EXPECT_TRUE(itself->WholePicture);
}

// A note turned on the bed by known angles: its edges give the angle to
// within 0.2 degrees and its size in millimetres; the same note turned in
// its own frame (cropped, no bed) gets its angle from its serial lines.
TEST(NoteFinder, MeasuresTheSkewOfATurnedNote) {
  const std::unique_ptr<TDIB> note = LoadNote("note_eur_04.tif");
  for (const double degrees : {-9.5, -4.0, -1.3, 2.0, 7.5}) {
    const std::unique_ptr<TDIB> turned = RotateRaster(*note, degrees, 40);
    const std::unique_ptr<TDIB> picture = OnBed(*turned, 60, 60, 60, 60, 40);
    const std::optional<TNoteOutline> outline = FindNote(*picture, MakeOverview(*picture));
    ASSERT_TRUE(outline && !outline->WholePicture) << degrees;
    EXPECT_NEAR(outline->Degrees, degrees, 0.2);
    EXPECT_NEAR(outline->Width, note->Width(), 2) << degrees;
    EXPECT_NEAR(outline->Height, note->Height(), 2) << degrees;

    TResampleGrid frame{(note->Width() - 1) / 2.0,
                        (note->Height() - 1) / 2.0,
                        -degrees,
                        1,
                        note->Width(),
                        note->Height()};
    const std::unique_ptr<TDIB> cropped = ResampleGrid(*note, frame, 255);
    const std::optional<double> skew = PrintSkew(FindSerialLines(MakeOverview(*cropped)));
    ASSERT_TRUE(skew) << degrees;
    EXPECT_NEAR(*skew, degrees, 0.3);
  }
}

// Blank paper and a bare bed hold no note: nothing is read, and the reading
// says so instead of failing.
TEST(PresentedReader, BlankPictureOrBareBedIsNoNote) {
  auto blank = std::make_unique<TDIB>();
  blank->NewImage(1200, 600, df24Bit, 200, 200);
  blank->FillWhite();
  const std::unique_ptr<TDIB> bed = Bed(1200, 600, 200, 35);
  for (const TDIB* picture : {blank.get(), bed.get()}) {
    const TPresentedSerial r = ReadPresentedSerial(*picture, "AUTO");
    EXPECT_FALSE(r.Note);
    EXPECT_FALSE(r.Reading.Valid);
    EXPECT_EQ(r.Reading.Serial, "");
    EXPECT_EQ(r.Reading.Currency, "");
    EXPECT_EQ(r.Reading.Passes, 0);
  }
  EXPECT_EQ(ReadPresentedSerial(*blank, "eur").Reading.Currency, "EUR");
}

// However the note lies, a quarter turn or none, the reading turns it
// upright and says how it lay; a note on a bed is read with its zones in
// the picture's coordinates.
TEST(PresentedReader, ReadsTheNoteWhicheverWayUpAndWhereverItLies) {
  const std::unique_ptr<TDIB> note = LoadNote("note_eur_04.tif");
  const TVerifiedSerial upright = ReadVerifiedSerial(*note, "AUTO");
  ASSERT_TRUE(upright.Valid);
  for (const int32_t quarters : {0, 1, 2, 3}) {
    const std::unique_ptr<TDIB> picture = TurnQuarters(*note, quarters);
    const TPresentedSerial r = ReadPresentedSerial(*picture, "AUTO");
    ASSERT_TRUE(r.Note) << quarters;
    EXPECT_EQ(r.Note->Orientation, 90 * quarters);
    EXPECT_EQ(r.Note->Skew, 0);
    EXPECT_EQ(r.Reading.Serial, upright.Serial) << quarters;
    EXPECT_TRUE(r.Reading.Valid) << quarters;
  }

  const std::unique_ptr<TDIB> picture = OnBed(*note, 57, 83, 121, 40, 30);
  const TPresentedSerial r = ReadPresentedSerial(*picture, "AUTO");
  ASSERT_TRUE(r.Note);
  ExpectNear(r.Note->Box, TRect{57, 83, 57 + note->Width() - 1, 83 + note->Height() - 1}, 2);
  EXPECT_EQ(r.Reading.Serial, upright.Serial);
  EXPECT_EQ(r.Reading.Currency, "EUR");  // the note's size, not the picture's
  for (std::size_t side = 0; side < 2; ++side) {
    ASSERT_TRUE(r.Reading.Zones[side] && upright.Zones[side]);
    const TRect& z = upright.Zones[side]->Box;
    ExpectNear(r.Reading.Zones[side]->Box,
               TRect{z.Left + 57, z.Top + 83, z.Right + 57, z.Bottom + 83}, 2);
  }
}

// A note's cut paper is straight: a side whose steps scatter (a torn or
// ragged edge, or print taken for an edge) is no measured side, and a note
// needs all four. The picture is then read as it is.
TEST(NoteFinder, ANoteWithARaggedSideIsNotMeasured) {
  const std::unique_ptr<TDIB> note = LoadNote("note_eur_04.tif");
  const int32_t w = note->Width(), h = note->Height();
  std::unique_ptr<TDIB> picture = OnBed(*note, 57, 83, 121, 40, 30);
  const std::optional<TNoteOutline> straight = FindNote(*picture, MakeOverview(*picture));
  ASSERT_TRUE(straight && !straight->WholePicture);
  // The right edge torn back by up to 8 pixels, in steps every 6 rows.
  for (int32_t y = 0; y < h; ++y) {
    const int32_t torn = (y / 6) % 3 == 0 ? 0 : (y / 6) % 3 == 1 ? 4 : 8;
    for (int32_t x = w - torn; x < w; ++x) picture->Row(83 + y)[57 + x] = 30;
  }
  const std::optional<TNoteOutline> ragged = FindNote(*picture, MakeOverview(*picture));
  ASSERT_TRUE(ragged);
  EXPECT_TRUE(ragged->WholePicture);
}

// A note cropped to its paper but lying a few degrees off level is levelled
// by its serial lines, whichever way it leans, and read.
TEST(PresentedReader, LevelsANoteCroppedAskew) {
  const std::unique_ptr<TDIB> note = LoadNote("note_eur_04.tif");
  const TVerifiedSerial upright = ReadVerifiedSerial(*note, "AUTO");
  ASSERT_TRUE(upright.Valid);
  for (const double degrees : {-3.0, 2.5}) {
    const TResampleGrid frame{(note->Width() - 1) / 2.0,
                              (note->Height() - 1) / 2.0,
                              -degrees,
                              1,
                              note->Width(),
                              note->Height()};
    const std::unique_ptr<TDIB> cropped = ResampleGrid(*note, frame, 255);
    const TPresentedSerial r = ReadPresentedSerial(*cropped, "EUR");
    ASSERT_TRUE(r.Note) << degrees;
    EXPECT_NEAR(r.Note->Skew, degrees, 0.3);
    EXPECT_TRUE(r.Reading.Valid) << degrees;
    EXPECT_EQ(r.Reading.Serial, upright.Serial) << degrees;
  }
}

// A pass whose threshold leaves a zone without ink tells nothing about the
// serial; the reading goes on instead of failing the whole note.
TEST(PresentedReader, AZoneWithoutInkEndsNothing) {
  const std::unique_ptr<TDIB> note = LoadNote("note_lbp_03.tif");
  auto low = std::make_unique<TDIB>();
  low->NewImage(note->Width() * 60 / 200, note->Height() * 60 / 200, df8Bit, 60, 60);
  note->ScaleInto(TRect{0, 0, note->Width() - 1, note->Height() - 1}, *low);
  const TPresentedSerial r = ReadPresentedSerial(*low, "LBP");
  EXPECT_TRUE(r.Note);
  if (r.Reading.Valid) EXPECT_EQ(r.Reading.Serial, "L964226819");
}

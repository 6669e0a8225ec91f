// Presenting the note to the verified reading: find it, level it, turn it
// the right way up, then read.
//
//   1. The note's outline in the picture (notefinder.h): the whole picture
//      when it is the note already.
//   2. The view: a grid on the picture along the outline, turned to
//      landscape; turned further by the skew of the serial lines where the
//      print is not level (serialline.h), and enlarged when the resolution
//      is low. A view that is the picture itself costs nothing.
//   3. Which way up (orientation.h): the verified reading reads the view the
//      way its serial line reads better; when that gives no valid serial and
//      the line's digits did not settle which way up it is, it reads the
//      view turned half round. When the line settles it, the other way is
//      not read: it costs a whole failed reading, and a serial of 0, 1, 6, 8
//      and 9 read upside down can pass for another valid one.
#include "serial/presentedreader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "image/rotation.h"
#include "platform/rounding.h"
#include "serial/notefinder.h"
#include "serial/orientation.h"
#include "serial/overview.h"
#include "serial/serialline.h"

using namespace serial_detail;

namespace {

// The reader's zone finder takes print up to about half a degree off level
// (the corpus's notes lie so, and are read best as they are); beyond 0.8
// degrees the view is levelled.
constexpr double kLevelDegrees = 0.8;
// Below this resolution the view is enlarged to it: at 120 dpi a serial's
// capitals are 14 pixels tall, too few for the recognisers; at 150 they read
// as well as they do at 200, and enlarging further reads no more of them.
constexpr int32_t kMinReadingDpi = 150;

// The same grid turned half round about its centre.
TResampleGrid TurnedHalfRound(TResampleGrid grid) {
  grid.Degrees += grid.Degrees >= 180 ? -180 : 180;
  return grid;
}

struct THalfRound {};
constexpr THalfRound kHalfRound;

// The note as the reading sees it: a grid on the picture and the raster it
// samples, which is the picture itself when the grid is the picture's own.
class TNoteView {
 public:
  TNoteView(const TDIB& picture, const TResampleGrid& grid) : picture_(picture), grid_(grid) {
    if (IsPicture()) return;
    const int32_t q = QuarterTurns();
    if (q >= 0) {
      own_ = TurnQuarters(picture, q);
      return;
    }
    // Levels are interpolated; a bilevel or palette note is made grey first.
    if (picture.Format() == df24Bit || (picture.Format() == df8Bit && picture.IsGreyRamp())) {
      own_ = ResampleGrid(picture, grid, picture.WhiteValue());
      return;
    }
    const std::unique_ptr<TDIB> grey = picture.Duplicate();
    grey->ConvertTo(df8Bit);
    own_ = ResampleGrid(*grey, grid, 255);
  }

  // `view` turned half round, by an exact turn of its raster.
  TNoteView(const TNoteView& view, THalfRound)
      : picture_(view.picture_),
        grid_(TurnedHalfRound(view.grid_)),
        own_(TurnQuarters(view.Raster(), 2)) {}

  const TDIB& Raster() const { return own_ ? *own_ : picture_; }
  const TResampleGrid& Grid() const { return grid_; }

  // The picture's pixel box under a box of the view.
  TRect PictureBox(const TRect& box) const {
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (const double u : {box.Left - 0.5, box.Right + 0.5}) {
      for (const double v : {box.Top - 0.5, box.Bottom + 0.5}) {
        const double x = grid_.SourceX(u, v), y = grid_.SourceY(u, v);
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    const int32_t w = picture_.Width(), h = picture_.Height();
    return TRect{std::clamp(platform::Round(left + 0.5), 0, w - 1),
                 std::clamp(platform::Round(top + 0.5), 0, h - 1),
                 std::clamp(platform::Round(right - 0.5), 0, w - 1),
                 std::clamp(platform::Round(bottom - 0.5), 0, h - 1)};
  }

 private:
  bool CentredOnPicture() const {
    return grid_.Step == 1 && grid_.CentreX == (picture_.Width() - 1) / 2.0 &&
           grid_.CentreY == (picture_.Height() - 1) / 2.0;
  }
  bool IsPicture() const {
    return CentredOnPicture() && grid_.Degrees == 0 && grid_.Width == picture_.Width() &&
           grid_.Height == picture_.Height();
  }
  // The clockwise quarter turns of the picture the grid amounts to, or -1.
  int32_t QuarterTurns() const {
    if (!CentredOnPicture() || std::fmod(grid_.Degrees, 90) != 0) return -1;
    // The grid turns against the picture.
    const int32_t q = ((-static_cast<int32_t>(grid_.Degrees / 90)) % 4 + 4) % 4;
    const bool across = q % 2 == 1;
    const int32_t w = across ? picture_.Height() : picture_.Width();
    const int32_t h = across ? picture_.Width() : picture_.Height();
    return grid_.Width == w && grid_.Height == h ? q : -1;
  }

  const TDIB& picture_;
  TResampleGrid grid_;
  std::unique_ptr<TDIB> own_;
};

// The grid along the outline, turned so that the note's long side runs along its rows.
TResampleGrid LandscapeGrid(const TNoteOutline& outline) {
  TResampleGrid grid;
  grid.CentreX = outline.CentreX;
  grid.CentreY = outline.CentreY;
  grid.Degrees = outline.Degrees;
  grid.Width = std::max(1, platform::Round(outline.Width));
  grid.Height = std::max(1, platform::Round(outline.Height));
  if (grid.Height > grid.Width) {
    grid.Degrees += 90;
    std::swap(grid.Width, grid.Height);
  }
  return grid;
}

// The quarter turn the grid's angle holds (0, 90, 180 or 270), the rest being the skew.
void SplitAngle(double degrees, int32_t& quarter, double& skew) {
  const double q = std::floor((degrees + 45) / 90);
  skew = degrees - 90 * q;
  quarter = ((static_cast<int32_t>(q) % 4) + 4) % 4 * 90;
}

TPresentedSerial Reading(const TNoteView& view, TVerifiedSerial verified) {
  TPresentedSerial r;
  for (std::optional<TSerialZone>& zone : verified.Zones)
    if (zone) zone->Box = view.PictureBox(zone->Box);
  r.Reading = std::move(verified);
  TNotePlacement note;
  const TResampleGrid& g = view.Grid();
  note.Box = view.PictureBox(TRect{0, 0, g.Width - 1, g.Height - 1});
  SplitAngle(g.Degrees, note.Orientation, note.Skew);
  r.Note = note;
  return r;
}

// Whether the picture's pixels are of a kind the note can be found on.
bool Findable(const TDIB& picture) {
  return picture.Format() == df1Bit || picture.Format() == df4Bit || picture.Format() == df8Bit ||
         picture.Format() == df24Bit;
}

}  // namespace

TPresentedSerial ReadPresentedSerial(const TDIB& picture, const std::string& currency) {
  if (!Findable(picture) || picture.Width() < 1 || picture.Height() < 1) {
    // Nothing to find on: the reading says what it makes of the picture.
    const TNoteView whole(picture, LandscapeGrid(WholePictureOutline(picture)));
    return Reading(whole, ReadVerifiedSerial(picture, currency));
  }
  const TOverview overview = MakeOverview(picture);
  const std::optional<TNoteOutline> outline = FindNote(picture, overview);
  if (!outline) {
    TPresentedSerial none;
    const std::string code = NormaliseCurrency(currency);
    if (code != "AUTO") none.Reading.Currency = code;
    return none;
  }

  // The note cut out along its outline, in landscape.
  TResampleGrid grid = LandscapeGrid(*outline);
  auto view = std::make_unique<TNoteView>(picture, grid);
  TOverview own;  // the view's overview, unless the view is the picture
  const TOverview* seen = &overview;
  if (&view->Raster() != &picture) own = MakeOverview(view->Raster()), seen = &own;
  std::vector<TSerialLine> lines = FindSerialLines(*seen);
  // Levelled by the serial lines and enlarged at low resolutions, in one cut.
  if (const std::optional<double> skew = PrintSkew(lines); skew && std::abs(*skew) > kLevelDegrees)
    grid.Degrees += *skew;
  if (const int32_t dpi = WorkingDpi(picture); dpi < kMinReadingDpi) {
    grid.Step = static_cast<double>(dpi) / kMinReadingDpi;
    grid.Width = platform::Round(grid.Width / grid.Step);
    grid.Height = platform::Round(grid.Height / grid.Step);
  }
  if (grid.Degrees != view->Grid().Degrees || grid.Step != 1) {
    view = std::make_unique<TNoteView>(picture, grid);
    own = MakeOverview(view->Raster());
    seen = &own;
    lines = FindSerialLines(*seen);
  }

  TOrientationVote vote;  // without a line: upright first, and both ways
  if (!lines.empty()) vote = VoteOrientation(view->Raster(), *seen, lines.front(), false);
  const bool turnedFirst = vote.ReadTurned();

  auto read = [&](bool halfRound) {
    if (!halfRound) return Reading(*view, ReadVerifiedSerial(view->Raster(), currency));
    const TNoteView turned(*view, kHalfRound);
    return Reading(turned, ReadVerifiedSerial(turned.Raster(), currency));
  };
  TPresentedSerial first = read(turnedFirst);
  if (first.Reading.Valid) return first;
  // Settle which way up the line reads before a whole reading the other way.
  if (!lines.empty() && !vote.Decisive())
    vote = VoteOrientation(view->Raster(), *seen, lines.front(), true);
  if (vote.Decisive() && vote.ReadTurned() == turnedFirst) return first;
  TPresentedSerial second = read(!turnedFirst);
  return second.Reading.Valid ? second : first;
}

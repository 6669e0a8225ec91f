#include "serial/shortcopy.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "image/blobs.h"
#include "image/rotation.h"
#include "serial/serialreader.h"

namespace serial_detail {
namespace {

// Where the Europa backs print the short copy's digits, as shares of the
// note's width and height, from the left and the top of the back (measured
// on real notes of each denomination; the €500 has no Europa note).
struct TPlace {
  int32_t Denomination;
  double Left, Right, Top, Bottom;
};
constexpr std::array<TPlace, 6> kEuropaShortCopies = {{
    {5, 0.40, 0.42, 0.67, 0.88},
    {10, 0.40, 0.42, 0.64, 0.89},
    {20, 0.42, 0.44, 0.65, 0.89},
    {50, 0.42, 0.44, 0.68, 0.90},
    {100, 0.42, 0.44, 0.67, 0.88},
    {200, 0.42, 0.44, 0.66, 0.90},
}};
// A found note is cut at its paper's edge, give or take a scanner's margin
// or a trimmed border: places are looked for this share of the note's size
// around where they are printed.
constexpr double kPlaceTolerance = 0.04;
// A group may hold a digit broken in two, or a mark beside the copy.
constexpr int32_t kExtraBlobs = 2;

// The strip of the note that holds every denomination's place, in shares:
// the copy is looked for there only.
struct TStrip {
  double Left = 1, Right = 0, Top = 1, Bottom = 0;
};
constexpr TStrip PlacesStrip() {
  TStrip s;
  for (const TPlace& p : kEuropaShortCopies) {
    s.Left = std::min(s.Left, p.Left - kPlaceTolerance);
    s.Right = std::max(s.Right, p.Right + kPlaceTolerance);
    s.Top = std::min(s.Top, p.Top - kPlaceTolerance);
    s.Bottom = std::max(s.Bottom, p.Bottom + kPlaceTolerance);
  }
  return s;
}

}  // namespace

std::optional<TRect> LocateShortCopy(const TDIB& work, const TSerialSeries& series) {
  if (series.ShortLeftCopy == 0) return std::nullopt;
  const int32_t w = work.Width(), h = work.Height();
  constexpr TStrip kStrip = PlacesStrip();
  const TRect strip{static_cast<int32_t>(kStrip.Left * w), static_cast<int32_t>(kStrip.Top * h),
                    std::min(w - 1, static_cast<int32_t>(kStrip.Right * w)),
                    std::min(h - 1, static_cast<int32_t>(kStrip.Bottom * h))};
  if (strip.Right <= strip.Left || strip.Bottom <= strip.Top) return std::nullopt;
  // Turned a quarter clockwise, the copy reads from left to right along the
  // turned strip's rows: strip pixel (x, y) lands on (stripHeight - 1 - y, x).
  const std::unique_ptr<TDIB> turned =
      TurnQuarters(*work.Crop(strip.Left, strip.Top, strip.Right, strip.Bottom), 1);
  const TZoneMeasures m = ZoneMeasures(turned->XDpi(), turned->YDpi(), series.Currency);
  TBlobList blobs, groups, none;
  turned->FindBlobs(8, m.minBlobWidth, m.minBlobHeight, 0, &blobs);
  DropOversizedBlobs(blobs, m);
  blobs.Sort();
  // One list: the copy may lie anywhere along the strip.
  GroupBlobs(blobs, 2 * turned->Width() + 2, m, groups, none);

  const int32_t wanted = static_cast<int32_t>(series.ShortLeftCopy) + 1;  // a group's counter
  const int32_t stripHeight = strip.Bottom - strip.Top + 1;
  for (int32_t g = 0; g < groups.Count(); ++g) {
    const TBlobRec& group = groups.Items(g);
    if (group.PixelCount < wanted || group.PixelCount > wanted + kExtraBlobs) continue;
    // Back on the note.
    const TRect box{strip.Left + group.Top, strip.Top + stripHeight - 1 - group.Right,
                    strip.Left + group.Bottom, strip.Top + stripHeight - 1 - group.Left};
    const int32_t margin = ZoneMeasures(work.XDpi(), work.YDpi(), series.Currency).zoneMargin;
    return TRect{box.Left - margin, box.Top - margin, box.Right + margin, box.Bottom + margin};
  }
  return std::nullopt;
}

std::unique_ptr<TDIB> ShortCopyUpright(const TDIB& source, const TRect& zone) {
  return TurnQuarters(*source.Crop(zone.Left, zone.Top, zone.Right, zone.Bottom), 1);
}

}  // namespace serial_detail

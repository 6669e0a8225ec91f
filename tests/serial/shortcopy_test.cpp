// Finding the Europa series' short copy (the serial's last six digits,
// printed across the note) on a bilevel note drawn by hand.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "serial/serialvalidation.h"
#include "serial/shortcopy.h"

using namespace serial_detail;

namespace {

const TSerialSeries& Europa() {
  for (const TSerialSeries& s : SerialSeries("EUR")) {
    if (s.ShortLeftCopy > 0) return s;
  }
  throw std::logic_error("no series with a short copy");
}

// A white note 133 x 72 mm at 200 dpi (a €20), 1-bit.
std::unique_ptr<TDIB> BlankNote() {
  auto note = std::make_unique<TDIB>();
  note->NewImage(1047, 567, df1Bit, 200, 200);
  note->FillWhite();
  return note;
}

// `count` digits turned a quarter: blocks 24 pixels wide (a 3 mm cap
// height) and 14 high, 4 pixels apart, stacked upwards from `bottom`.
void DrawTurnedDigits(TDIB& note, int32_t left, int32_t bottom, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t b = bottom - i * 18;
    for (int32_t y = b - 13; y <= b; ++y) {
      for (int32_t x = left; x < left + 24; ++x) note.SetPixel(x, y, note.BlackValue());
    }
  }
}

}  // namespace

TEST(ShortCopy, IsFoundOnlyInItsPlaceAndWithItsLength) {
  struct Case {
    const char* name;
    double leftShare, bottomShare;  // where the stack stands on the note
    int32_t digits;
    bool found;
  };
  const Case cases[] = {
      {"a €20's copy", 0.42, 0.88, 6, true},
      {"a €5's, further left", 0.395, 0.87, 6, true},
      {"a digit broken in two counts as a blob more", 0.42, 0.88, 7, true},
      {"too far left: the map, not the copy", 0.30, 0.88, 6, false},
      {"too high", 0.42, 0.55, 6, false},
      {"too few", 0.42, 0.88, 4, false},
      {"a column of something else", 0.42, 0.95, 12, false},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<TDIB> note = BlankNote();
    const int32_t left = static_cast<int32_t>(c.leftShare * note->Width());
    const int32_t bottom = static_cast<int32_t>(c.bottomShare * note->Height());
    DrawTurnedDigits(*note, left, bottom, c.digits);
    const std::optional<TRect> zone = LocateShortCopy(*note, Europa());
    ASSERT_EQ(zone.has_value(), c.found) << c.name;
    if (!zone) continue;
    // The stack with the zone margin (1 mm, 8 pixels) around it.
    const int32_t top = bottom - (c.digits - 1) * 18 - 13;
    EXPECT_EQ(zone->Left, left - 8) << c.name;
    EXPECT_EQ(zone->Right, left + 23 + 8) << c.name;
    EXPECT_EQ(zone->Top, top - 8) << c.name;
    EXPECT_EQ(zone->Bottom, bottom + 8) << c.name;
  }
}

TEST(ShortCopy, IsTurnedUprightClockwise) {
  // A mark at the bottom of the zone reads first: it lands on the left.
  const std::unique_ptr<TDIB> note = BlankNote();
  note->SetPixel(100, 209, note->BlackValue());
  const std::unique_ptr<TDIB> upright = ShortCopyUpright(*note, TRect{100, 100, 119, 209});
  ASSERT_EQ(upright->Width(), 110);
  ASSERT_EQ(upright->Height(), 20);
  EXPECT_EQ(upright->GetPixel(0, 0), note->BlackValue());
}

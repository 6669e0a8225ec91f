// The pass thresholds and the zone location of the serial reader, on blob
// lists laid out by hand.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "image/blobs.h"
#include "serial/serialreader.h"

using namespace serial_detail;

namespace {

// `count` blobs 10 pixels wide and 20 high, 5 pixels apart, from x = left.
void AddRow(TBlobList& blobs, int32_t left, int32_t top, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t x = left + 15 * i;
    blobs.Add(TRect{x, top, x + 9, top + 19}, 150, 0, 0);
  }
}

struct Zones {
  std::optional<TRect> left, right;
  int32_t leftGroups = 0, rightGroups = 0;
};

// Groups sorted blobs on a raster 800 pixels wide and chooses both zones.
Zones Locate(TBlobList& blobs, const TZoneMeasures& m) {
  blobs.Sort();
  TBlobList leftGroups, rightGroups;
  GroupBlobs(blobs, 800, m, leftGroups, rightGroups);
  return {ChooseZone(leftGroups, 800 / 4, m), ChooseZone(rightGroups, 3 * 800 / 4, m),
          leftGroups.Count(), rightGroups.Count()};
}

}  // namespace

TEST(SerialZones, PassThresholdsFanOutAroundOtsuAndWrapInEightBits) {
  const std::vector<int> fromHundred = {100, 108, 84, 124, 68, 140, 52, 156, 36};
  for (int32_t pass = 0; pass <= 8; ++pass) {
    EXPECT_EQ(PassThreshold(100, pass), fromHundred[pass]) << "pass " << pass;
  }
  EXPECT_EQ(PassThreshold(200, 7), 0);   // 256 wraps to 0: only pure black stays black
  EXPECT_EQ(PassThreshold(10, 2), 250);  // -6 wraps to 250: nearly all is black
  EXPECT_EQ(PassThreshold(250, 1), 2);
}

TEST(SerialZones, MeasuresRoundHalvesToEven) {
  struct Case {
    int32_t dpi;
    const char* currency;
    TZoneMeasures m;
  };
  const std::vector<Case> cases = {
      {200, "USD", {7, 8, 25, 33, 10, 20, 10, 8}},
      {200, "EUR", {7, 8, 25, 33, 10, 20, 12, 8}},
      {200, "LBP", {7, 8, 25, 33, 10, 33, 10, 2}},
      // 300 / 8 = 37.5 -> 38; 300 / 25.4 = 11.8 -> 12; 300 / 100 = 3.
      {300, "USD", {10, 12, 38, 50, 15, 30, 10, 12}},
      {300, "XYZ", {10, 12, 38, 50, 15, 50, 10, 3}},
      // 150 / 100 = 1.5 -> 2; 150 / 6 = 25.
      {150, "LBP", {5, 6, 19, 25, 8, 25, 10, 2}},
  };
  for (const Case& c : cases) {
    const TZoneMeasures m = ZoneMeasures(c.dpi, c.dpi, c.currency);
    const std::vector<int32_t> got = {m.minBlobWidth,    m.minBlobHeight, m.maxBlobWidth,
                                      m.maxBlobHeight,   m.verticalJoin,  m.horizontalJoin,
                                      m.minGroupCounter, m.zoneMargin};
    const std::vector<int32_t> want = {c.m.minBlobWidth,    c.m.minBlobHeight, c.m.maxBlobWidth,
                                       c.m.maxBlobHeight,   c.m.verticalJoin,  c.m.horizontalJoin,
                                       c.m.minGroupCounter, c.m.zoneMargin};
    EXPECT_EQ(got, want) << c.dpi << " dpi " << c.currency;
  }
}

TEST(SerialZones, OversizedBlobsAreDroppedFromOnePixelPastTheLimit) {
  const TZoneMeasures m = ZoneMeasures(200, 200, "USD");  // at most 25 across, 33 down
  TBlobList blobs;
  blobs.Add(TRect{0, 0, 25, 10}, 1, 0, 0);     // kept: right - left = 25
  blobs.Add(TRect{50, 0, 76, 10}, 1, 0, 0);    // 26 across
  blobs.Add(TRect{100, 0, 110, 33}, 1, 0, 0);  // kept: bottom - top = 33
  blobs.Add(TRect{150, 0, 160, 34}, 1, 0, 0);  // 34 down
  DropOversizedBlobs(blobs, m);
  ASSERT_EQ(blobs.Count(), 2);
  EXPECT_EQ(blobs.Items(0).Left, 0);
  EXPECT_EQ(blobs.Items(1).Left, 100);
}

TEST(SerialZones, AZoneNeedsTheCurrencysCounterOnTheQuarterLine) {
  struct Case {
    const char* currency;
    int32_t blobs;
    bool zone;
  };
  // A group of n blobs has counter n + 1: nine blobs make a dollar zone,
  // a euro zone needs eleven.
  for (const Case& c : {Case{"USD", 9, true}, Case{"USD", 8, false}, Case{"EUR", 10, false},
                        Case{"EUR", 11, true}, Case{"LBP", 9, true}}) {
    const TZoneMeasures m = ZoneMeasures(200, 200, c.currency);
    TBlobList blobs;
    AddRow(blobs, 150, 40, c.blobs);
    AddRow(blobs, 550, 300, c.blobs);
    const Zones z = Locate(blobs, m);
    EXPECT_EQ(z.left.has_value(), c.zone) << c.currency << " " << c.blobs;
    EXPECT_EQ(z.right.has_value(), c.zone) << c.currency << " " << c.blobs;
    if (c.zone) {
      const int32_t e = m.zoneMargin;
      const int32_t right = 150 + 15 * (c.blobs - 1) + 9;
      EXPECT_EQ(*z.left, (TRect{150 - e, 40 - e, right + e, 59 + e})) << c.currency;
    }
  }
}

TEST(SerialZones, TheQuarterLineIsTestedOnTheUnenlargedBox) {
  const TZoneMeasures m = ZoneMeasures(200, 200, "USD");  // margin 8
  // Nine blobs from x = 71 end exactly on x = 200: still a zone.
  TBlobList onTheLine;
  AddRow(onTheLine, 71, 40, 9);
  EXPECT_TRUE(Locate(onTheLine, m).left.has_value());
  // From x = 70 they end on x = 199: the margin would reach the line, the box does not.
  TBlobList shortOfIt;
  AddRow(shortOfIt, 70, 40, 9);
  EXPECT_FALSE(Locate(shortOfIt, m).left.has_value());
  // Starting right of the line by one pixel fails the same way.
  TBlobList pastIt;
  AddRow(pastIt, 201, 40, 9);
  EXPECT_FALSE(Locate(pastIt, m).left.has_value());
}

TEST(SerialZones, GroupingJoinsOnlyBlobsOnOneLineAndCloseEnough) {
  const TZoneMeasures m = ZoneMeasures(200, 200, "USD");  // 10 down, 20 across
  {
    // A blob standing 10 pixels lower (the tolerance) starts its own group,
    // which splits the row below the counter.
    TBlobList blobs;
    AddRow(blobs, 150, 40, 4);
    AddRow(blobs, 210, 50, 1);
    AddRow(blobs, 225, 40, 4);
    const Zones z = Locate(blobs, m);
    EXPECT_FALSE(z.left.has_value());
  }
  {
    // Nine pixels lower is still the same line.
    TBlobList blobs;
    AddRow(blobs, 150, 40, 4);
    AddRow(blobs, 210, 49, 1);
    AddRow(blobs, 225, 40, 4);
    EXPECT_TRUE(Locate(blobs, m).left.has_value());
  }
  {
    // A gap of 20 pixels from the group's right edge breaks the row; 19 does not.
    TBlobList far, near;
    AddRow(far, 100, 40, 5);
    AddRow(far, 100 + 15 * 4 + 9 + 20, 40, 5);
    AddRow(near, 100, 40, 5);
    AddRow(near, 100 + 15 * 4 + 9 + 19, 40, 5);
    EXPECT_FALSE(Locate(far, m).left.has_value());
    EXPECT_TRUE(Locate(near, m).left.has_value());
  }
  {
    // Blobs starting left of the middle belong to the left groups, the rest
    // to the right groups, even when they stand in one row.
    TBlobList blobs;
    AddRow(blobs, 340, 40, 9);  // 340 .. 469 across x = 400
    const Zones z = Locate(blobs, m);
    EXPECT_EQ(z.leftGroups, 1);
    EXPECT_EQ(z.rightGroups, 1);
  }
}

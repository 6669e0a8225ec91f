#include <gtest/gtest.h>

#include "platform/rounding.h"

using platform::Round;
using platform::Trunc;

TEST(Rounding, RoundGoesToEvenOnTiesAndTruncCutsTowardZero) {
  struct Case {
    double v;
    int32_t round, trunc;
  };
  for (const Case& c : {Case{0.5, 0, 0}, Case{1.5, 2, 1}, Case{2.5, 2, 2}, Case{-2.5, -2, -2},
                        Case{-1.7, -2, -1}, Case{150 * 39.37, 5906, 5905},
                        Case{72 * 39.37, 2835, 2834}, Case{11811.0 / 39.37, 300, 300}}) {
    EXPECT_EQ(Round(c.v), c.round) << c.v;
    EXPECT_EQ(Trunc(c.v), c.trunc) << c.v;
  }
}

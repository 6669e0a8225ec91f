#include <gtest/gtest.h>

#include "serial/confidencetext.h"

TEST(ConfidenceText, ShortestGeneralForm) {
  const struct {
    double value;
    const char* text;
  } kCases[] = {{100, "100"}, {92, "92"}, {46.5, "46.5"}, {91.67, "91.67"}, {0, "0"}};
  for (const auto& c : kCases) EXPECT_EQ(ConfidenceText(c.value), c.text) << c.value;
}

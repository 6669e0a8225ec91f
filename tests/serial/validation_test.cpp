#include <gtest/gtest.h>

#include "serial/serialvalidation.h"

TEST(SerialValidation, RulesPerCurrency) {
  struct Case {
    const char* currency;
    const char* serial;
    bool valid;
  };
  const Case cases[] = {
      {"USD", "A12345678B", true},    {"USD", "AB12345678C", true},
      {"USD", "MK60834863*", true},  // star note
      {"USD", "A1234567B", false},   // seven digits
      {"USD", "ABC12345678D", false}, {"USD", "A12345678~", false},
      {"USD", "a12345678B", false},   {"USD", "A1234567XB", false},  // a letter among the digits
      {"USD", "*12345678B", false},                                  // the star only ends a serial
      {"EUR", "A00000000007", true},  {"EUR", "M34892405068", true},
      {"EUR", "X12345678901", false},  // check value 7
      {"EUR", "A0000000000~", false}, {"EUR", "A0000000007", false},
      {"EUR", "a00000000007", false}, {"LBP", "L964226819", true},
      {"LBP", "L96422681", false},    {"LBP", "LL96422681", false},
      {"LBP", "L96422~819", false},   {"LBP", "l964226819", false},
      {"JPY", "A12345678B", false},   {"USD", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidSerial(c.currency, c.serial), c.valid) << c.currency << " " << c.serial;
  }
}

TEST(SerialValidation, LayoutsByLength) {
  EXPECT_EQ(SerialLayout("USD", 10), "LDDDDDDDDS");
  EXPECT_EQ(SerialLayout("USD", 11), "LLDDDDDDDDS");
  EXPECT_EQ(SerialLayout("USD", 12), "");
  EXPECT_EQ(SerialLayout("EUR", 12), "LDDDDDDDDDDD");
  EXPECT_EQ(SerialLayout("LBP", 10), "LDDDDDDDDD");
  EXPECT_TRUE(SerialLayouts("AUTO").empty());
}

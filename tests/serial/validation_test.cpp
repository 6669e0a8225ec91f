#include <gtest/gtest.h>

#include "serial/serialvalidation.h"

TEST(SerialValidation, RulesPerCurrency) {
  struct Case {
    const char* currency;
    const char* serial;
    bool valid;
  };
  const Case cases[] = {
      {"USD", "A12345678B", true},
      {"USD", "AB12345678C", true},
      {"USD", "MK60834863*", true},  // star note
      {"USD", "A1234567B", false},   // seven digits
      {"USD", "ABC12345678D", false},
      {"USD", "A12345678~", false},
      {"USD", "a12345678B", false},
      {"USD", "A1234567XB", false},  // a letter among the digits
      {"USD", "*12345678B", false},  // the star only ends a serial
      {"EUR", "A00000000007", true},
      {"EUR", "M34892405068", true},
      {"EUR", "X12345678901", false},  // check value 7
      {"EUR", "UD4048789986", true},   // Europa: the letters' codes and the digits add up to 216
      {"EUR", "NA3802962421", true},
      {"EUR", "UD404878998", false},
      {"EUR", "UDD048789986", false},
      {"EUR", "A0000000000~", false},
      {"EUR", "A0000000007", false},
      {"EUR", "a00000000007", false},
      {"LBP", "L964226819", true},
      {"LBP", "L96422681", false},
      {"LBP", "LL96422681", false},
      {"LBP", "L96422~819", false},
      {"LBP", "l964226819", false},
      {"JPY", "A12345678B", false},
      {"USD", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidSerial(c.currency, c.serial), c.valid) << c.currency << " " << c.serial;
  }
}

TEST(SerialValidation, AValidSerialNamesItsSeries) {
  struct Case {
    const char* currency;
    const char* serial;
    const char* series;  // nullptr: not valid
  };
  const Case cases[] = {
      {"EUR", "M34892405068", "first"}, {"EUR", "SD8005927907", "europa"},
      {"EUR", "S58005927907", "first"},  // the Europa serial misread passes the check
      {"EUR", "SD800592790", nullptr},  {"USD", "MK60834863*", ""},
      {"LBP", "L964226819", ""},        {"AUTO", "L964226819", nullptr},
  };
  for (const Case& c : cases) {
    const TSerialSeries* series = ValidSeries(c.currency, c.serial);
    ASSERT_EQ(series != nullptr, c.series != nullptr) << c.serial;
    if (series) EXPECT_EQ(series->Name, c.series) << c.serial;
  }
  EXPECT_TRUE(SerialLayouts("AUTO").empty());
}

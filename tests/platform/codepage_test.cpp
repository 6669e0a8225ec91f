#include <gtest/gtest.h>

#include "platform/codepage.h"

using namespace platform;

TEST(CodePage, WideToWindows1252AndBack) {
  EXPECT_EQ(WideToAnsi(u"A\u00E9\u20AC\u0153\u4E00"), std::string("A\xE9\x80\x9C?"));
  EXPECT_EQ(AnsiToWide("\x80\xE9"), u"\u20AC\u00E9");
  // The classifier's code 0x80 (the euro shape) gives the euro sign's byte.
  EXPECT_EQ(WideToAnsi(u"\u0080\u0081\u009F"), std::string("\x80\x81\x9F"));
  EXPECT_EQ(AnsiToUtf8("\x80\xE9z"), "\xE2\x82\xAC\xC3\xA9z");
  EXPECT_EQ(WideToUtf8(u"\uE001"), "\xEE\x80\x81");
  EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

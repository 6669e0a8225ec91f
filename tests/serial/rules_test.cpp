#include <gtest/gtest.h>

#include "serial/serialreader.h"

using namespace serial_detail;

TEST(SerialRules, CurrencyFromNoteSize) {
  struct Case {
    double w, h;
    const char* currency;
  };
  for (const Case& c :
       {Case{1228 / 200.0 * 25.4, 522 / 200.0 * 25.4, "USD"}, Case{140, 72, "EUR"},
        Case{150, 70, "USD"}, Case{148, 72, "EUR"}, Case{100, 40, "LBP"}, Case{175, 75, "LBP"}}) {
    EXPECT_EQ(DetectCurrency(c.w, c.h), c.currency) << c.w << " x " << c.h;
  }
}

TEST(SerialRules, SpliceByCurrencyLayout) {
  struct Case {
    const char* letters;
    const char* digits;
    const char* currency;
    const char* value;
  };
  for (const Case& c : {
           Case{"ABCDEFGHIJ", "0123456789", "USD", "A12345678J"},
           Case{"ABCDEFGHIJK", "01234567890", "USD", "AB23456789K"},
           // A digit reading too short for the splice leaves the letter reading there.
           Case{"ABCDEFGHIJK", "012345678", "USD", "AB2345678JK"},
           Case{"XABCDEFGHIJK", "012345678901", "EUR", "X12345678901"},
           Case{"XABCDEFGHI", "0123456789", "LBP", "X123456789"},
           Case{"ABCDEFGH", "0123456789", "USD", ""},
           Case{"ABCDEFGHIJ", "01234567", "EUR", ""},
       }) {
    EXPECT_EQ(SpliceZone(c.letters, c.digits, c.currency), c.value) << c.letters << " " << c.digits;
  }
}

TEST(SerialRules, CrossFillRepairsEachSide) {
  std::string left = "A12~45678B", right = "A123456~8B";
  CrossFill(left, right);
  EXPECT_EQ(left, "A12345678B");
  EXPECT_EQ(right, "A12345678B");
  std::string a = "A~C", b = "A~";
  CrossFill(a, b);
  EXPECT_EQ(a, "A~C") << "a position unreadable on both sides stays unreadable";
}

TEST(SerialRules, EuroCheckValue) {
  EXPECT_EQ(EuroCheckValue("X12345678901"), 7);
  EXPECT_EQ(EuroCheckValue("A00000000007"), 8);
  EXPECT_EQ(EuroCheckValue(""), 0);
  EXPECT_EQ(EuroCheckValue("Z"), 8);  // 26 -> 2 + 6
}

TEST(SerialRules, AcceptancePerCurrency) {
  struct Case {
    const char* currency;
    const char* left;
    const char* right;
    std::vector<TSerialCandidate> expected;
    double confidence;
  };
  const std::vector<Case> cases = {
      {"EUR", "A00000000007", "X12345678901", {{"A00000000007", 10000}}, 100},
      {"EUR", "X12345678901", "A00000000007", {{"A00000000007", 10000}}, 100},
      {"EUR", "A0000000000~", "", {}, 0},
      {"USD", "A12~45678B", "A12~45678B", {{"A12~45678B", 10000}}, 100},
      {"USD", "A12345678B", "A12345678C", {{"A12345678B", 9000}}, 90},
      {"USD", "A12~45678B", "A12345678C", {{"A12345678C", 9000}}, 90},
      {"USD", "A123", "", {}, 0},
      {"LBP", "A123456789", "A123456789", {{"A123456789", 10000}, {"A123456789", 10000}}, 100},
      {"LBP", "", "A123456789", {{"A123456789", 9000}}, 90},
      {"LBP", "A123456789", "B12345678~", {{"A123456789", 10000}}, 100},
      {"JPY", "A123456789", "A123456789", {}, 0},
  };
  for (const Case& c : cases) {
    std::vector<TSerialCandidate> candidates;
    std::string serial;
    double confidence = 0;
    AcceptValues(c.currency, c.left, c.right, candidates, serial, confidence);
    ASSERT_EQ(candidates.size(), c.expected.size()) << c.currency << " " << c.left;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      EXPECT_EQ(candidates[i].Text, c.expected[i].Text);
      EXPECT_EQ(candidates[i].Weight, c.expected[i].Weight);
    }
    EXPECT_EQ(confidence, c.confidence) << c.currency << " " << c.left;
  }
}

TEST(SerialRules, VoteOverCandidates) {
  std::string serial;
  double confidence = 0;
  VoteCandidates({{"A12345678B", 9000}}, 3, serial, confidence);
  EXPECT_EQ(serial, "A12345678B");
  EXPECT_EQ(confidence, 90.0);

  VoteCandidates(std::vector<TSerialCandidate>(9, {"A12345678B", 9000}), 9, serial, confidence);
  EXPECT_EQ(serial, "A12345678B");
  EXPECT_EQ(confidence, 92.0);

  VoteCandidates({{"A12345678E", 9000}, {"A12345678B", 9000}}, 9, serial, confidence);
  EXPECT_EQ(serial, "A12345678B") << "the lowest code wins a tie";
  EXPECT_EQ(confidence, 46.0);

  VoteCandidates({{"AB", 9000}, {"AC", 9000}, {"AC", 9000}}, 2, serial, confidence);
  EXPECT_EQ(serial, "AC");
  EXPECT_EQ(confidence, 66.0);

  // Eight candidates that differ at the second position: 93 x 1/8 = 11.625,
  // which keeps two decimals with the half to even.
  VoteCandidates({{"A1", 9000},
                  {"A2", 9000},
                  {"A3", 9000},
                  {"A4", 9000},
                  {"A5", 9000},
                  {"A6", 9000},
                  {"A7", 9000},
                  {"A8", 9000}},
                 8, serial, confidence);
  EXPECT_EQ(serial, "A1");
  EXPECT_EQ(confidence, 11.62);

  VoteCandidates({}, 9, serial, confidence);
  EXPECT_EQ(serial, "");
}

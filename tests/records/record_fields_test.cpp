// The fields of a record that the store does not compute itself: times in
// the records' form, and the content hash.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "records/contenthash.h"
#include "records/timestamps.h"

namespace records {
namespace {

// Runs with a fixed local zone (a POSIX rule, no time zone files needed).
class RecordTimeTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    saved_ = tz != nullptr ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  std::optional<std::string> saved_;
};

TEST_F(RecordTimeTest, ReadsDatesAndTimesInLocalTimeOrWithTheirZone) {
  const std::pair<const char*, const char*> cases[] = {
      {"2024-05-01", "2024-04-30T22:00:00.000Z"},  // local midnight, summer time
      {"2024-01-15 08:30", "2024-01-15T07:30:00.000Z"},
      {"2024-01-15T08:30:05.25", "2024-01-15T07:30:05.250Z"},
      {"2024-01-15T08:30:05.123456Z", "2024-01-15T08:30:05.123Z"},
      {"2024-01-15T08:30+02:00", "2024-01-15T06:30:00.000Z"},
      {"2024-01-15T08:30-0500", "2024-01-15T13:30:00.000Z"},
      {"2024-02-29", "2024-02-28T23:00:00.000Z"},
  };
  for (const auto& [text, stored] : cases) EXPECT_EQ(ParseRecordTime(text), stored) << text;
  for (const char* wrong :
       {"2023-02-29", "2024-13-01", "2024-01-15 24:00", "yesterday", "2024-01-15T08", "2024-1-15"})
    EXPECT_EQ(ParseRecordTime(wrong), std::nullopt) << wrong;
}

TEST_F(RecordTimeTest, WritesRecordTimesInUtcAndBatchNamesInLocalTime) {
  const auto t = std::chrono::system_clock::time_point(std::chrono::milliseconds(1714559696007));
  EXPECT_EQ(RecordTime(t), "2024-05-01T10:34:56.007Z");
  EXPECT_EQ(DefaultBatchName(t), "2024-05-01 12:34:56");
}

TEST(ContentHash, IsTheSha256OfTheBytes) {
  const std::string abc = "abc";
  EXPECT_EQ(ContentHash({reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()}),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace records

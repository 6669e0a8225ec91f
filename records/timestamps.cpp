#include "records/timestamps.h"

#include <cstdio>
#include <ctime>
#include <regex>

namespace records {
namespace {

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::string RecordTime(std::chrono::system_clock::time_point t) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch());
  const std::time_t seconds =
      static_cast<std::time_t>(std::chrono::floor<std::chrono::seconds>(ms).count());
  const int millis = static_cast<int>(ms.count() - static_cast<int64_t>(seconds) * 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
  return text;
}

std::optional<std::string> ParseRecordTime(std::string_view text) {
  static const std::regex kTime(
      R"((\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(?:\.(\d{1,9}))?)?)?)"
      R"((Z|([+-])(\d{2}):?(\d{2}))?)");
  std::match_results<std::string_view::const_iterator> m;
  if (!std::regex_match(text.begin(), text.end(), m, kTime)) return std::nullopt;
  const auto number = [&](int i) { return m[i].matched ? std::stoi(m[i].str()) : 0; };
  std::tm tm{};
  tm.tm_year = number(1) - 1900;
  tm.tm_mon = number(2) - 1;
  tm.tm_mday = number(3);
  tm.tm_hour = number(4);
  tm.tm_min = number(5);
  tm.tm_sec = number(6);
  if (number(2) < 1 || number(2) > 12 || tm.tm_mday < 1 ||
      tm.tm_mday > DaysInMonth(number(1), number(2)) || tm.tm_hour > 23 || tm.tm_min > 59 ||
      tm.tm_sec > 59)
    return std::nullopt;
  int64_t millis = 0;
  if (m[7].matched) millis = std::stoi((m[7].str() + "00").substr(0, 3));
  std::time_t seconds;
  if (!m[8].matched) {
    tm.tm_isdst = -1;  // whichever applies on that day
    seconds = std::mktime(&tm);
  } else {
    const int offsetMinutes = m[9].matched ? number(10) * 60 + number(11) : 0;
    if (number(10) > 23 || number(11) > 59) return std::nullopt;
    seconds = timegm(&tm) - (m[9].str() == "-" ? -1 : 1) * offsetMinutes * 60;
  }
  return RecordTime(std::chrono::system_clock::time_point(std::chrono::seconds(seconds)) +
                    std::chrono::milliseconds(millis));
}

std::string DefaultBatchName(std::chrono::system_clock::time_point t) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace records

// The times of records. A record's time is UTC with milliseconds,
// "2024-05-01T10:34:56.123Z": of fixed width, so that its text sorts in time
// order in either database.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace records {

std::string RecordTime(std::chrono::system_clock::time_point t);
// A time as a user writes it, in the records' form: a date ("2024-05-01"),
// or a date and a time of day after a "T" or a space ("2024-05-01 10:34",
// "2024-05-01T10:34:56.5"), in local time unless it ends in "Z" or an
// offset ("+02:00", "-0500"). None when the text is no such time.
std::optional<std::string> ParseRecordTime(std::string_view text);
// A batch's default name: the local date and time, "2024-05-01 12:34:56".
std::string DefaultBatchName(std::chrono::system_clock::time_point t);

}  // namespace records

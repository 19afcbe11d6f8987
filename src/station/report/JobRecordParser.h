#pragma once
#include <chrono>
#include <string>
#include <string_view>

#include "station/report/LoggedJob.h"

namespace zt::station {

// One line of a station log read as a job record. False with a short reason
// when the line is not one: not JSON, not an object, or without the status
// and the times every record carries. Fields that are unknown are skipped,
// so lines of newer tools are read as far as the report needs them. A record
// whose times lie before 2000 or after `latest`, or whose duration is
// negative, not a number or longer than a day, is not one either.
bool ParseJobRecord(std::string_view line, LoggedJob* job, std::string* reason,
                    std::chrono::system_clock::time_point latest);

// The first `most` bytes of `text`, or fewer, never cutting a UTF-8 character.
std::string Utf8Prefix(std::string_view text, size_t most);

// "2026-12-08T01:21:43.123Z" (the milliseconds may be left out); false for
// anything else.
bool ParseIsoTime(std::string_view text, std::chrono::system_clock::time_point* moment);

}  // namespace zt::station

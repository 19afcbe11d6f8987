#pragma once
#include <string>
#include <string_view>

#include "station/report/LoggedJob.h"

namespace zt::station {

// One line of a station log read as a job record. False with a short reason
// when the line is not one: not JSON, not an object, or without the status
// and the times every record carries. Fields that are unknown are skipped,
// so lines of newer tools are read as far as the report needs them.
bool ParseJobRecord(std::string_view line, LoggedJob* job, std::string* reason);

// "2026-12-08T01:21:43.123Z" (the milliseconds may be left out); false for
// anything else.
bool ParseIsoTime(std::string_view text, std::chrono::system_clock::time_point* moment);

}  // namespace zt::station

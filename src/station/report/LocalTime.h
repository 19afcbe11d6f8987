#pragma once
#include <chrono>
#include <optional>
#include <string>

namespace zt::station {

// The computer's own time zone (TZ, the system's setting), for what a
// person reads where they stand. Records and JSON stay in UTC.

// Local time minus UTC at `moment` (daylight saving included); zero when the
// zone cannot tell.
std::chrono::seconds LocalOffset(std::chrono::system_clock::time_point moment);

// The zone's short name at `moment` ("CET", "CEST"), "" when it has none.
std::string LocalZoneName(std::chrono::system_clock::time_point moment);

// "2026-12-07T09:00:00.000+01:00": ISO 8601 in local time, with the offset.
std::string FormatLocalIsoTime(std::chrono::system_clock::time_point moment);

// The moment a local date and time of day stand for; nullopt when the zone
// cannot place it. A time the clocks skip over is taken as the zone's C
// library places it.
std::optional<std::chrono::system_clock::time_point> LocalMoment(std::chrono::year_month_day date,
                                                                 std::chrono::seconds timeOfDay);

}  // namespace zt::station

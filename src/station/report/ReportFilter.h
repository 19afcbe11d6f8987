#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "station/report/LoggedJob.h"

namespace zt::station {

// Which records a report sums up: those of a span of time and of some
// stations. A record counts when its job started at or after `since` and
// before `until`, on one of `stations` (its stationId, else its host).
struct ReportFilter {
    std::optional<std::chrono::system_clock::time_point> since, until;
    std::vector<std::string> stations;  // empty: every station

    bool Any() const { return since || until || !stations.empty(); }
    bool Admits(const LoggedJob& job) const;
};

// The forms a time of --since and --until takes, for help and refusals.
constexpr const char* kReportTimeForms =
    "2026-12-07, 2026-12-07T08:00, 2026-12-07T08:00:30 (or with a space for the T), each time with an "
    "optional zone: Z or +01:00";

// Which end of a day a date without a time stands for: its start (--since)
// or the start of the next day (--until), so that a day given to both is
// the whole day.
enum class DayEdge { Start, End };

// A time of --since or --until in one of kReportTimeForms. A time without a
// zone is UTC, or the computer's local time when `local`. False for anything
// else (and for a date or time that does not exist, such as 2026-02-30 or
// 24:00).
bool ParseReportTime(std::string_view text, bool local, DayEdge edge,
                     std::chrono::system_clock::time_point* moment);

}  // namespace zt::station

#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "station/report/LoggedJob.h"

namespace zt::station {

// A line that is not a record, named so that someone can go and look at it.
struct InvalidLine {
    std::string file;
    size_t line = 0;  // counted from 1
    std::string reason;
};

// The records of one or more station logs, in the order they were read, and
// every line that was not one. A torn line (a full disk, a power cut) or a
// stray line of something else is counted and named; it never stops the
// reading. Blank lines are not records and are passed over.
struct StationLogReading {
    std::vector<LoggedJob> jobs;
    std::vector<InvalidLine> invalid;
    std::vector<std::string> files;

    // Adds every line of `text`, the contents of the log called `file`.
    void AddLog(const std::string& file, std::string_view text);
};

}  // namespace zt::station

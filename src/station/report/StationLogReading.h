#pragma once
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "station/report/ReportFilter.h"
#include "station/report/StationFigures.h"

namespace zt::station {

// A line that is not a record, named so that someone can go and look at it.
struct InvalidLine {
    std::string file;
    size_t line = 0;  // counted from 1
    std::string reason;
};

// The records of one or more station logs, summed up line by line as they
// are read, and the lines that were not records. A torn line (a full disk, a
// power cut) or a stray line of something else is counted and named; it
// never stops the reading. Blank lines are not records and are passed over.
struct StationLogReading {
    static constexpr size_t kInvalidLinesKept = 1000;

    // Records that end later than this are not believed (a clock far ahead).
    std::chrono::system_clock::time_point latest;
    // The records summed up; the others still count as records, in filteredOut.
    ReportFilter filter;
    size_t records = 0;
    size_t filteredOut = 0;
    size_t invalidLines = 0;
    std::vector<InvalidLine> invalid;  // the first kInvalidLinesKept of them
    std::vector<std::string> files;
    StationFiguresBuilder figures;

    explicit StationLogReading(std::chrono::system_clock::time_point latestEnd) : latest(latestEnd) {}

    // Starts the log called `file`; its lines follow through AddLine.
    void StartLog(const std::string& file) { files.push_back(file); }
    // Line `number` (from 1) of the log started last, without its line end.
    void AddLine(size_t number, std::string_view line);
    // Line `number` of the log started last, too long to be a record.
    void AddOverlongLine(size_t number);
    // Every line of `text`, the whole contents of the log called `file`.
    void AddLog(const std::string& file, std::string_view text);

private:
    void AddInvalid(size_t number, std::string reason);
};

}  // namespace zt::station

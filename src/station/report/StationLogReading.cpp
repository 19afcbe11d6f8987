#include "station/report/StationLogReading.h"

#include "station/report/JobRecordParser.h"

namespace zt::station {

void StationLogReading::AddInvalid(size_t number, std::string reason) {
    ++invalidLines;
    if (invalid.size() < kInvalidLinesKept) invalid.push_back({files.back(), number, std::move(reason)});
}

void StationLogReading::AddLine(size_t number, std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) return;
    LoggedJob job;
    std::string reason;
    if (!ParseJobRecord(line, &job, &reason, latest)) {
        AddInvalid(number, std::move(reason));
        return;
    }
    if (!filter.Admits(job)) {
        ++filteredOut;
        return;
    }
    ++records;
    figures.Add(job);
}

void StationLogReading::AddOverlongLine(size_t number) { AddInvalid(number, "too long for a record"); }

void StationLogReading::AddLog(const std::string& file, std::string_view text) {
    StartLog(file);
    size_t number = 0;
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        AddLine(++number, text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    }
}

}  // namespace zt::station

#include "station/report/StationLogReading.h"

#include "station/report/JobRecordParser.h"

namespace zt::station {

void StationLogReading::AddLog(const std::string& file, std::string_view text) {
    files.push_back(file);
    size_t lineNumber = 0;
    std::string reason;
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        LoggedJob job;
        if (ParseJobRecord(line, &job, &reason))
            jobs.push_back(std::move(job));
        else
            invalid.push_back({file, lineNumber, reason});
    }
}

}  // namespace zt::station

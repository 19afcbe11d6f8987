#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "station/records/StationLog.h"

namespace zt::tools {

// A day of a production line made up: stations writing units one after the
// other on their ports, with failures, retried units and the odd interrupted
// job, so that the station report can be shown, tested and timed on logs
// the size a factory has. Every line is what the tool's own record formatter
// writes; only the host name is the made-up station's.
struct StationDayOptions {
    int jobs = 2000;
    int stations = 3;
    int portsPerStation = 4;
    uint32_t seed = 20261207;
    std::chrono::system_clock::time_point dayStart =
        std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + std::chrono::hours{6};
};

struct SimulatedJob {
    std::string host;
    station::StationRecord record;
};

// The jobs in the order their stations finished them.
std::vector<SimulatedJob> SimulateStationDay(const StationDayOptions& options);

// The job as its line of the station log, host included, with its newline.
std::string FormatSimulatedJob(const SimulatedJob& job);

}  // namespace zt::tools

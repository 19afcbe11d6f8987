#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "station/report/LoggedJob.h"

namespace zt::station {

// Write jobs of one group (all, one station, one port of a station) by
// outcome. Yield is passed over passed plus failed: a job stopped by Ctrl-C
// or declined at a prompt says nothing about the unit.
struct JobTally {
    std::string station;  // "" for the whole
    std::string port;     // "" for a whole station
    int passed = 0, failed = 0, interrupted = 0, cancelled = 0;

    int Jobs() const { return passed + failed + interrupted + cancelled; }
    // 0 to 1; 0 when nothing passed or failed.
    double Yield() const { return passed + failed == 0 ? 0.0 : double(passed) / double(passed + failed); }
};

// One slice of time: units that passed in it, and what that makes per hour.
struct ThroughputSlice {
    std::chrono::system_clock::time_point start;
    int passed = 0, failed = 0;
    double unitsPerHour = 0;
};

// One failure code and how often it ended a write job, most frequent first.
struct CodeCount {
    uint32_t code = 0;
    int count = 0;
    double cumulativeShare = 0;  // of all failures with a code, this and every code before it, 0 to 1
    bool known = false;          // the catalogue knows the code
    std::string name, meaning;
};

struct DurationBin {
    int64_t fromMs = 0, toMs = 0;  // [from, to); the last bin also holds longer jobs
    int passed = 0, failed = 0;
};

struct DurationSummary {
    int count = 0;
    int64_t medianMs = 0, p90Ms = 0, maxMs = 0;
};

// Units told apart by barcode or serial: whether their first write passed.
struct FirstPassYield {
    int units = 0;             // distinct units
    int passedFirst = 0;       // the earliest write job of the unit passed
    int passedEventually = 0;  // one of its write jobs passed
    int retried = 0;           // more than one write job
    int jobsWithoutUnit = 0;   // write jobs that name no unit, left out here

    double Rate() const { return units == 0 ? 0.0 : double(passedFirst) / double(units); }
};

struct StationFigures {
    std::chrono::system_clock::time_point first, last;  // the earliest start and the latest end
    JobTally overall;
    std::vector<JobTally> stations;         // by name
    std::vector<JobTally> ports;            // by station, then port
    std::map<std::string, int> otherKinds;  // erase, read, verify records: counted, not in the yield

    std::chrono::seconds sliceLength{3600};
    std::vector<ThroughputSlice> throughput;  // every slice from the first job to the last, empty ones too
    double peakUnitsPerHour = 0;

    std::vector<CodeCount> pareto;
    int failuresWithoutCode = 0;

    std::vector<DurationBin> durations;
    DurationSummary passedDurations, failedDurations;

    FirstPassYield firstPass;
};

// The figures of the write jobs among `jobs` (any order).
StationFigures ComputeStationFigures(const std::vector<LoggedJob>& jobs);

}  // namespace zt::station

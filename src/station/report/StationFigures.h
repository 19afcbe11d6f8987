#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
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

// One slice of time: units that passed and failed in it, and what that makes
// per hour. Units per hour are the units finished, passed and failed alike,
// as a station's counters count them; passed per hour only those that passed.
struct ThroughputSlice {
    std::chrono::system_clock::time_point start;
    int passed = 0, failed = 0;
    double unitsPerHour = 0;
    double passedPerHour = 0;
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

// Units told apart by barcode, else by the serial their job wrote: whether
// their first write passed. A job that names neither is counted apart and not
// taken as a repeat of any unit.
struct FirstPassYield {
    int units = 0;             // distinct units
    int passedFirst = 0;       // the earliest write job of the unit passed
    int passedEventually = 0;  // one of its write jobs passed
    int retried = 0;           // more than one write job
    int jobsWithoutUnit = 0;   // write jobs that name no unit, left out here

    double Rate() const { return units == 0 ? 0.0 : double(passedFirst) / double(units); }
};

// One OK write job that gave a unit a serial.
struct SerialWriting {
    std::string station, port, barcode;
    std::chrono::system_clock::time_point start;
};

// A serial written into more than one unit: two OK write jobs that wrote it
// and are not the same unit, i.e. neither carry the same barcode nor are the
// same job (station, port and start) read twice.
struct DuplicateSerial {
    std::string serial;
    int units = 0;                    // distinct units that got it
    std::vector<SerialWriting> uses;  // the first few of them, earliest first
};

struct StationFigures {
    std::chrono::system_clock::time_point first, last;  // the earliest start and the latest end
    JobTally overall;
    std::vector<JobTally> stations;         // by name, in natural order (st2 before st10)
    std::vector<JobTally> ports;            // by station, then port (1-1.2 before 1-1.10)
    std::map<std::string, int> otherKinds;  // erase, read, verify records: counted, not in the yield

    std::chrono::seconds sliceLength{3600};
    std::vector<ThroughputSlice> throughput;  // every slice from the first job to the last, empty ones too
    double peakUnitsPerHour = 0, peakPassedPerHour = 0;

    std::vector<CodeCount> pareto;
    int failuresWithoutCode = 0;

    std::vector<DurationBin> durations;
    DurationSummary passedDurations, failedDurations;

    FirstPassYield firstPass;
    std::vector<DuplicateSerial> duplicateSerials;  // by serial
};

// Sums records up as they are read, in any order, keeping per record only
// its duration and per unit a few bytes, so a log of any length is read
// without holding it.
class StationFiguresBuilder {
public:
    void Add(const LoggedJob& job);
    StationFigures Finish();

private:
    struct UnitRecord {
        std::chrono::system_clock::time_point firstStart;
        bool firstPassed = false, passedAtAll = false;
        int jobs = 0;
    };
    struct SerialRecord {
        SerialWriting first;
        DuplicateSerial* duplicate = nullptr;  // once a second unit got it
    };
    void AddSerial(const LoggedJob& job);

    StationFigures figures_;
    bool anyWrite_ = false;
    std::map<std::string, JobTally> stations_;
    std::map<std::pair<std::string, std::string>, JobTally> ports_;
    std::map<int64_t, std::pair<int, int>> hours_;  // passed, failed by the hour each job ended in
    std::map<uint32_t, std::pair<int, std::string>> codes_;
    std::vector<int32_t> passedMs_, failedMs_;
    std::unordered_map<std::string, UnitRecord> units_;
    std::unordered_map<std::string, SerialRecord> serials_;
    std::map<std::string, DuplicateSerial> duplicates_;
};

// The figures of the write jobs among `jobs` (any order).
StationFigures ComputeStationFigures(const std::vector<LoggedJob>& jobs);

}  // namespace zt::station

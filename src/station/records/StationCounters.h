#pragma once
#include <cstddef>
#include <string>

namespace zt::station {

// A station's tally of finished units.
struct StationCounters {
    int passed = 0, failed = 0;
    // Units finished, passed and failed alike, per hour since the first one
    // arrived: what the station report calls units per hour too.
    double unitsPerHour = 0;
    // Records in the log that the factory's broker has not taken yet; shown
    // only when some wait.
    size_t undelivered = 0;
};

// "passed 3  failed 1  412 units/h", and "  records not yet delivered: 5"
// while some wait.
std::string CountersText(const StationCounters& counters);

}  // namespace zt::station

#pragma once
#include <chrono>
#include <optional>
#include <string>

namespace zt::station {

// A station window's tally over its whole run: units that passed, units that
// failed (a unit interrupted or not written counts as failed), and units
// finished per hour since the first job or run started. The rate is taken at
// each unit's result, so that an idle window does not watch it decay.
class StationTally {
public:
    using Clock = std::chrono::steady_clock;

    // The first call starts the run; later jobs belong to the same run.
    void Started(Clock::time_point now);
    void UnitEnded(bool passed, Clock::time_point now);

    int Passed() const { return passed_; }
    int Failed() const { return failed_; }
    // None until a unit has ended.
    std::optional<double> UnitsPerHour() const { return unitsPerHour_; }
    // The rate as the counters line shows it: whole units, "-" before any.
    std::string RateText() const;

private:
    std::optional<Clock::time_point> start_;
    int passed_ = 0;
    int failed_ = 0;
    std::optional<double> unitsPerHour_;
};

}  // namespace zt::station

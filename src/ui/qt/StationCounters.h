#pragma once
#include <QString>
#include <chrono>
#include <optional>

namespace zt::qt {

// The station's tally over the window's whole run: units that passed, units
// that failed (a unit interrupted or not written counts as failed), and the
// rate, units finished per hour since the first job started. The rate is
// taken at each unit's result, so an idle window does not watch it decay.
class StationCounters {
public:
    using Clock = std::chrono::steady_clock;

    // The first call starts the run; later jobs belong to the same run.
    void JobStarted(Clock::time_point now);
    void UnitEnded(bool passed, Clock::time_point now);

    int Passed() const { return passed_; }
    int Failed() const { return failed_; }
    // None until a unit has ended.
    std::optional<double> UnitsPerHour() const { return unitsPerHour_; }

    // "Passed: 2   Failed: 1   Units per hour: 95", as the window shows it.
    QString Text() const;

private:
    std::optional<Clock::time_point> runStart_;
    int passed_ = 0;
    int failed_ = 0;
    std::optional<double> unitsPerHour_;
};

}  // namespace zt::qt

#include "station/presenter/StationTally.h"

#include <algorithm>
#include <cmath>

namespace zt::station {

void StationTally::Started(Clock::time_point now) {
    if (!start_) start_ = now;
}

void StationTally::UnitEnded(bool passed, Clock::time_point now) {
    ++(passed ? passed_ : failed_);
    Started(now);
    // A run shorter than a millisecond (simulated time) still gives a number.
    const auto elapsed = std::max(now - *start_, Clock::duration(std::chrono::milliseconds(1)));
    unitsPerHour_ = (passed_ + failed_) / std::chrono::duration<double, std::ratio<3600>>(elapsed).count();
}

std::string StationTally::RateText() const {
    return unitsPerHour_ ? std::to_string(std::llround(*unitsPerHour_)) : "-";
}

}  // namespace zt::station

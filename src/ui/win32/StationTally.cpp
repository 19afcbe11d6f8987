#include "ui/win32/StationTally.h"

#include <algorithm>
#include <cmath>

#include "station/operator/OperatorText.h"

namespace zt::win32 {

namespace {
constexpr const char* kContext = "Win32StationWindow";
}

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

std::string StationTally::Text() const {
    using station::OperatorText;
    const std::string rate = unitsPerHour_ ? std::to_string(std::llround(*unitsPerHour_)) : "-";
    return OperatorText(kContext, "Passed:") + ' ' + std::to_string(passed_) + "   " +
           OperatorText(kContext, "Failed:") + ' ' + std::to_string(failed_) + "   " +
           OperatorText(kContext, "Units per hour:") + ' ' + rate;
}

}  // namespace zt::win32

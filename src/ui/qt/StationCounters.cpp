#include "ui/qt/StationCounters.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace zt::qt {

void StationCounters::JobStarted(Clock::time_point now) {
    if (!runStart_) runStart_ = now;
}

void StationCounters::UnitEnded(bool passed, Clock::time_point now) {
    ++(passed ? passed_ : failed_);
    if (!runStart_) runStart_ = now;
    // A run shorter than a millisecond (simulated time) still gives a number.
    const auto elapsed = std::max(now - *runStart_, Clock::duration(std::chrono::milliseconds(1)));
    const double hours = std::chrono::duration<double, std::ratio<3600>>(elapsed).count();
    unitsPerHour_ = (passed_ + failed_) / hours;
}

QString StationCounters::Text() const {
    const QString rate = unitsPerHour_ ? QString::number(std::llround(*unitsPerHour_)) : QStringLiteral("-");
    return QCoreApplication::translate("zt::qt::StationCounters",
                                       "Passed: %1   Failed: %2   Units per hour: %3")
        .arg(passed_)
        .arg(failed_)
        .arg(rate);
}

}  // namespace zt::qt

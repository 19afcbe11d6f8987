#include "station/records/StationCounters.h"

#include "station/operator/OperatorText.h"

namespace zt::station {

std::string CountersText(const StationCounters& counters) {
    std::string text = FillIn(OperatorText("Station", "passed %1  failed %2  %3 units/h"),
                              {std::to_string(counters.passed), std::to_string(counters.failed),
                               std::to_string(static_cast<long long>(counters.unitsPerHour + 0.5))});
    if (counters.undelivered > 0)
        text += "  " + FillIn(OperatorText("Station", "records not yet delivered: %1"),
                              {std::to_string(counters.undelivered)});
    return text;
}

}  // namespace zt::station

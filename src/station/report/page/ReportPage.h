#pragma once
#include <string>

#include "station/report/StationFigures.h"
#include "station/report/StationLogReading.h"

namespace zt::station {

// How the page shows times: UTC, as in the logs, or the computer's local
// time with its zone named.
enum class PageTimes { Utc, Local };

// The station report as one self-contained HTML page: its styles and SVG
// charts inline, nothing fetched, no script.
std::string RenderReportPage(const StationLogReading& reading, const StationFigures& figures,
                             PageTimes times = PageTimes::Utc);

}  // namespace zt::station

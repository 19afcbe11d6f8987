#pragma once
#include <string>

#include "station/report/StationFigures.h"
#include "station/report/StationLogReading.h"

namespace zt::station {

// The station report as one self-contained HTML page: its styles and SVG
// charts inline, nothing fetched, no script. Times are UTC, as in the logs.
std::string RenderReportPage(const StationLogReading& reading, const StationFigures& figures);

}  // namespace zt::station

#pragma once
#include <nlohmann/json.hpp>

#include "station/report/StationFigures.h"
#include "station/report/StationLogReading.h"

namespace zt::station {

// The figures of `report --json` as one object: the same numbers the page
// draws, with the lines that were not records.
nlohmann::ordered_json FiguresAsJson(const StationLogReading& reading, const StationFigures& figures);

}  // namespace zt::station

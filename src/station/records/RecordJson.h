#pragma once
#include <nlohmann/json.hpp>

#include "station/records/CameBack.h"

namespace zt::station {

// What the station's records and its JSON events write alike, so that a
// unit's record and its result event read the same.

// The format's version in every record and event ("schema"). Raised when a
// field changes meaning or goes away; new fields keep it.
inline constexpr int kJsonSchemaVersion = 1;

// A unit as it came back after its last re-plug, as results and station
// records carry it.
nlohmann::ordered_json CameBackJson(const CameBack& cameBack);

}  // namespace zt::station

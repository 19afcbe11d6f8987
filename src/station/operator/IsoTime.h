#pragma once
#include <chrono>
#include <string>

namespace zt::station {

// A moment as ISO-8601 UTC with milliseconds: "2026-12-08T01:21:43.123Z".
std::string FormatIsoTime(std::chrono::system_clock::time_point moment);

}  // namespace zt::station

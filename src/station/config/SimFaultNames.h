#pragma once
#include <string>
#include <utility>
#include <vector>

#include "sim/SimChip.h"

namespace zt::sim {

// The simulated chip's faults by the names a front end's --fault takes.

// Applies a fault given by name ("no-reply", "drop-reply-at=N", "wrong-tag=N",
// "wrong-count=N", "short-reply=N", "refuse-open", "fail-write",
// "fail-write-at=N", "stuck=ADDR[:TIMES]", "stuck-many", "header-wont-clear",
// "blank-header-copy", "unplug-at=N", "latency-ms=N", "input-length=N",
// "output-length=N", "no-port-power", "other-ids-after-write"). Returns false with a one-line reason for an
// unknown name or a bad value.
bool ApplyFaultByName(SimFaults& faults, const std::string& fault, std::string* error);
// The names above with a one-line description each, for --help.
std::vector<std::pair<std::string, std::string>> FaultNames();

}  // namespace zt::sim

#pragma once
#include <optional>
#include <string>
#include <vector>

#include "sim/SimulatedMachine.h"

namespace zt::sim {

// The simulated machine's options as a front end takes them from its command
// line: every front end offers the same ones and checks them here.
struct SimulationArguments {
    std::string variant = "A";  // every unit's
    // "U:VARIANT": unit U (1-based) gets a chip of its own.
    std::vector<std::string> unitVariants = {};
    // "NAME[=N]" for every unit, "U:NAME[=N]" for unit U only (1-based).
    std::vector<std::string> faults;
    bool updater = false;  // every unit starts as an updater device
    // "U": unit U starts as an updater device.
    std::vector<std::string> updaterUnits = {};
    // "full" or "high" for every unit, "U:full" or "U:high" for unit U.
    std::vector<std::string> links = {};
    bool simulatedClock = false;
    int units = 1;
    // The operator's hands at a station; handlingMs < 0 leaves them out.
    int handlingMs = -1;
    int staggerMs = 0;
    int freshUnits = 0;
};

// Checks the arguments and turns them into the machine's options; false with
// a one-line reason naming the option.
bool ParseSimulationArguments(const SimulationArguments& arguments, SimulatedMachine::Options* options,
                              std::string* error);

// "A", "B" or "unknown", in any case.
std::optional<ChipVariant> ParseChipVariant(const std::string& text);
// "full" or "high", in any case: whether the link is a full-speed one.
std::optional<bool> ParseFullSpeedLink(const std::string& text);

}  // namespace zt::sim

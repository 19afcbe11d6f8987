#include "station/SimulationArguments.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "station/SimFaultNames.h"

namespace zt::sim {

std::optional<ChipVariant> ParseChipVariant(const std::string& text) {
    std::string name = text;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "a") return ChipVariant::A;
    if (name == "b") return ChipVariant::B;
    if (name == "unknown") return ChipVariant::Unknown;
    return std::nullopt;
}

std::optional<bool> ParseFullSpeedLink(const std::string& text) {
    std::string name = text;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "full") return true;
    if (name == "high") return false;
    return std::nullopt;
}

namespace {

// Reads the options that name units of the machine, once its size is known.
// Each step is false with `error` set at the first option it refuses.
struct UnitArguments {
    const SimulationArguments& arguments;
    SimulatedMachine::Options& parsed;
    std::string& error;

    // "U" of an option's "U:..." (or of --updater U) as a unit of this hub.
    bool UnitOf(const std::string& option, const std::string& text, const std::string& unit, int* index) {
        const bool digits =
            !unit.empty() && unit.size() <= 2 &&
            std::all_of(unit.begin(), unit.end(), [](unsigned char c) { return std::isdigit(c); });
        *index = digits ? std::stoi(unit) : 0;
        if (*index >= 1 && *index <= parsed.units) return true;
        error = option + " '" + text + "': unit '" + unit + "' is not one of 1 to " +
                std::to_string(parsed.units) + " (see --units)";
        return false;
    }

    bool Variants() {
        for (const std::string& text : arguments.unitVariants) {
            const size_t colon = text.find(':');
            int index = 0;
            if (colon == std::string::npos) {
                error = "--variant '" + text + "': give VARIANT or UNIT:VARIANT";
                return false;
            }
            if (!UnitOf("--variant", text, text.substr(0, colon), &index)) return false;
            const auto own = ParseChipVariant(text.substr(colon + 1));
            if (!own) {
                error = "--variant '" + text + "': unknown variant '" + text.substr(colon + 1) +
                        "': use A, B or unknown";
                return false;
            }
            parsed.unitVariants[index] = *own;
        }
        return true;
    }

    bool Updaters() {
        for (const std::string& text : arguments.updaterUnits) {
            int index = 0;
            if (!UnitOf("--updater", text, text, &index)) return false;
            parsed.updaterUnits.insert(index);
        }
        return true;
    }

    bool Links() {
        for (const std::string& text : arguments.links) {
            const size_t colon = text.find(':');
            const std::string linkText = colon == std::string::npos ? text : text.substr(colon + 1);
            const auto fullSpeed = ParseFullSpeedLink(linkText);
            if (!fullSpeed) {
                error = "--link '" + text + "': unknown link '" + linkText + "': use full or high";
                return false;
            }
            int index = 0;
            if (colon == std::string::npos)
                parsed.fullSpeed = *fullSpeed;
            else if (!UnitOf("--link", text, text.substr(0, colon), &index))
                return false;
            else
                parsed.unitFullSpeed[index] = *fullSpeed;
        }
        return true;
    }

    bool Apply(SimFaults& faults, const std::string& fault, const std::string& name) {
        std::string reason;
        if (ApplyFaultByName(faults, name, &reason)) return true;
        error = "--fault '" + fault + "': " + (reason.empty() ? "unknown fault" : reason);
        return false;
    }

    bool Faults() {
        // Faults for every unit first, so that a unit's own faults add to them
        // whatever order they were typed in.
        std::vector<std::pair<int, std::string>> targeted;
        for (const std::string& fault : arguments.faults) {
            // "U:NAME" names a unit; a colon inside a value ("stuck=ADDR:TIMES")
            // comes after the '=' and does not.
            const size_t colon = fault.find(':');
            if (colon == std::string::npos || fault.find('=') < colon) {
                if (!Apply(parsed.faults, fault, fault)) return false;
                continue;
            }
            int index = 0;
            if (!UnitOf("--fault", fault, fault.substr(0, colon), &index)) return false;
            targeted.emplace_back(index, fault);
        }
        for (const auto& [index, fault] : targeted) {
            auto found = parsed.unitFaults.find(index);
            if (found == parsed.unitFaults.end())
                found = parsed.unitFaults.emplace(index, parsed.faults).first;
            if (!Apply(found->second, fault, fault.substr(fault.find(':') + 1))) return false;
        }
        return true;
    }
};

// The machine as a whole: its variant, its size, the operator's hands.
bool ParseMachine(const SimulationArguments& arguments, SimulatedMachine::Options& parsed,
                  std::string& error) {
    const auto variant = ParseChipVariant(arguments.variant);
    if (!variant) {
        error = "unknown variant '" + arguments.variant + "': use A, B or unknown";
        return false;
    }
    parsed.variant = *variant;
    parsed.updater = arguments.updater;
    parsed.simulatedClock = arguments.simulatedClock;
    if (arguments.units < 1 || arguments.units > SimulatedMachine::kMaxUnits) {
        error = "--units " + std::to_string(arguments.units) + ": give 1 to " +
                std::to_string(SimulatedMachine::kMaxUnits);
        return false;
    }
    parsed.units = arguments.units;
    if (arguments.handlingMs >= 0) {
        if (arguments.handlingMs > 600000 || arguments.staggerMs < 0 || arguments.staggerMs > 600000 ||
            arguments.freshUnits < -1) {
            error = "--sim-handling-ms and --sim-stagger-ms take 0 to 600000, --sim-fresh -1 or more";
            return false;
        }
        parsed.hands = {true, static_cast<uint32_t>(arguments.handlingMs),
                        static_cast<uint32_t>(arguments.staggerMs), arguments.freshUnits};
    }
    return true;
}

}  // namespace

bool ParseSimulationArguments(const SimulationArguments& arguments, SimulatedMachine::Options* options,
                              std::string* error) {
    SimulatedMachine::Options parsed;
    if (!ParseMachine(arguments, parsed, *error)) return false;
    UnitArguments units{arguments, parsed, *error};
    if (!units.Variants() || !units.Updaters() || !units.Links() || !units.Faults()) return false;
    *options = std::move(parsed);
    return true;
}

}  // namespace zt::sim

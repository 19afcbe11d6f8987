#include "platform/sim/SimulatedMachine.h"

#include <algorithm>
#include <cctype>

#include "platform/RealClock.h"
#include "platform/sim/SimClock.h"

namespace zt::sim {

namespace {
const char* VariantName(ChipVariant variant) {
    switch (variant) {
        case ChipVariant::A:
            return "A";
        case ChipVariant::B:
            return "B";
        case ChipVariant::Unknown:
            return "unknown";
    }
    return "?";
}
}  // namespace

std::optional<ChipVariant> ParseChipVariant(const std::string& text) {
    std::string name = text;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "a") return ChipVariant::A;
    if (name == "b") return ChipVariant::B;
    if (name == "unknown") return ChipVariant::Unknown;
    return std::nullopt;
}

bool SimulatedMachine::ParseArguments(const Arguments& arguments, Options* options, std::string* error) {
    const auto variant = ParseChipVariant(arguments.variant);
    if (!variant) {
        *error = "unknown variant '" + arguments.variant + "': use A, B or unknown";
        return false;
    }
    Options parsed;
    parsed.variant = *variant;
    parsed.updater = arguments.updater;
    parsed.simulatedClock = arguments.simulatedClock;
    if (arguments.units < 1 || arguments.units > kMaxUnits) {
        *error = "--units " + std::to_string(arguments.units) + ": give 1 to " + std::to_string(kMaxUnits);
        return false;
    }
    parsed.units = arguments.units;
    // "U" of an option's "U:..." (or of --updater U) as a unit of this hub.
    auto unitOf = [&](const std::string& option, const std::string& text, const std::string& unit,
                      int* index) {
        const bool digits =
            !unit.empty() && unit.size() <= 2 &&
            std::all_of(unit.begin(), unit.end(), [](unsigned char c) { return std::isdigit(c); });
        *index = digits ? std::stoi(unit) : 0;
        if (*index >= 1 && *index <= parsed.units) return true;
        *error = option + " '" + text + "': unit '" + unit + "' is not one of 1 to " +
                 std::to_string(parsed.units) + " (see --units)";
        return false;
    };
    for (const std::string& text : arguments.unitVariants) {
        const size_t colon = text.find(':');
        int index = 0;
        if (colon == std::string::npos) {
            *error = "--variant '" + text + "': give VARIANT or UNIT:VARIANT";
            return false;
        }
        if (!unitOf("--variant", text, text.substr(0, colon), &index)) return false;
        const auto own = ParseChipVariant(text.substr(colon + 1));
        if (!own) {
            *error = "--variant '" + text + "': unknown variant '" + text.substr(colon + 1) +
                     "': use A, B or unknown";
            return false;
        }
        parsed.unitVariants[index] = *own;
    }
    for (const std::string& text : arguments.updaterUnits) {
        int index = 0;
        if (!unitOf("--updater", text, text, &index)) return false;
        parsed.updaterUnits.insert(index);
    }
    auto apply = [&](SimFaults& faults, const std::string& fault, const std::string& name) {
        std::string reason;
        if (ApplyFaultByName(faults, name, &reason)) return true;
        *error = "--fault '" + fault + "': " + (reason.empty() ? "unknown fault" : reason);
        return false;
    };
    // Faults for every unit first, so that a unit's own faults add to them
    // whatever order they were typed in.
    std::vector<std::pair<int, std::string>> targeted;
    for (const std::string& fault : arguments.faults) {
        // "U:NAME" names a unit; a colon inside a value ("stuck=ADDR:TIMES")
        // comes after the '=' and does not.
        const size_t colon = fault.find(':');
        if (colon == std::string::npos || fault.find('=') < colon) {
            if (!apply(parsed.faults, fault, fault)) return false;
            continue;
        }
        int index = 0;
        if (!unitOf("--fault", fault, fault.substr(0, colon), &index)) return false;
        targeted.emplace_back(index, fault);
    }
    for (const auto& [index, fault] : targeted) {
        auto found = parsed.unitFaults.find(index);
        if (found == parsed.unitFaults.end()) found = parsed.unitFaults.emplace(index, parsed.faults).first;
        if (!apply(found->second, fault, fault.substr(fault.find(':') + 1))) return false;
    }
    *options = std::move(parsed);
    return true;
}

SimulatedMachine::SimulatedMachine(const Options& options) {
    if (options.simulatedClock)
        clock_ = std::make_unique<SimClock>();
    else
        clock_ = std::make_unique<RealClock>();
    bus_ = std::make_unique<SimBus>(*clock_);
    units_ = std::max(1, options.units);
    for (int unit = 1; unit <= units_; ++unit) {
        const auto ownVariant = options.unitVariants.find(unit);
        const int chip = bus_->AddFactoryChip(ownVariant != options.unitVariants.end() ? ownVariant->second
                                                                                       : options.variant);
        if (unit == 1) chip_ = chip;
        if (options.updater || options.updaterUnits.count(unit)) {
            // An erased header: the chip boots as its variant's updater device.
            bus_->SetEeprom(chip, 0, std::vector<uint8_t>(8, 0xFF));
            bus_->Replug(chip);
        }
        const auto own = options.unitFaults.find(unit);
        bus_->Faults(chip) = own != options.unitFaults.end() ? own->second : options.faults;
    }
    bus_->ClearLog();
    power_ = std::make_unique<SimPortPower>(*bus_, *clock_, chip_, units_);
    description_ =
        (units_ > 1 ? std::to_string(units_) + " simulated chips" : std::string("simulated chip")) +
        ", variant " + VariantName(options.variant) + (options.updater ? ", updater" : "");
    for (int unit = 1; unit <= units_; ++unit) {
        const auto ownVariant = options.unitVariants.find(unit);
        const bool ownUpdater = !options.updater && options.updaterUnits.count(unit);
        if (ownVariant == options.unitVariants.end() && !ownUpdater) continue;
        description_ += ", unit " + std::to_string(unit) + ":";
        if (ownVariant != options.unitVariants.end())
            description_ += std::string(" variant ") + VariantName(ownVariant->second);
        if (ownUpdater) description_ += " updater";
    }
    if (options.simulatedClock) description_ += ", simulated time";
}

SimulatedMachine::~SimulatedMachine() = default;

void SimulatedMachine::ReplugRequested() { bus_->Replug(chip_); }

void SimulatedMachine::ReplugUnit(const std::string& port) {
    // The chips were added first, so chip i sits on the hub's port i+1.
    for (int chip = chip_; chip < chip_ + units_; ++chip) {
        if (port.empty() || bus_->Port(chip) == port) {
            bus_->Replug(chip);
            return;
        }
    }
}

}  // namespace zt::sim

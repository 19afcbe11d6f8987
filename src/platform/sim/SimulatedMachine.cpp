#include "platform/sim/SimulatedMachine.h"

#include <algorithm>
#include <cctype>

#include "platform/RealClock.h"
#include "platform/sim/SimClock.h"

namespace zt::sim {

namespace {
const char* VariantName(ChipVariant variant) {
    switch (variant) {
        case ChipVariant::A: return "A";
        case ChipVariant::B: return "B";
        case ChipVariant::Unknown: return "unknown";
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
    for (const std::string& fault : arguments.faults) {
        std::string reason;
        if (!ApplyFaultByName(parsed.faults, fault, &reason)) {
            *error = "--fault '" + fault + "': " + (reason.empty() ? "unknown fault" : reason);
            return false;
        }
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
    chip_ = bus_->AddFactoryChip(options.variant);
    if (options.updater) {
        // An erased header: the chip boots as its variant's updater device.
        bus_->SetEeprom(chip_, 0, std::vector<uint8_t>(8, 0xFF));
        bus_->Replug(chip_);
    }
    bus_->Faults(chip_) = options.faults;
    bus_->ClearLog();
    description_ = std::string("simulated chip, variant ") + VariantName(options.variant) +
                   (options.updater ? ", updater" : "") + (options.simulatedClock ? ", simulated time" : "");
}

SimulatedMachine::~SimulatedMachine() = default;

void SimulatedMachine::ReplugRequested() { bus_->Replug(chip_); }

}  // namespace zt::sim

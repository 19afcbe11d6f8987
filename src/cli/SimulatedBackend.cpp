#include "cli/SimulatedBackend.h"

#include <vector>

#include "platform/RealClock.h"
#include "platform/sim/SimClock.h"

namespace zt::cli {

namespace {
const char* VariantName(sim::ChipVariant variant) {
    switch (variant) {
        case sim::ChipVariant::A: return "A";
        case sim::ChipVariant::B: return "B";
        case sim::ChipVariant::Unknown: return "unknown";
    }
    return "?";
}
}  // namespace

SimulatedBackend::SimulatedBackend(const Options& options) {
    if (options.simulatedClock)
        clock_ = std::make_unique<sim::SimClock>();
    else
        clock_ = std::make_unique<RealClock>();
    bus_ = std::make_unique<sim::SimBus>(*clock_);
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

SimulatedBackend::~SimulatedBackend() = default;

void SimulatedBackend::OnReplugPrompt() { bus_->Replug(chip_); }

}  // namespace zt::cli

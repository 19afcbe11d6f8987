#include "ui/qt/SimulatedMachine.h"

#include <algorithm>
#include <cctype>

#include "job/OperatorMessages.h"
#include "platform/RealClock.h"
#include "platform/sim/SimClock.h"

namespace zt::qt {

namespace {

sim::ChipVariant VariantByName(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "b") return sim::ChipVariant::B;
    if (name == "unknown") return sim::ChipVariant::Unknown;
    return sim::ChipVariant::A;
}

}  // namespace

bool IsReplugPrompt(const std::string& text) {
    return text == kReplugPrompt;
}

SimulatedMachine::SimulatedMachine(std::unique_ptr<Clock> clock, sim::ChipVariant variant)
    : clock_(std::move(clock)), bus_(*clock_), chip_(bus_.AddFactoryChip(variant)) {}

std::unique_ptr<SimulatedMachine> SimulatedMachine::Create(const GuiOptions& options, std::string* error) {
    std::unique_ptr<Clock> clock;
    if (options.simClock)
        clock = std::make_unique<sim::SimClock>();
    else
        clock = std::make_unique<RealClock>();
    std::unique_ptr<SimulatedMachine> machine(new SimulatedMachine(std::move(clock), VariantByName(options.variant)));
    for (const std::string& fault : options.faults) {
        std::string reason;
        if (!sim::ApplyFaultByName(machine->bus_.Faults(machine->chip_), fault, &reason)) {
            if (error) *error = "--fault " + fault + ": " + reason;
            return nullptr;
        }
    }
    return machine;
}

void SimulatedMachine::OnMessageBox(const std::string& text) {
    if (IsReplugPrompt(text)) bus_.Replug(chip_);
}

}  // namespace zt::qt

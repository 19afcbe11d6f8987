#pragma once
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/sim/SimBus.h"
#include "ui/qt/GuiOptions.h"

namespace zt::qt {

// The machine behind --simulate: a simulated bus with one chip as it leaves
// the factory, on real or simulated time, with the faults asked for. It also
// plays the operator's hands: when the tool asks for a re-plug, the chip is
// unplugged and plugged in again before the prompt can be answered.
class SimulatedMachine {
public:
    // Null with a one-line reason when a fault name or value is not known.
    static std::unique_ptr<SimulatedMachine> Create(const GuiOptions& options, std::string* error);

    Platform AsPlatform() { return bus_.AsPlatform(); }
    sim::SimBus& Bus() { return bus_; }
    int Chip() const { return chip_; }

    // Call with the text of every message box the tool shows.
    void OnMessageBox(const std::string& text);

private:
    SimulatedMachine(std::unique_ptr<Clock> clock, sim::ChipVariant variant);

    std::unique_ptr<Clock> clock_;
    sim::SimBus bus_;
    int chip_;
};

// True for the worker's re-plug prompt.
bool IsReplugPrompt(const std::string& text);

}  // namespace zt::qt

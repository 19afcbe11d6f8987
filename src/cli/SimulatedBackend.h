#pragma once
#include <memory>
#include <string>

#include "cli/DeviceBackend.h"
#include "platform/Clock.h"
#include "platform/sim/SimBus.h"
#include "platform/sim/SimChip.h"

namespace zt::cli {

// The built-in simulated chip: a bus with one chip as it leaves the factory.
// `updater` blanks its header so that it presents itself as an updater
// device; the faults are in place before the first exchange. When the
// re-plug prompt shows, the chip re-plugs itself, as an operator would.
class SimulatedBackend final : public DeviceBackend {
public:
    struct Options {
        sim::ChipVariant variant = sim::ChipVariant::A;
        bool updater = false;
        sim::SimFaults faults;
        bool simulatedClock = false;  // instant pauses instead of the real ones
    };

    explicit SimulatedBackend(const Options& options);
    ~SimulatedBackend() override;

    Platform AsPlatform() override { return bus_->AsPlatform(); }
    void OnReplugPrompt() override;
    std::string Describe() const override { return description_; }

    sim::SimBus& Bus() { return *bus_; }
    Clock& BusClock() { return *clock_; }

private:
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<sim::SimBus> bus_;
    int chip_ = 0;
    std::string description_;
};

}  // namespace zt::cli

#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/DeviceBackend.h"
#include "platform/InProcessUnitLocks.h"
#include "platform/sim/SimBus.h"
#include "platform/sim/SimChip.h"

namespace zt::sim {

// The machine behind --simulate in both front ends: a simulated bus with one
// chip as it leaves the factory, on real or simulated time, with the faults
// asked for. It also plays the operator's hands: when the job asks for a
// re-plug, the chip is unplugged and plugged in again.
class SimulatedMachine final : public DeviceBackend {
public:
    struct Options {
        ChipVariant variant = ChipVariant::A;
        bool updater = false;         // blank header: the chip boots as an updater device
        SimFaults faults;             // in place before the first exchange
        bool simulatedClock = false;  // instant pauses instead of the real ones
    };

    // The options as a front end takes them from its command line.
    struct Arguments {
        std::string variant = "A";
        std::vector<std::string> faults;
        bool updater = false;
        bool simulatedClock = false;
    };
    // Checks the arguments; false with a one-line reason naming the option.
    static bool ParseArguments(const Arguments& arguments, Options* options, std::string* error);

    explicit SimulatedMachine(const Options& options);
    ~SimulatedMachine() override;

    Platform AsPlatform() override { return bus_->AsPlatform(); }
    UnitLocks& Locks() override { return locks_; }
    void ReplugRequested() override;
    std::string Describe() const override { return description_; }

    SimBus& Bus() { return *bus_; }
    Clock& BusClock() { return *clock_; }
    int Chip() const { return chip_; }

private:
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SimBus> bus_;
    InProcessUnitLocks locks_;
    int chip_ = 0;
    std::string description_;
};

// "A", "B" or "unknown", in any case.
std::optional<ChipVariant> ParseChipVariant(const std::string& text);

}  // namespace zt::sim

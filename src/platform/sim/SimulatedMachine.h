#pragma once
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/DeviceBackend.h"
#include "platform/InProcessUnitLocks.h"
#include "platform/sim/SimBus.h"
#include "platform/sim/SimChip.h"
#include "platform/sim/SimPortPower.h"

namespace zt::sim {

// The machine behind --simulate in both front ends: a simulated hub with one
// or more chips as they leave the factory (ports 1-1.1, 1-1.2, ...), on real
// or simulated time, with the faults asked for; each unit may have a chip
// variant of its own and may start as an updater device. It also plays the operator's
// hands: when a job asks for a re-plug, its chip is unplugged and plugged in
// again.
class SimulatedMachine final : public DeviceBackend {
public:
    struct Options {
        ChipVariant variant = ChipVariant::A;
        bool updater = false;         // blank header: the chip boots as an updater device
        SimFaults faults;             // every unit's, in place before the first exchange
        bool simulatedClock = false;  // instant pauses instead of the real ones
        int units = 1;                // chips on the hub
        // Units (1-based) with faults of their own; they replace `faults`.
        std::map<int, SimFaults> unitFaults = {};
        // Units (1-based) with a chip variant of their own instead of `variant`.
        std::map<int, ChipVariant> unitVariants = {};
        // Units (1-based) that start as updater devices whatever `updater` says.
        std::set<int> updaterUnits = {};
        // Units (1-based) behind a full-speed link (a USB 1.1 hub), or every
        // unit with `fullSpeed`: they present the full-speed device descriptor.
        bool fullSpeed = false;
        std::map<int, bool> unitFullSpeed = {};
        // The operator at a station: takes each unit the station is done with
        // out of its port, and puts a fresh one in.
        struct Hands {
            bool enabled = false;
            uint32_t handlingMs = 500;  // to swap a finished unit for the next: half out, half in
            uint32_t staggerMs = 0;     // unit i arrives i times this after the start (0: all there)
            int freshUnits = 0;         // fresh units put in after the first ones, in all (-1: no end)
        } hands = {};
    };

    // The options as a front end takes them from its command line.
    struct Arguments {
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
    static constexpr int kMaxUnits = 32;
    // Checks the arguments; false with a one-line reason naming the option.
    static bool ParseArguments(const Arguments& arguments, Options* options, std::string* error);

    explicit SimulatedMachine(const Options& options);
    ~SimulatedMachine() override;

    Platform AsPlatform() override { return bus_->AsPlatform(); }
    UnitLocks& Locks() override { return locks_; }
    void ReplugRequested() override;  // the first unit's chip
    // Re-plugs the chip on `port`; "" means the first unit's.
    void ReplugUnit(const std::string& port) override;
    // Every unit's port switches on its own, unless the unit has the
    // no-port-power fault.
    PortPower* Power() override { return power_.get(); }
    // With the operator's hands: the unit is taken out and, while fresh
    // units are left, a fresh one goes in, within the handling time; without
    // them nothing happens.
    void UnitDone(const std::string& port) override;
    std::string Describe() const override { return description_; }

    SimBus& Bus() { return *bus_; }
    Clock& BusClock() { return *clock_; }
    int Chip() const { return chip_; }  // the first unit's
    int Units() const { return units_; }

private:
    class Hands;
    int ChipAt(const std::string& port) const;  // -1 when no unit sits there

    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SimBus> bus_;
    InProcessUnitLocks locks_;
    std::unique_ptr<SimPortPower> power_;
    int chip_ = 0;
    int units_ = 1;
    std::string description_;
    std::unique_ptr<Hands> hands_;  // last: its thread stops before the bus goes
};

// "A", "B" or "unknown", in any case.
std::optional<ChipVariant> ParseChipVariant(const std::string& text);
// "full" or "high", in any case: whether the link is a full-speed one.
std::optional<bool> ParseFullSpeedLink(const std::string& text);

}  // namespace zt::sim

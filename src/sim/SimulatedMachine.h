#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/Clock.h"
#include "platform/DeviceBackend.h"
#include "platform/InProcessUnitLocks.h"
#include "sim/SimBus.h"
#include "sim/SimChip.h"
#include "sim/SimPortPower.h"

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

    static constexpr int kMaxUnits = 32;  // chips on one hub

    explicit SimulatedMachine(const Options& options);
    ~SimulatedMachine() override;

    Platform AsPlatform() override { return bus_->AsPlatform(); }
    UnitLocks& Locks() override { return locks_; }
    // Re-plugs the first unit's chip.
    void ReplugRequested();
    OperatorHands* Hands() override { return &operatorHands_; }
    // Every unit's port switches on its own, unless the unit has the
    // no-port-power fault.
    PortPower* Power() override { return power_.get(); }
    std::string Describe() const override { return description_; }

    SimBus& Bus() { return *bus_; }
    Clock& BusClock() { return *clock_; }
    int Chip() const { return chip_; }  // the first unit's
    int Units() const { return units_; }

private:
    // Re-plugs a unit's chip when asked. With the options' operator at a
    // station (handling time given), a finished unit is taken out and,
    // while fresh units are left, a fresh one goes in, within the handling
    // time; without it a finished unit stays.
    class MachineHands final : public OperatorHands {
    public:
        explicit MachineHands(SimulatedMachine& machine) : machine_(machine) {}
        void Replug(const std::string& port) override;
        void TakeOut(const std::string& port) override;

    private:
        SimulatedMachine& machine_;
    };
    class Swapper;
    int ChipAt(const std::string& port) const;  // -1 when no unit sits there

    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SimBus> bus_;
    InProcessUnitLocks locks_;
    std::unique_ptr<SimPortPower> power_;
    int chip_ = 0;
    int units_ = 1;
    std::string description_;
    MachineHands operatorHands_{*this};
    std::unique_ptr<Swapper> swapper_;  // last: its thread stops before the bus goes
};

}  // namespace zt::sim

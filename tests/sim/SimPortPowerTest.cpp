// The simulated hub's port switches: a power cycle is a whole re-plug of the
// chip, and a unit whose hub cannot switch is never touched.
#include <gtest/gtest.h>

#include "sim/SimulatedMachine.h"
#include "station/config/SimulationArguments.h"

namespace zt::sim {
namespace {

std::vector<SimLogEntry> PlugEvents(SimBus& bus, int chip) {
    std::vector<SimLogEntry> events;
    for (const SimLogEntry& e : bus.Log())
        if (e.chip == chip && (e.kind == SimLogEntry::Kind::Plug || e.kind == SimLogEntry::Kind::Unplug))
            events.push_back(e);
    return events;
}

TEST(SimPortPower, CycleReplugsTheChipForTheOffTimeAndNoPortPowerLeavesItAlone) {
    SimulationArguments arguments;
    arguments.units = 2;
    arguments.simulatedClock = true;
    arguments.faults = {"2:no-port-power"};
    SimulatedMachine::Options options;
    std::string error;
    ASSERT_TRUE(ParseSimulationArguments(arguments, &options, &error)) << error;
    SimulatedMachine machine(options);
    PortPower* power = machine.Power();
    ASSERT_NE(power, nullptr);
    SimBus& bus = machine.Bus();
    const int first = machine.Chip();
    const int second = first + 1;

    EXPECT_EQ(power->Unavailable(bus.Port(first)), "");
    EXPECT_NE(power->Unavailable(bus.Port(second)).find(bus.Port(second)), std::string::npos);
    EXPECT_NE(power->Unavailable("9-9").find("no such port"), std::string::npos);

    // The chip boots again from its EEPROM: what it now holds is what arrives.
    bus.SetEeprom(first, 0, std::vector<uint8_t>(8, 0xFF));
    ASSERT_EQ(power->Cycle(bus.Port(first), 700), kOk);
    const auto events = PlugEvents(bus, first);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, SimLogEntry::Kind::Unplug);
    EXPECT_EQ(events[1].kind, SimLogEntry::Kind::Plug);
    EXPECT_EQ(events[1].timeUs - events[0].timeUs, 700000u);
    EXPECT_TRUE(bus.IsPlugged(first));
    EXPECT_EQ(bus.ProductId(first), 0x735E) << "the updater device should arrive after the power cycle";

    EXPECT_LT(power->Cycle(bus.Port(second), 700), 0);
    EXPECT_TRUE(PlugEvents(bus, second).empty());
    EXPECT_LT(power->Cycle("9-9", 700), 0);
}

}  // namespace
}  // namespace zt::sim

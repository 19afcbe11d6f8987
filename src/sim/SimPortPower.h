#pragma once
#include <string>

#include "platform/Clock.h"
#include "platform/PortPower.h"
#include "sim/SimBus.h"

namespace zt::sim {

// The simulated hub's port switches: every port switches on its own, unless
// the chip on it carries the no-port-power fault. Switching a port off pulls
// its chip (a removal notice), and switching it on plugs it back: the chip
// boots from its EEPROM and arrives again, as after a re-plug by hand.
class SimPortPower final : public PortPower {
public:
    // The chips `firstChip` .. `firstChip + chips - 1` of `bus`.
    SimPortPower(SimBus& bus, Clock& clock, int firstChip, int chips);

    std::string Unavailable(const std::string& port) override;
    Status Cycle(const std::string& port, uint32_t offMs) override;

private:
    int ChipOn(const std::string& port) const;  // -1 when no chip sits there

    SimBus& bus_;
    Clock& clock_;
    int firstChip_;
    int chips_;
};

}  // namespace zt::sim

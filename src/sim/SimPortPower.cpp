#include "sim/SimPortPower.h"

namespace zt::sim {

SimPortPower::SimPortPower(SimBus& bus, Clock& clock, int firstChip, int chips)
    : bus_(bus), clock_(clock), firstChip_(firstChip), chips_(chips) {}

int SimPortPower::ChipOn(const std::string& port) const {
    for (int chip = firstChip_; chip < firstChip_ + chips_; ++chip)
        if (bus_.Port(chip) == port) return chip;
    return -1;
}

std::string SimPortPower::Unavailable(const std::string& port) {
    const int chip = ChipOn(port);
    if (chip < 0) return "no such port: " + port;
    if (bus_.Faults(chip).noPortPower)
        return "the hub of port " + port + " cannot switch the power of its ports";
    return "";
}

Status SimPortPower::Cycle(const std::string& port, uint32_t offMs) {
    if (!Unavailable(port).empty()) return kFail;
    const int chip = ChipOn(port);
    bus_.Unplug(chip);
    clock_.SleepMs(offMs);
    bus_.Plug(chip);
    return kOk;
}

}  // namespace zt::sim

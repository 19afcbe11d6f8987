#include "platform/linux/HubPowerSwitching.h"

namespace zt::platform_linux {

HubPowerSwitching PowerSwitchingOf(std::optional<uint16_t> hubCharacteristics) {
    if (!hubCharacteristics) return HubPowerSwitching::kUnknown;
    switch (*hubCharacteristics & 0x3) {
        case 0:
            return HubPowerSwitching::kGanged;
        case 1:
            return HubPowerSwitching::kPerPort;
        default:
            return HubPowerSwitching::kNone;
    }
}

std::string PortPowerRefusal(const std::string& port, HubPowerSwitching switching, bool mayWriteSwitch) {
    // What the hub cannot do is the firmer reason: permissions can be granted.
    switch (switching) {
        case HubPowerSwitching::kGanged:
            return "the hub of port " + port +
                   " switches the power of all its ports together, so it cannot re-plug one unit";
        case HubPowerSwitching::kNone:
            return "the hub of port " + port + " cannot switch the power of its ports";
        case HubPowerSwitching::kPerPort:
        case HubPowerSwitching::kUnknown:
            break;
    }
    if (!mayWriteSwitch) return "this user may not switch the power of port " + port;
    if (switching == HubPowerSwitching::kUnknown)
        return "could not read the hub descriptor of the hub of port " + port;
    return "";
}

}  // namespace zt::platform_linux

#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace zt::platform_linux {

// How a hub switches the power of its ports, from bits 1:0 of
// wHubCharacteristics in its hub descriptor (the same field for USB 2 and
// USB 3 hubs): 00 all ports together, 01 each port on its own, 1x not at all.
enum class HubPowerSwitching { kPerPort, kGanged, kNone, kUnknown };

// kUnknown when the descriptor could not be read.
HubPowerSwitching PowerSwitchingOf(std::optional<uint16_t> hubCharacteristics);

// Whether the tool may re-plug the unit on `port` by switching the port off
// and on: "" when its hub switches each port on its own and this user may
// write the port's switch, else one line for the operator that says why not.
// A hub without per-port switching would only disconnect the device
// logically while the chip stays powered, so it would not restart.
std::string PortPowerRefusal(const std::string& port, HubPowerSwitching switching, bool mayWriteSwitch);

}  // namespace zt::platform_linux

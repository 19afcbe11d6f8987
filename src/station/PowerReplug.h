#pragma once
#include <cstdint>
#include <string>

#include "platform/PortPower.h"
#include "station/ConsoleView.h"

namespace zt::station {

// How long the port stays off: long enough for the chip to lose power and
// start afresh when it comes back.
inline constexpr uint32_t kPortPowerOffMs = 1000;

// Re-plugs the unit at `port` by switching its hub port off and on, saying
// so on `view`. False, with the reason on `view`, when the operator has to
// re-plug it by hand after all.
bool ReplugByPortPower(PortPower* power, const std::string& port, ConsoleView& view);

// Why --replug power cannot be used for the unit at `port`; "" when it can.
std::string PowerReplugRefusal(PortPower* power, const std::string& port);

}  // namespace zt::station

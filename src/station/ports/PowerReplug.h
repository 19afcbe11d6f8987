#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/PortPower.h"

namespace zt::station {

// How long the port stays off: long enough for the chip to lose power and
// start afresh when it comes back.
inline constexpr uint32_t kPortPowerOffMs = 1000;

// Where a re-plug says what it does: a line for the operator, on the unit's
// view (ConsoleView::Info) where one runs.
using ReplugNotice = std::function<void(const std::string& line)>;

// Re-plugs the unit at `port` by switching its hub port off and on, saying
// so on `notice`. False, with the reason on `notice`, when the operator has
// to re-plug it by hand after all.
bool ReplugByPortPower(PortPower* power, const std::string& port, const ReplugNotice& notice);

// Why --replug power cannot be used for the unit at `port`; "" when it can.
std::string PowerReplugRefusal(PortPower* power, const std::string& port);

}  // namespace zt::station

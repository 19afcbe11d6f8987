#include "station/PowerReplug.h"

namespace zt::station {

std::string PowerReplugRefusal(PortPower* power, const std::string& port) {
    if (!power) return "this backend cannot switch USB port power";
    if (port.empty()) return "the unit's USB port is unknown";
    return power->Unavailable(port);
}

bool ReplugByPortPower(PortPower* power, const std::string& port, ConsoleView& view) {
    // Asked again now: the hub or the permissions may have changed since
    // the job started, and a port that cannot be switched leaves the unit
    // to the operator rather than failing the job.
    if (const std::string refusal = PowerReplugRefusal(power, port); !refusal.empty()) {
        view.Info("cannot re-plug the unit at port " + port + " by itself (" + refusal +
                  "); re-plug it by hand");
        return false;
    }
    view.Info("re-plugging the unit at port " + port + ": switching the port off and on");
    if (Failed(power->Cycle(port, kPortPowerOffMs))) {
        view.Info("switching the port " + port + " off and on failed; re-plug the unit by hand");
        return false;
    }
    return true;
}

}  // namespace zt::station

#include "station/ports/PowerReplug.h"

#include "station/operator/OperatorText.h"

namespace zt::station {

std::string PowerReplugRefusal(PortPower* power, const std::string& port) {
    if (!power) return "this backend cannot switch USB port power";
    if (port.empty()) return "the unit's USB port is unknown";
    return power->Unavailable(port);
}

bool ReplugByPortPower(PortPower* power, const std::string& port, const ReplugNotice& notice) {
    // Asked again now: the hub or the permissions may have changed since
    // the job started, and a port that cannot be switched leaves the unit
    // to the operator rather than failing the job.
    if (const std::string refusal = PowerReplugRefusal(power, port); !refusal.empty()) {
        notice(FillIn(
            OperatorText("Station", "cannot re-plug the unit at port %1 by itself (%2); re-plug it by hand"),
            {port, refusal}));
        return false;
    }
    notice(FillIn(OperatorText("Station", "re-plugging the unit at port %1: switching the port off and on"),
                  {port}));
    if (Failed(power->Cycle(port, kPortPowerOffMs))) {
        notice(FillIn(
            OperatorText("Station", "switching the port %1 off and on failed; re-plug the unit by hand"),
            {port}));
        return false;
    }
    return true;
}

}  // namespace zt::station

#include "platform/InProcessUnitLocks.h"

#include "platform/UsbPortName.h"

namespace zt {

UnitClaim InProcessUnitLocks::TryClaim(const std::string& port) {
    if (!IsUsbPortName(port, PortNaming::BusPath))
        return {ClaimOutcome::CannotLock, NotAPortNameReason(port)};
    std::lock_guard lock(mutex_);
    if (!claimed_.insert(port).second) return {ClaimOutcome::Held};
    return {ClaimOutcome::Claimed};
}

void InProcessUnitLocks::Release(const std::string& port) {
    std::lock_guard lock(mutex_);
    claimed_.erase(port);
}

}  // namespace zt

#include "cli/UnitClaimRefusal.h"

#include "cli/Commands.h"

namespace zt::cli {

std::string UnitClaimRefusal(const std::string& port, const UnitClaim& claim) {
    if (claim.outcome == ClaimOutcome::Held) return "the unit at port " + port + " is held by another job";
    return "the lock of the unit at port " + port + " could not be taken: " + claim.reason;
}

int ExitCodeOfRefusal(const UnitClaim& claim) {
    return claim.outcome == ClaimOutcome::Held ? kExitUnitBusy : kExitUnitLock;
}

}  // namespace zt::cli

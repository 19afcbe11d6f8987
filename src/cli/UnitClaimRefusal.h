#pragma once
#include <string>

#include "platform/UnitLocks.h"

namespace zt::cli {

// Why a job did not get its unit, in one line (without the tool's prefix):
// another job holds it, or its lock could not be taken, with the reason.
std::string UnitClaimRefusal(const std::string& port, const UnitClaim& claim);

// The exit code for a unit not got: kExitUnitBusy when another job holds
// it, kExitUnitLock when its lock could not be taken.
int ExitCodeOfRefusal(const UnitClaim& claim);

}  // namespace zt::cli

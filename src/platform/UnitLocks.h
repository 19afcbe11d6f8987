#pragma once
#include <string>

namespace zt {

// What became of one claim on a unit.
enum class ClaimOutcome {
    Claimed,    // the unit is the calling job's until it releases it
    Held,       // another job holds it
    CannotLock  // nothing was claimed, and nobody is known to hold it: see the reason
};

struct UnitClaim {
    ClaimOutcome outcome = ClaimOutcome::CannotLock;
    // CannotLock only: why, in one line for the operator, naming the place of
    // the claims and the system's own error text ("the lock folder /x cannot
    // be used: No such file or directory").
    std::string reason = "";

    bool Claimed() const { return outcome == ClaimOutcome::Claimed; }
};

// One job per unit. A unit is the device on one USB port (named as
// HidBackend::PortOf names it), so a claim on a port outlives the re-plug in
// the middle of a job.
//
// Contract (thread-safe, non-blocking):
//  - TryClaim: claims the port for the calling job. Held at once when another
//    job holds it, in this process or in another one on this machine; a
//    claim whose process has ended is free. CannotLock when the claim could
//    not be made at all (a port text that is no port name, a place for claims
//    that is missing or may not be written): that is never reported as Held,
//    because no other job is known to be there. Nothing is created for a port
//    text that is no port name.
//  - Release: gives up a claim this object made; nothing for other ports.
class UnitLocks {
public:
    virtual ~UnitLocks() = default;
    virtual UnitClaim TryClaim(const std::string& port) = 0;
    virtual void Release(const std::string& port) = 0;
};

}  // namespace zt

#pragma once
#include <string>

namespace zt {

// One job per unit. A unit is the device on one USB port (named as
// HidBackend::PortOf names it), so a claim on a port outlives the re-plug in
// the middle of a job.
//
// Contract (thread-safe, non-blocking):
//  - TryClaim: claims the port for the calling job. False at once when another
//    job holds it, in this process or in another one on this machine. A claim
//    whose process has ended is free.
//  - Release: gives up a claim this object made; nothing for other ports.
class UnitLocks {
public:
    virtual ~UnitLocks() = default;
    virtual bool TryClaim(const std::string& port) = 0;
    virtual void Release(const std::string& port) = 0;
};

}  // namespace zt

#pragma once
#include <mutex>
#include <set>
#include <string>

#include "platform/UnitLocks.h"

namespace zt {

// Claims kept in this object: enough for units that no other process can
// reach, such as the chips of a simulated bus, which lives inside the process
// that made it. Every job on that bus claims through the bus's one instance.
// Its ports are named as the simulated hub names them ("1-1.2").
class InProcessUnitLocks final : public UnitLocks {
public:
    UnitClaim TryClaim(const std::string& port) override;
    void Release(const std::string& port) override;

private:
    std::mutex mutex_;
    std::set<std::string> claimed_;
};

}  // namespace zt

#include "platform/InProcessUnitLocks.h"

namespace zt {

bool InProcessUnitLocks::TryClaim(const std::string& port) {
    std::lock_guard lock(mutex_);
    return claimed_.insert(port).second;
}

void InProcessUnitLocks::Release(const std::string& port) {
    std::lock_guard lock(mutex_);
    claimed_.erase(port);
}

}  // namespace zt

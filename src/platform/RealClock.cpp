#include "platform/RealClock.h"

#include <chrono>
#include <thread>

namespace zt {

void RealClock::SleepMs(uint32_t ms) {
    // sleep_until on an absolute deadline: a spurious early wake-up resumes
    // sleeping instead of cutting a device pause short.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::this_thread::sleep_until(deadline);
}

uint64_t RealClock::NowUs() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace zt

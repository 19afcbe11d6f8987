#include "platform/RealClock.h"

#include <chrono>
#include <thread>

namespace zt {

namespace {
// The OS wakes a sleeping thread some tens of microseconds late, more on a
// busy machine. Over the four thousand pauses of a job that adds up, so the
// last stretch of each pause is waited out on the CPU instead.
constexpr auto kSpinTail = std::chrono::microseconds(250);
}  // namespace

void RealClock::SleepMs(uint32_t ms) {
    using Clock = std::chrono::steady_clock;
    // An absolute deadline: a pause is never cut short, by an early wake-up or
    // otherwise, and the device gets at least the time it asked for.
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    if (std::chrono::milliseconds(ms) > kSpinTail) std::this_thread::sleep_until(deadline - kSpinTail);
    while (Clock::now() < deadline) std::this_thread::yield();
}

uint64_t RealClock::NowUs() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace zt

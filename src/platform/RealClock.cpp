#include "platform/RealClock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace zt {

namespace {
// Bounds of the stretch waited out on the CPU: a floor for the jitter that a
// single late wake-up cannot show, a ceiling so that a stalled machine does
// not turn every pause into a busy wait.
constexpr int64_t kMinSpinTailNs = 30'000;
constexpr int64_t kMaxSpinTailNs = 1'000'000;
// Threads that may spin out their pauses at once, whatever the cores: eight
// units' jobs keep exact pacing, a station of 32 ports sleeps.
constexpr int kMaxSpinningPauses = 8;
}  // namespace

void RealClock::SleepMs(uint32_t ms) {
    using Clock = std::chrono::steady_clock;
    // An absolute deadline: a pause is never cut short, by an early wake-up or
    // otherwise, and the device gets at least the time it asked for.
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(ms);
    // Many threads pausing at once (a station's ports) would spin more than
    // the machine has cores, and spinners that yield to each other wake late:
    // past a few, every pause is left to the OS alone.
    const int pausing = pausing_.fetch_add(1, std::memory_order_relaxed) + 1;
    const int64_t tail = spinTailNs_.load(std::memory_order_relaxed);
    if (pausing > kMaxSpinningPauses) {
        std::this_thread::sleep_until(deadline);
    } else if (std::chrono::milliseconds(ms) > std::chrono::nanoseconds(tail)) {
        const auto wakeAt = deadline - std::chrono::nanoseconds(tail);
        std::this_thread::sleep_until(wakeAt);
        const int64_t late =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - wakeAt).count();
        // Up at once by a margin over the late wake-up; down by a sixteenth of
        // the slack each time.
        const int64_t next = late > tail ? late + late / 4 : tail - (tail - late) / 16;
        spinTailNs_.store(std::clamp(next, kMinSpinTailNs, kMaxSpinTailNs), std::memory_order_relaxed);
    }
    while (Clock::now() < deadline) std::this_thread::yield();
    pausing_.fetch_sub(1, std::memory_order_relaxed);
}

uint64_t RealClock::NowUs() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace zt

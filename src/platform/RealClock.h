#pragma once
#include <atomic>
#include <cstdint>

#include "platform/Clock.h"

namespace zt {

// The product's clock: a pause lasts the asked length, never less. The OS
// sleeps most of it and the last stretch is waited out on the CPU, so late
// wake-ups do not stretch a job's four thousand device pauses. That stretch
// follows how late the OS has been waking us lately: it grows at once when a
// wake-up comes later than it allowed for and shrinks slowly while they come
// earlier, so a quiet machine spins a few tens of microseconds per pause and
// a busy one keeps its exact pacing. When many threads pause at once, the
// OS alone wakes them: their spinning would cost more than it saves. Safe to
// share between threads.
class RealClock final : public Clock {
public:
    void SleepMs(uint32_t ms) override;
    uint64_t NowUs() const override;

    // The stretch now waited out on the CPU, in nanoseconds.
    int64_t SpinTailNs() const { return spinTailNs_.load(std::memory_order_relaxed); }

private:
    std::atomic<int64_t> spinTailNs_{250'000};
    std::atomic<int> pausing_{0};  // threads inside SleepMs now
};

}  // namespace zt

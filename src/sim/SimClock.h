#pragma once
#include <atomic>

#include "platform/Clock.h"

namespace zt::sim {

// Simulated time: SleepMs advances the clock and returns at once, so device
// pauses, 5000 ms read time-outs and device-wait countdowns cost no real time.
// Safe to use from several threads; each sleep adds its own length.
class SimClock final : public Clock {
public:
    void SleepMs(uint32_t ms) override { nowUs_.fetch_add(uint64_t{ms} * 1000); }
    uint64_t NowUs() const override { return nowUs_.load(); }
    void AdvanceUs(uint64_t us) { nowUs_.fetch_add(us); }

private:
    std::atomic<uint64_t> nowUs_{0};
};

}  // namespace zt::sim

#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/Clock.h"
#include "sim/SimClock.h"

namespace zt::test {

// Simulated time, except while a device is being re-plugged. The wait for a
// re-plugged device counts loop passes of 10 ms each, and an arrival crosses
// real threads (the udev monitor, the user-interface loop) before the worker
// can open it; on instant time the countdown would run out long before that.
// So while the harness has the re-plug in hand, pauses take their real length,
// as on a station; before and after, the job's thousands of device pauses cost
// nothing. The real part lasts as long as the re-plug itself: tens of ms.
// With several units, each holds real time for its own re-plug (Hold/Release)
// and time stays real while any of them does.
class ReplugClock final : public Clock {
public:
    void SleepMs(uint32_t ms) override {
        if (realTime_.load() || holders_.load() > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            realMs_.fetch_add(ms);
        }
        simulated_.SleepMs(ms);
    }
    uint64_t NowUs() const override { return simulated_.NowUs(); }

    void SetRealTime(bool on) { realTime_.store(on); }
    void Hold() { holders_.fetch_add(1); }
    void Release() { holders_.fetch_sub(1); }
    // Milliseconds of pauses that took real time.
    uint64_t RealMs() const { return realMs_.load(); }

private:
    sim::SimClock simulated_;
    std::atomic<bool> realTime_{false};
    std::atomic<int> holders_{0};
    std::atomic<uint64_t> realMs_{0};
};

}  // namespace zt::test

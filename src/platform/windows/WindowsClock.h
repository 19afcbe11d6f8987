#pragma once
#include <cstdint>

#include "platform/Clock.h"

namespace zt::platform_windows {

// The product's clock on Windows. The default timer tick of 15.6 ms would
// turn every 3 ms device pause into 15.6 ms, so pauses wait on a
// high-resolution waitable timer (one per thread, made on first use); where
// the system has none (before Windows 10 1803), the clock raises the system
// timer resolution to 1 ms for its own lifetime and sleeps. Either way the
// last stretch is waited out on the CPU against the performance counter, so a
// pause is never shorter than asked and rarely much longer.
class WindowsClock final : public Clock {
public:
    WindowsClock();
    ~WindowsClock() override;
    WindowsClock(const WindowsClock&) = delete;
    WindowsClock& operator=(const WindowsClock&) = delete;

    void SleepMs(uint32_t ms) override;
    uint64_t NowUs() const override;

    // True when pauses use the high-resolution timer, false on the 1 ms
    // fallback.
    bool HighResolution() const { return highResolution_; }

private:
    int64_t frequency_ = 1;
    bool highResolution_ = false;
    bool raisedPeriod_ = false;
};

}  // namespace zt::platform_windows

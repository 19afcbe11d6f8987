#pragma once
#include <cstdint>

namespace zt {

// Every pause and time-out of the core goes through a Clock, so that tests and
// demos can run the device pacing and the 5000 ms read time-out on simulated
// time while the product keeps the exact pauses that protect real chips.
//
// Contract:
//  - SleepMs blocks the calling thread for `ms` milliseconds of this clock's
//    time. The real clock sleeps; a simulated clock advances its time and
//    returns at once. Callable from any thread.
//  - NowUs is a monotonic time stamp in microseconds, for logs and benchmarks.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void SleepMs(uint32_t ms) = 0;
    virtual uint64_t NowUs() const = 0;
};

}  // namespace zt

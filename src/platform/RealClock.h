#pragma once
#include "platform/Clock.h"

namespace zt {

// The product's clock: a pause lasts the asked length, never less; the OS
// sleeps most of it and the last quarter millisecond is waited out on the CPU,
// so late wake-ups do not stretch a job's four thousand device pauses.
class RealClock final : public Clock {
public:
    void SleepMs(uint32_t ms) override;
    uint64_t NowUs() const override;
};

}  // namespace zt

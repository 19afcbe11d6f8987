#pragma once
#include "platform/Clock.h"

namespace zt {

// The product's clock: pauses are real sleeps of exactly the asked length
// (at least that long; the OS may add a little).
class RealClock final : public Clock {
public:
    void SleepMs(uint32_t ms) override;
    uint64_t NowUs() const override;
};

}  // namespace zt

#include <gtest/gtest.h>

#include <chrono>

#include "platform/RealClock.h"

namespace zt {
namespace {

TEST(RealClock, APauseIsNeverShorterThanAskedWhateverTheSpinHasLearnt) {
    RealClock clock;
    for (int i = 0; i < 20; ++i) {
        const auto start = std::chrono::steady_clock::now();
        clock.SleepMs(1);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1)) << i;
        EXPECT_GE(clock.SpinTailNs(), 30'000);
        EXPECT_LE(clock.SpinTailNs(), 1'000'000);
    }
}

}  // namespace
}  // namespace zt

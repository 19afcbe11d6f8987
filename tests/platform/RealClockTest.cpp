#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

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

TEST(RealClock, ManyThreadsPausingAtOnceEachGetTheirWholePause) {
    // More threads than may spin: most pauses are left to the OS alone.
    RealClock clock;
    std::atomic<int> shortPauses{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 24; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10; ++i) {
                const auto start = std::chrono::steady_clock::now();
                clock.SleepMs(2);
                if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(2)) ++shortPauses;
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(shortPauses.load(), 0);
}

}  // namespace
}  // namespace zt

#include <benchmark/benchmark.h>

#include <chrono>

#include "platform/RealClock.h"
#include "platform/linux/LinuxTimerPrecision.h"

// What this machine adds to a 3 ms pause on its own, for reading the job's
// ratio: a job makes thousands of such pauses, so a loaded machine's wake-up
// latency shows up directly in its wall time.
namespace zt::bench {
namespace {

void BM_SleepOvershootBaseline(benchmark::State& state) {
    constexpr int kPauses = 1000;
    platform_linux::RequestPreciseTimers();
    RealClock clock;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPauses; ++i) clock.SleepMs(3);
        const double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        state.counters["overshoot_us_per_pause"] = (us - kPauses * 3000.0) / kPauses;
        state.counters["ratio"] = us / (kPauses * 3000.0);
    }
}
BENCHMARK(BM_SleepOvershootBaseline)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench

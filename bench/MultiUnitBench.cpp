#include <benchmark/benchmark.h>

#include "QuietChild.h"

// Eight simulated units written at once on the real clock, as its own
// process: the wall time against the single-unit pause floor (the pauses do
// not add up across units, so eight units should take about as long as one),
// the CPU the whole run used, and its peak resident memory.
namespace zt::bench {
namespace {

constexpr double kSingleUnitFloorS = 12.36;

void BM_EightUnitsInParallel(benchmark::State& state) {
    for (auto _ : state) {
        const ChildRun run =
            RunQuietChild({ZT_CLI_PATH, "write", "--all", "--simulate", "--units", "8", "--yes"});
        if (!run.started) {
            state.SkipWithError("cannot start zt51xx-mp");
            return;
        }
        const double wall = run.wallS;
        const double cpu = run.CpuS();
        state.counters["wall_s"] = wall;
        state.counters["wall_over_floor"] = wall / kSingleUnitFloorS;
        state.counters["cpu_s"] = cpu;
        state.counters["cpu_per_unit_s"] = cpu / 8;
        state.counters["cores_used"] = cpu / wall;
        state.counters["peak_rss_MiB"] = run.PeakRssMiB();
        if (!run.Succeeded()) state.SkipWithError("a unit was not written");
        state.counters["target_met"] =
            wall <= 1.03 * kSingleUnitFloorS && cpu / wall <= 1.0 && run.PeakRssMiB() <= 40;
    }
}
BENCHMARK(BM_EightUnitsInParallel)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench

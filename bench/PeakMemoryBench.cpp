#include <benchmark/benchmark.h>

#include "QuietChild.h"

// The peak resident memory of `zt51xx-mp write --simulate --yes`, run as its
// own process, from the kernel's account of that child. The flood case has the
// chip send 299 stale replies before each right one, which once filled the
// simulator's traffic log with a million reports; it runs on simulated time so
// that it takes a second, not minutes.
namespace zt::bench {
namespace {

void BM_CommandLinePeakMemory(benchmark::State& state, std::vector<std::string> extraArgs) {
    for (auto _ : state) {
        std::vector<std::string> args = {ZT_CLI_PATH, "write", "--simulate", "--yes"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        const ChildRun run = RunQuietChild(args);
        if (!run.started) {
            state.SkipWithError("cannot start zt51xx-mp");
            return;
        }
        const double mib = run.PeakRssMiB();
        state.counters["peak_rss_MiB"] = mib;
        state.counters["exit_code"] = WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;
        if (!run.Succeeded()) state.SkipWithError("the write did not succeed");
        state.counters["target_met"] = mib < 20;
    }
}
BENCHMARK_CAPTURE(BM_CommandLinePeakMemory, normal, std::vector<std::string>{})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CommandLinePeakMemory, wrong_tag_299,
                  std::vector<std::string>{"--sim-clock", "--fault", "wrong-tag=299"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace zt::bench

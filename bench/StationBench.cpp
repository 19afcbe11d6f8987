#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "QuietChild.h"

// A station of 32 simulated units on the real clock, re-plugged by port
// power, with an operator who needs 0.5 s to swap a finished unit for a fresh
// one, for about five minutes: the units per hour against the ideal, the CPU
// the whole run used and its peak resident memory.
//
// One unit's floor is what its job and its check cannot be faster than: the
// request pauses of a whole job (12.36 s), the port switched off for the job's
// re-plug (1 s) and again for the check after it (1 s). The ideal station
// turns a unit around in that floor plus the operator's handling.
namespace zt::bench {
namespace {

constexpr int kUnits = 32;
constexpr int kRounds = 20;  // about five minutes
constexpr double kUnitFloorS = 12.36 + 1.0 + 1.0;
constexpr double kHandlingS = 0.5;

void BM_StationOf32Units(benchmark::State& state) {
    const std::string log = "/tmp/zt-station-bench-" + std::to_string(::getpid()) + ".jsonl";
    for (auto _ : state) {
        std::remove(log.c_str());
        const ChildRun run =
            RunQuietChild({ZT_CLI_PATH, "station", "--simulate", "--units", std::to_string(kUnits),
                           "--replug", "power", "--sim-handling-ms", "500", "--sim-fresh", "-1",
                           "--stop-after", std::to_string(kUnits * kRounds), "--log", log});
        if (!run.started) {
            state.SkipWithError("cannot start zt51xx-mp");
            return;
        }
        int units = 0, ok = 0;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line); ++units)
            if (line.find("\"status\":\"OK\"") != std::string::npos &&
                line.find("\"confirmed\":true") != std::string::npos)
                ++ok;
        const double perHour = units * 3600.0 / run.wallS;
        const double ideal = kUnits * 3600.0 / (kUnitFloorS + kHandlingS);
        state.counters["units"] = units;
        state.counters["confirmed_ok"] = ok;
        state.counters["wall_s"] = run.wallS;
        state.counters["units_per_hour"] = perHour;
        state.counters["of_ideal"] = perHour / ideal;
        state.counters["cores_used"] = run.CpuS() / run.wallS;
        state.counters["peak_rss_MiB"] = run.PeakRssMiB();
        if (!run.Succeeded() || ok != units) state.SkipWithError("a unit failed");
        state.counters["target_met"] =
            perHour >= 0.95 * ideal && run.CpuS() / run.wallS <= 1.0 && run.PeakRssMiB() <= 64;
    }
    std::remove(log.c_str());
}
BENCHMARK(BM_StationOf32Units)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench

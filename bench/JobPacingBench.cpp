#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>

#include "JobFloor.h"
#include "ProcessCpu.h"
#include "QuietView.h"
#include "backends/BackendSelection.h"
#include "station/unit/JobRunner.h"

// A whole write job from the command line's job runner on the real clock
// against the simulated chip with no reply latency, timed from the button
// press to the end of the job and compared with its floor.
namespace zt::bench {
namespace {

void BM_WholeJobAgainstItsFloor(benchmark::State& state) {
    for (auto _ : state) {
        // As the command line gets it: real clock, no latency, precise timers.
        std::string error;
        const auto selected = SelectBackend(BackendChoice{true, {}, nullptr}, &error);
        auto& backend = static_cast<sim::SimulatedMachine&>(*selected);
        QuietView view;
        station::OperatorInput input(nullptr);
        station::JobRunner runner(backend.AsPlatform(), view, input,
                                  station::JobRunner::Options{true, [&backend] {
                                                                  backend.ReplugRequested();
                                                                  return false;
                                                              }});
        runner.Start();
        backend.Bus().ClearLog();

        const double cpuBefore = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const auto outcome = runner.Write(JobRequest{}).outcome;
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        runner.Close();

        if (outcome.kind != ResultKind::Ok) {
            state.SkipWithError("the job did not succeed");
            return;
        }
        const Floor floor = FloorOf(backend.Bus().Log());
        state.counters["wall_s"] = wallMs / 1000;
        state.counters["floor_s"] = floor.ms / 1000;
        state.counters["ratio"] = wallMs / floor.ms;
        state.counters["job_cpu_s"] = ProcessCpuSeconds() - cpuBefore;
        state.counters["eeprom_requests"] = floor.eepromRequests;
        state.counters["register_writes"] = floor.registerWrites;
        state.counters["erase_commands"] = floor.eraseCommands;
        state.counters["target_met"] = wallMs / floor.ms <= 1.03;
    }
}
BENCHMARK(BM_WholeJobAgainstItsFloor)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench

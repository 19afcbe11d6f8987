#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "ProcessCpu.h"
#include "QuietView.h"
#include "sim/SimulatedMachine.h"
#include "station/unit/JobRunner.h"

// A job left started with nothing to do for 10 s: the CPU its worker thread
// uses, and that of the whole process.
namespace zt::bench {
namespace {

// The kernel's IDs of this process's threads.
std::set<std::string> ThreadIds() {
    std::set<std::string> ids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ids.insert(entry.path().filename().string());
    return ids;
}

// The CPU time the threads have used so far, in seconds: the first field of
// each one's scheduler statistics, in nanoseconds; -1 when one cannot be read.
double ThreadsCpuSeconds(const std::set<std::string>& ids) {
    double seconds = 0;
    for (const std::string& id : ids) {
        std::ifstream schedstat("/proc/self/task/" + id + "/schedstat");
        unsigned long long onCpuNs = 0;
        if (!(schedstat >> onCpuNs)) return -1;
        seconds += static_cast<double>(onCpuNs) / 1e9;
    }
    return seconds;
}

void BM_IdleWorkerCpu(benchmark::State& state) {
    constexpr auto kIdle = std::chrono::seconds(10);
    for (auto _ : state) {
        sim::SimulatedMachine backend(sim::SimulatedMachine::Options{});
        QuietView view;
        station::OperatorInput input(nullptr);
        station::JobRunner runner(backend.AsPlatform(), view, input, station::JobRunner::Options{});
        // The job keeps its worker to itself: it is the thread that starting
        // the job adds.
        const std::set<std::string> before = ThreadIds();
        runner.Start();
        std::set<std::string> worker;
        for (const std::string& id : ThreadIds())
            if (!before.count(id)) worker.insert(id);

        const double workerBefore = ThreadsCpuSeconds(worker);
        const double processBefore = ProcessCpuSeconds();
        std::this_thread::sleep_for(kIdle);  // nothing reaches the job meanwhile
        const double workerCpu = ThreadsCpuSeconds(worker) - workerBefore;
        const double processCpu = ProcessCpuSeconds() - processBefore;
        runner.Close();

        if (worker.size() != 1 || workerBefore < 0) {
            state.SkipWithError("the worker thread could not be told apart");
            return;
        }
        const double seconds = std::chrono::duration<double>(kIdle).count();
        state.counters["worker_cpu_pct"] = 100 * workerCpu / seconds;
        state.counters["process_cpu_pct"] = 100 * processCpu / seconds;
        state.counters["target_met"] = 100 * workerCpu / seconds < 0.5;
    }
}
BENCHMARK(BM_IdleWorkerCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench

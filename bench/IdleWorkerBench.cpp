#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sys/resource.h>

#include <chrono>
#include <ctime>

#include "ProcessCpu.h"
#include "QuietView.h"
#include "sim/SimulatedMachine.h"
#include "station/unit/DialogSession.h"

// The dialog left open with no job for 10 s: the CPU its worker thread uses,
// and that of the whole process (the user-interface loop and its timer too).
namespace zt::bench {
namespace {

double ThreadCpuSeconds(pthread_t thread) {
    clockid_t clock;
    if (pthread_getcpuclockid(thread, &clock) != 0) return -1;
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void BM_IdleWorkerCpu(benchmark::State& state) {
    constexpr auto kIdle = std::chrono::seconds(10);
    for (auto _ : state) {
        sim::SimulatedMachine backend(sim::SimulatedMachine::Options{});
        QuietView view;
        station::OperatorInput input(nullptr);
        station::DialogSession session(backend.AsPlatform(), view, input, station::DialogSession::Options{});
        session.Start();

        const pthread_t worker = session.Dialog().workerThread.native_handle();
        const double workerBefore = ThreadCpuSeconds(worker);
        const double processBefore = ProcessCpuSeconds();
        session.RunFor(kIdle);
        const double workerCpu = ThreadCpuSeconds(worker) - workerBefore;
        const double processCpu = ProcessCpuSeconds() - processBefore;
        session.Close();

        const double seconds = std::chrono::duration<double>(kIdle).count();
        state.counters["worker_cpu_pct"] = 100 * workerCpu / seconds;
        state.counters["process_cpu_pct"] = 100 * processCpu / seconds;
        state.counters["target_met"] = 100 * workerCpu / seconds < 0.5;
    }
}
BENCHMARK(BM_IdleWorkerCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench

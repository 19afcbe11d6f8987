#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

// Eight simulated units written at once on the real clock, as its own
// process: the wall time against the single-unit pause floor (the pauses do
// not add up across units, so eight units should take about as long as one),
// the CPU the whole run used, and its peak resident memory.
extern char** environ;

namespace zt::bench {
namespace {

constexpr double kSingleUnitFloorS = 12.36;

void BM_EightUnitsInParallel(benchmark::State& state) {
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        std::vector<std::string> args = {ZT_CLI_PATH, "write", "--all", "--simulate",
                                         "--units",   "8",     "--yes"};
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const auto start = std::chrono::steady_clock::now();
        pid_t child = 0;
        const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            state.SkipWithError("cannot start zt51xx-mp");
            return;
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
        const double cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
        state.counters["wall_s"] = wall;
        state.counters["wall_over_floor"] = wall / kSingleUnitFloorS;
        state.counters["cpu_s"] = cpu;
        state.counters["cpu_per_unit_s"] = cpu / 8;
        state.counters["cores_used"] = cpu / wall;
        state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("a unit was not written");
        state.counters["target_met"] =
            wall <= 1.03 * kSingleUnitFloorS && cpu / wall <= 1.0 && usage.ru_maxrss <= 40 * 1024;
    }
}
BENCHMARK(BM_EightUnitsInParallel)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench

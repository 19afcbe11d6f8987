#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

// The peak resident memory of `zt51xx-mp write --simulate --yes`, run as its
// own process, from the kernel's account of that child. The flood case has the
// chip send 299 stale replies before each right one, which once filled the
// simulator's traffic log with a million reports; it runs on simulated time so
// that it takes a second, not minutes.
extern char** environ;

namespace zt::bench {
namespace {

void BM_CommandLinePeakMemory(benchmark::State& state, std::vector<std::string> extraArgs) {
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        std::vector<std::string> args = {ZT_CLI_PATH, "write", "--simulate", "--yes"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            state.SkipWithError("cannot start zt51xx-mp");
            return;
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);  // this child's own ru_maxrss, in KiB
        const double mib = static_cast<double>(usage.ru_maxrss) / 1024;
        state.counters["peak_rss_MiB"] = mib;
        state.counters["exit_code"] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the write did not succeed");
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

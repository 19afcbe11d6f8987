#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// The peak resident memory of `zt51xx-mp write --simulate --yes`, run as its
// own process on the real clock, from the kernel's account of the child.
extern char** environ;

namespace zt::bench {
namespace {

void BM_CommandLinePeakMemory(benchmark::State& state) {
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        char path[] = ZT_CLI_PATH;
        char write[] = "write", simulate[] = "--simulate", yes[] = "--yes";
        char* argv[] = {path, write, simulate, yes, nullptr};
        pid_t child = 0;
        const int spawned = posix_spawn(&child, path, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            state.SkipWithError("cannot start zt51xx-mp");
            return;
        }
        int status = 0;
        waitpid(child, &status, 0);
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);  // ru_maxrss in KiB, the largest child waited for
        const double mib = static_cast<double>(usage.ru_maxrss) / 1024;
        state.counters["peak_rss_MiB"] = mib;
        state.counters["exit_code"] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the write did not succeed");
        state.counters["target_met"] = mib < 20;
    }
}
BENCHMARK(BM_CommandLinePeakMemory)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zt::bench

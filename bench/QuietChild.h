#pragma once
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace zt::bench {

// One run of a program as its own process, with no input and its output
// thrown away, and the kernel's account of that child alone.
struct ChildRun {
    bool started = false;
    int status = 0;
    rusage usage{};
    double wallS = 0;

    bool Succeeded() const { return started && WIFEXITED(status) && WEXITSTATUS(status) == 0; }
    double CpuS() const {
        auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
        return seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    double PeakRssMiB() const { return static_cast<double>(usage.ru_maxrss) / 1024; }
};

inline ChildRun RunQuietChild(std::vector<std::string> args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    run.started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!run.started) return run;
    wait4(child, &run.status, 0, &run.usage);  // this child's own figures
    run.wallS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

}  // namespace zt::bench

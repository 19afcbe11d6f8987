#include "ToolProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace zt::kernelbed {

std::string BedTool() {
    const char* tool = std::getenv("ZT_BED_TOOL");
    return tool && ::access("/sys/kernel/config/usb_gadget", F_OK) == 0 ? tool : "";
}

std::string ToolResult::ResultLine() const {
    std::istringstream lines(out);
    std::string last;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("result: ", 0) == 0) last = line;
    return last;
}

ToolResult RunTool(std::vector<std::string> args) {
    ToolRun run;
    run.args = std::move(args);
    return RunTool(run);
}

ToolResult RunTool(const ToolRun& run) {
    ToolResult result;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) < 0 || ::pipe2(out, O_CLOEXEC) < 0 || ::pipe2(err, O_CLOEXEC) < 0)
        return result;
    std::vector<std::string> words = {BedTool()};
    words.insert(words.end(), run.args.begin(), run.args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here: the parent has threads.
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (run.user) {
            const gid_t group = static_cast<gid_t>(*run.user);
            if (::setgroups(0, nullptr) < 0 || ::setgid(group) < 0 || ::setuid(*run.user) < 0) ::_exit(126);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);

    const auto deadline = std::chrono::steady_clock::now() + run.limit;
    std::string partial;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            result.timedOut = true;
            break;
        }
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
        char buffer[4096];
        if (fds[0].revents) {
            const ssize_t got = ::read(out[0], buffer, sizeof buffer);
            if (got <= 0) {
                outOpen = false;
            } else {
                result.out.append(buffer, static_cast<size_t>(got));
                partial.append(buffer, static_cast<size_t>(got));
                for (size_t end; (end = partial.find('\n')) != std::string::npos;) {
                    const std::string line = partial.substr(0, end);
                    partial.erase(0, end + 1);
                    const std::string typed = run.onLine ? run.onLine(line) : "";
                    if (!typed.empty()) (void)::write(in[1], typed.data(), typed.size());
                }
            }
        }
        if (fds[1].revents) {
            const ssize_t got = ::read(err[0], buffer, sizeof buffer);
            if (got <= 0)
                errOpen = false;
            else
                result.err.append(buffer, static_cast<size_t>(got));
        }
    }
    ::close(in[1]);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

}  // namespace zt::kernelbed

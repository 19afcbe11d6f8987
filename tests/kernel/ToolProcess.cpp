#include "ToolProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace zt::kernelbed {

std::string BedTool() {
    const char* tool = std::getenv("ZT_BED_TOOL");
    return tool && ::access("/sys/kernel/config/usb_gadget", F_OK) == 0 ? tool : "";
}

std::string BedWindowsTool() {
    const char* tool = std::getenv("ZT_BED_WINE_TOOL");
    const char* wine = std::getenv("ZT_BED_WINE");
    return tool && wine && !BedTool().empty() ? tool : "";
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

namespace {

// Hands each whole line of standard output to the run's onLine and types
// what it answers.
struct LineFeed {
    const ToolRun& run;
    int input;
    std::string partial;

    void Take(const char* data, size_t size) {
        partial.append(data, size);
        for (size_t end; (end = partial.find('\n')) != std::string::npos;) {
            std::string line = partial.substr(0, end);
            partial.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string typed = run.onLine ? run.onLine(line) : "";
            // A tool that has gone takes no answer; its end is read below.
            if (!typed.empty() && ::write(input, typed.data(), typed.size()) < 0) continue;
        }
    }
};

std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// Under Wine the program's output goes to files: Wine's own processes (the
// server, services, the device host) inherit its standard handles and keep
// them open long after it ends, so a pipe would never reach its end. The end
// of the Wine process itself ends the run.
ToolResult RunUnderWine(const ToolRun& run) {
    ToolResult result;
    static int serial = 0;
    const std::string base = "/tmp/zt-wine-run-" + std::to_string(++serial);
    const std::string outPath = base + ".out", errPath = base + ".err";
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int in[2];
    if (out < 0 || err < 0 || ::pipe2(in, O_CLOEXEC) < 0) return result;
    std::vector<std::string> words = {std::getenv("ZT_BED_WINE"), BedWindowsTool()};
    words.insert(words.end(), run.args.begin(), run.args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out);
    ::close(err);

    const int reader = ::open(outPath.c_str(), O_RDONLY | O_CLOEXEC);
    LineFeed feed{run, in[1], {}};
    const auto drain = [&] {
        char buffer[4096];
        for (ssize_t got; (got = ::read(reader, buffer, sizeof buffer)) > 0;) {
            result.out.append(buffer, static_cast<size_t>(got));
            feed.Take(buffer, static_cast<size_t>(got));
        }
    };
    const auto deadline = std::chrono::steady_clock::now() + run.limit;
    int status = 0;
    for (;;) {
        drain();
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            drain();
            if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        ::poll(nullptr, 0, 20);
    }
    ::close(reader);
    ::close(in[1]);
    std::ifstream errors(errPath);
    result.err.assign(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
    result.out = WithoutCarriageReturns(result.out);
    result.err = WithoutCarriageReturns(result.err);
    return result;
}

}  // namespace

ToolResult RunTool(const ToolRun& run) {
    if (run.windows) return RunUnderWine(run);
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
            if (::setgroups(run.groups.size(), run.groups.data()) < 0 || ::setgid(group) < 0 ||
                ::setuid(*run.user) < 0)
                ::_exit(126);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);

    const auto deadline = std::chrono::steady_clock::now() + run.limit;
    LineFeed feed{run, in[1], {}};
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
                feed.Take(buffer, static_cast<size_t>(got));
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

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/Commands.h"

extern char** environ;

// The built tool in a child process, for what only a whole process shows:
// its standard descriptors, its signals and the pipe it prints into.
namespace zt::cli {
namespace {

using namespace std::chrono_literals;

// How one of the child's descriptors 0, 1, 2 starts; the pipes are for stdout.
enum class Stream { Closed, DevNull, DevZero, Pipe, BrokenPipe };

class Child {
public:
    Child(std::vector<std::string> args, std::array<Stream, 3> streams) {
        args.insert(args.begin(), ZT_CLI_PATH);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int ends[2] = {-1, -1};
        for (int fd = 0; fd < 3; ++fd) {
            if (streams[fd] == Stream::Closed) posix_spawn_file_actions_addclose(&actions, fd);
            if (streams[fd] == Stream::DevNull)
                posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
            if (streams[fd] == Stream::DevZero)
                posix_spawn_file_actions_addopen(&actions, fd, "/dev/zero", O_RDONLY, 0);
            if (streams[fd] != Stream::Pipe && streams[fd] != Stream::BrokenPipe) continue;
            EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
            posix_spawn_file_actions_adddup2(&actions, ends[1], fd);
            // BrokenPipe: nobody will ever read what the child prints.
            if (streams[fd] == Stream::Pipe)
                out_ = ends[0];
            else
                ::close(ends[0]);
        }
        // Whatever our own launcher ignores, the child starts with the defaults.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t signals;
        sigemptyset(&signals);
        for (int signal : {SIGPIPE, SIGINT, SIGTERM}) sigaddset(&signals, signal);
        posix_spawnattr_setsigdefault(&attributes, &signals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ), 0);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        if (ends[1] >= 0) ::close(ends[1]);
    }
    ~Child() {
        if (pid > 0) Kill();
        if (out_ >= 0) ::close(out_);
    }

    // The exit code, 1000 + the signal that ended it, or -1 when it still ran
    // after 20 s (then it is killed).
    int Wait() {
        const auto until = std::chrono::steady_clock::now() + 20s;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) return Kill(), -1;
            std::this_thread::sleep_for(2ms);
        }
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    std::string Out() {
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(out_, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
        return text;
    }

    // Once the child has its own handler for `signal`, the signal asks it for
    // an orderly close instead of ending it.
    bool WaitUntilCatches(int signal) {
        for (int i = 0; i < 5000; ++i, std::this_thread::sleep_for(2ms)) {
            std::ifstream status("/proc/" + std::to_string(pid) + "/status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind("SigCgt:", 0) == 0 &&
                    ((std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1))
                    return true;
        }
        return false;
    }

    std::string Descriptor(int fd) const {
        char target[256] = {};
        const std::string link = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
        return ::readlink(link.c_str(), target, sizeof target - 1) > 0 ? target : "(closed)";
    }

    pid_t pid = -1;

private:
    void Kill() {
        ::kill(pid, SIGKILL);
        ::waitpid(std::exchange(pid, -1), nullptr, 0);
    }

    int out_ = -1;
};

TEST(CliProcess, ClosedDescriptorsGetDevNullAndSigtermEndsAWaitingQuery) {
    // A closed 0, 1 or 2 would be handed to the next socket or file the tool
    // opens: the device-notice socket read as the operator's answer. A query
    // on a chip that never answers waits in a 5-second read (real time here);
    // SIGTERM ends it at once, with the code a shell gives for SIGTERM.
    Child child({"version", "--simulate", "--fault", "no-reply"},
                {Stream::Closed, Stream::Closed, Stream::Closed});
    ASSERT_TRUE(child.WaitUntilCatches(SIGTERM));
    for (int fd = 0; fd < 3; ++fd) EXPECT_EQ(child.Descriptor(fd), "/dev/null") << fd;
    ::kill(child.pid, SIGTERM);
    EXPECT_EQ(child.Wait(), kExitTerminated);
}

TEST(CliProcess, EraseFromAScriptWithoutYesIsRefusedBeforeTheUnit) {
    // `echo n | zt51xx-mp erase`: input that is no terminal is no consent.
    Child child({"erase", "--simulate", "--sim-clock"}, {Stream::DevNull, Stream::DevNull, Stream::Pipe});
    EXPECT_EQ(child.Wait(), kExitUsage);
    EXPECT_EQ(child.Out(), "zt51xx-mp: erase without a terminal needs --yes; nothing was erased\n");
}

TEST(CliProcess, PromptReadsOneBoundedLineOfEndlessInput) {
    // /dev/zero never ends a line; the re-plug prompt must still return.
    Child child({"write", "--simulate", "--sim-clock"}, {Stream::DevZero, Stream::Pipe, Stream::DevNull});
    EXPECT_EQ(child.Wait(), kExitOk);
    EXPECT_THAT(child.Out(), ::testing::HasSubstr("Press Enter to continue...\n"));
}

TEST(CliProcess, BrokenOutputNeverStopsAJob) {
    // The reader of stdout is gone before the first line: the job still runs
    // to its end, and the exit code is its outcome.
    for (const auto& [extra, code] :
         {std::pair{std::vector<std::string>{}, kExitOk},
          std::pair{std::vector<std::string>{"--json"}, kExitOk},
          std::pair{std::vector<std::string>{"--fault", "header-wont-clear"}, kExitJobFailed}}) {
        std::vector<std::string> args = {"write", "--simulate", "--sim-clock", "--yes"};
        args.insert(args.end(), extra.begin(), extra.end());
        Child child(args, {Stream::DevNull, Stream::BrokenPipe, Stream::DevNull});
        EXPECT_EQ(child.Wait(), code) << args.back();
    }
}

}  // namespace
}  // namespace zt::cli

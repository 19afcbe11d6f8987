#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/Commands.h"

// The built tool in a child process, for what only a whole process shows:
// its standard descriptors, its signals and the pipes around it.
namespace zt::cli {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

// How one of the child's descriptors 0, 1, 2 starts.
enum class Stream { Closed, DevNull, DevZero, Pipe, BrokenPipe };

struct Child {
    pid_t pid = -1;
    std::array<int, 3> pipes{-1, -1, -1};  // our end of each Stream::Pipe

    Child() = default;
    Child(Child&& other) noexcept
        : pid(std::exchange(other.pid, -1)), pipes(std::exchange(other.pipes, {-1, -1, -1})) {}
    Child& operator=(Child&&) = delete;

    ~Child() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        for (int fd : pipes)
            if (fd >= 0) ::close(fd);
    }

    // The exit code, 1000 + the signal that ended it, or -1 when it was still
    // running after `limit` (then it is killed, so its pipes end).
    int Wait(std::chrono::milliseconds limit = 20s) {
        const auto until = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                ::kill(pid, SIGKILL);
                ::waitpid(std::exchange(pid, -1), nullptr, 0);
                return -1;
            }
            std::this_thread::sleep_for(2ms);
        }
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    std::string ReadAll(int fd) {
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(pipes[fd], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
        return text;
    }

    // Whether the child has installed its own handler for `signal` by now
    // (it then asks for an orderly close instead of dying).
    bool Catches(int signal) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("SigCgt:", 0) == 0)
                return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
        return false;
    }

    bool WaitUntilCatches(int signal) {
        for (int i = 0; i < 5000 && !Catches(signal); ++i) std::this_thread::sleep_for(2ms);
        return Catches(signal);
    }

    std::string DescriptorTarget(int fd) {
        char target[256] = {};
        const std::string link = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
        return ::readlink(link.c_str(), target, sizeof target - 1) > 0 ? target : "(closed)";
    }
};

Child Spawn(std::vector<std::string> args, std::array<Stream, 3> streams) {
    args.insert(args.begin(), ZT_CLI_PATH);
    std::array<int, 3> childEnd{-1, -1, -1};
    Child child;
    for (int fd = 0; fd < 3; ++fd) {
        if (streams[fd] != Stream::Pipe && streams[fd] != Stream::BrokenPipe) continue;
        int ends[2];
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        const bool childReads = fd == 0;
        childEnd[fd] = ends[childReads ? 0 : 1];
        child.pipes[fd] = ends[childReads ? 1 : 0];
        // Nobody will ever read what the child writes there.
        if (streams[fd] == Stream::BrokenPipe) ::close(std::exchange(child.pipes[fd], -1));
    }
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    child.pid = ::fork();
    if (child.pid == 0) {
        for (int fd = 0; fd < 3; ++fd) {
            switch (streams[fd]) {
                case Stream::Closed:
                    ::close(fd);
                    break;
                case Stream::DevNull:
                    ::dup2(::open("/dev/null", O_RDWR | O_CLOEXEC), fd);
                    break;
                case Stream::DevZero:
                    ::dup2(::open("/dev/zero", O_RDONLY | O_CLOEXEC), fd);
                    break;
                case Stream::Pipe:
                case Stream::BrokenPipe:
                    ::dup2(childEnd[fd], fd);
                    break;
            }
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    for (int fd : childEnd)
        if (fd >= 0) ::close(fd);
    return child;
}

// A version query on a chip that never answers waits in a 5-second read
// (real time here): long enough to look at the child and to signal it.
const std::vector<std::string> kWaitingVersion = {"version", "--simulate", "--fault", "no-reply"};

TEST(CliProcess, ClosedStandardDescriptorsAreTakenByDevNull) {
    // Otherwise the next socket or file the tool opens becomes its input or
    // output: the device-notice socket read as the operator's answer.
    Child child = Spawn(kWaitingVersion, {Stream::Closed, Stream::Closed, Stream::Closed});
    ASSERT_TRUE(child.WaitUntilCatches(SIGINT));
    for (int fd = 0; fd < 3; ++fd) EXPECT_EQ(child.DescriptorTarget(fd), "/dev/null") << fd;
}

TEST(CliProcess, SignalsEndAWaitingQueryWithTheShellsCodes) {
    for (const auto& [signal, code] :
         {std::pair{SIGINT, kExitInterrupted}, std::pair{SIGTERM, kExitTerminated}}) {
        SCOPED_TRACE(signal);
        Child child = Spawn(kWaitingVersion, {Stream::DevNull, Stream::Pipe, Stream::Pipe});
        ASSERT_TRUE(child.WaitUntilCatches(signal));
        ::kill(child.pid, signal);
        EXPECT_EQ(child.Wait(), code);
        const std::string out = child.ReadAll(1);
        EXPECT_THAT(out, HasSubstr("result: INTERRUPTED\n"));
        EXPECT_THAT(out, ::testing::Not(HasSubstr("version:")));
    }
}

TEST(CliProcess, PromptReadsOneBoundedLineOfEndlessInput) {
    // /dev/zero never ends a line: the re-plug prompt takes it as an answer.
    Child child =
        Spawn({"write", "--simulate", "--sim-clock"}, {Stream::DevZero, Stream::Pipe, Stream::Pipe});
    EXPECT_EQ(child.Wait(), kExitOk);
    EXPECT_THAT(child.ReadAll(1), HasSubstr("Press Enter to continue...\n"));
}

TEST(CliProcess, BrokenOutputNeverStopsAJob) {
    // The reader of stdout is gone before the first line: the job still runs
    // to its end and the exit code is its outcome.
    for (const auto& [extra, code] :
         {std::pair{std::vector<std::string>{}, kExitOk},
          std::pair{std::vector<std::string>{"--json"}, kExitOk},
          std::pair{std::vector<std::string>{"--fault", "header-wont-clear"}, kExitJobFailed}}) {
        std::vector<std::string> args = {"write", "--simulate", "--sim-clock", "--yes"};
        args.insert(args.end(), extra.begin(), extra.end());
        Child child = Spawn(args, {Stream::DevNull, Stream::BrokenPipe, Stream::Pipe});
        EXPECT_EQ(child.Wait(), code) << args.back();
        EXPECT_EQ(child.ReadAll(2), "");
    }
}

}  // namespace
}  // namespace zt::cli

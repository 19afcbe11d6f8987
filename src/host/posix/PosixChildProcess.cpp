#include "host/posix/PosixChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace zt::host_posix {

namespace {

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int* put() { return &fd_; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

// Reads what the descriptor has now into `kept`, up to `cap`; false at its
// end (or a failure), when it is to be polled no more.
bool Drain(int fd, std::string& kept, size_t cap, bool* cut) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            const size_t room = cap > kept.size() ? cap - kept.size() : 0;
            kept.append(buffer, std::min(room, static_cast<size_t>(n)));
            if (static_cast<size_t>(n) > room && cut) *cut = true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

ChildOutcome NotStarted(const std::string& why) {
    ChildOutcome outcome;
    outcome.kind = ChildOutcome::Kind::NotStarted;
    outcome.reason = why;
    return outcome;
}

}  // namespace

ChildOutcome RunChild(const ChildRequest& request) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + request.timeout;
    // Its standard input is a socket, so that a write to a program that has
    // stopped reading fails with EPIPE instead of raising SIGPIPE.
    int inPair[2], outPipe[2], errPipe[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inPair) != 0)
        return NotStarted(std::string("no pipe for it: ") + std::strerror(errno));
    Descriptor inOurs(inPair[0]), inTheirs(inPair[1]);
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        return NotStarted(std::string("no pipe for it: ") + std::strerror(errno));
    Descriptor outOurs(outPipe[0]), outTheirs(outPipe[1]);
    if (::pipe2(errPipe, O_CLOEXEC) != 0)
        return NotStarted(std::string("no pipe for it: ") + std::strerror(errno));
    Descriptor errOurs(errPipe[0]), errTheirs(errPipe[1]);
    ::shutdown(inTheirs.get(), SHUT_WR);

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, inTheirs.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, outTheirs.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, errTheirs.get(), STDERR_FILENO);
    // A group of its own: a time-out ends what it started too. Signals the
    // tool blocks or ignores (SIGPIPE) are the program's defaults again.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setflags(&setup.attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const char* argv[] = {"sh", "-c", request.command.c_str(), nullptr};
    pid_t pid = -1;
    if (const int error = ::posix_spawn(&pid, "/bin/sh", &setup.actions, &setup.attributes,
                                        const_cast<char* const*>(argv), environ);
        error != 0)
        return NotStarted(std::string("/bin/sh cannot be started: ") + std::strerror(error));
    inTheirs.Close();
    outTheirs.Close();
    errTheirs.Close();
    for (int fd : {inOurs.get(), outOurs.get(), errOurs.get()})
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);

    ChildOutcome outcome;
    size_t written = 0;
    if (request.input.empty()) inOurs.Close();
    int status = 0;
    bool ended = false;
    for (;;) {
        const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
        if (reaped == pid) {
            ended = true;
            break;
        }
        if (reaped < 0 && errno == ECHILD) {
            ::kill(-pid, SIGKILL);
            return NotStarted("its end could not be learnt (the tool's children are reaped elsewhere)");
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd fds[3];
        nfds_t count = 0;
        if (inOurs.get() >= 0) fds[count++] = {inOurs.get(), POLLOUT, 0};
        if (outOurs.get() >= 0) fds[count++] = {outOurs.get(), POLLIN, 0};
        if (errOurs.get() >= 0) fds[count++] = {errOurs.get(), POLLIN, 0};
        // Its end is learnt by waitpid, not by the pipes (what it started may
        // hold them open): a short wait keeps that prompt.
        ::poll(fds, count, static_cast<int>(std::min<long long>(left.count(), 10)));
        if (inOurs.get() >= 0) {
            const ssize_t n = ::send(inOurs.get(), request.input.data() + written,
                                     request.input.size() - written, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) written += static_cast<size_t>(n);
            // All given, or the program will read no more.
            if (written == request.input.size() || (n < 0 && errno != EAGAIN && errno != EINTR))
                inOurs.Close();
        }
        if (outOurs.get() >= 0 && !Drain(outOurs.get(), outcome.out, request.outputCap, &outcome.outCut))
            outOurs.Close();
        if (errOurs.get() >= 0 && !Drain(errOurs.get(), outcome.err, request.outputCap, nullptr))
            errOurs.Close();
    }
    if (!ended) {
        ::kill(-pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        outcome.kind = ChildOutcome::Kind::TimedOut;
        outcome.reason = "no answer within " + std::to_string(request.timeout.count()) + " ms; it was killed";
        return outcome;
    }
    // What it wrote before it ended is still in the pipes.
    if (outOurs.get() >= 0) Drain(outOurs.get(), outcome.out, request.outputCap, &outcome.outCut);
    if (errOurs.get() >= 0) Drain(errOurs.get(), outcome.err, request.outputCap, nullptr);
    if (WIFSIGNALED(status)) {
        outcome.kind = ChildOutcome::Kind::Crashed;
        outcome.exitCode = WTERMSIG(status);
        outcome.reason = std::string("it was ended by signal ") + std::to_string(outcome.exitCode) + " (" +
                         ::strsignal(outcome.exitCode) + ")";
    } else {
        outcome.kind = ChildOutcome::Kind::Exited;
        outcome.exitCode = WEXITSTATUS(status);
    }
    return outcome;
}

}  // namespace zt::host_posix

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

// Our ends and the program's of its three standard streams. Its standard
// input is a socket, so that a write to a program that has stopped reading
// fails with EPIPE instead of raising SIGPIPE.
struct ChildPipes {
    Descriptor inOurs, inTheirs, outOurs, outTheirs, errOurs, errTheirs;

    // "" when all three are there; else why not.
    std::string Open() {
        int inPair[2], outPipe[2], errPipe[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inPair) != 0) return Why();
        *inOurs.put() = inPair[0];
        *inTheirs.put() = inPair[1];
        if (::pipe2(outPipe, O_CLOEXEC) != 0) return Why();
        *outOurs.put() = outPipe[0];
        *outTheirs.put() = outPipe[1];
        if (::pipe2(errPipe, O_CLOEXEC) != 0) return Why();
        *errOurs.put() = errPipe[0];
        *errTheirs.put() = errPipe[1];
        ::shutdown(inTheirs.get(), SHUT_WR);
        return "";
    }
    static std::string Why() { return std::string("no pipe for it: ") + std::strerror(errno); }
};

// Starts `/bin/sh -c command` on the pipes; "" when it runs, else why not.
std::string Spawn(const ChildRequest& request, ChildPipes& pipes, pid_t* pid) {
    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, pipes.inTheirs.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, pipes.outTheirs.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, pipes.errTheirs.get(), STDERR_FILENO);
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
    if (const int error = ::posix_spawn(pid, "/bin/sh", &setup.actions, &setup.attributes,
                                        const_cast<char* const*>(argv), environ);
        error != 0)
        return std::string("/bin/sh cannot be started: ") + std::strerror(error);
    pipes.inTheirs.Close();
    pipes.outTheirs.Close();
    pipes.errTheirs.Close();
    for (int fd : {pipes.inOurs.get(), pipes.outOurs.get(), pipes.errOurs.get()})
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return "";
}

// One short wait on the pipes: feeds the program its input and keeps what it
// writes, up to the cap.
void ServePipes(const ChildRequest& request, ChildPipes& pipes, std::chrono::milliseconds left,
                size_t* written, ChildOutcome& outcome) {
    pollfd fds[3];
    nfds_t count = 0;
    if (pipes.inOurs.get() >= 0) fds[count++] = {pipes.inOurs.get(), POLLOUT, 0};
    if (pipes.outOurs.get() >= 0) fds[count++] = {pipes.outOurs.get(), POLLIN, 0};
    if (pipes.errOurs.get() >= 0) fds[count++] = {pipes.errOurs.get(), POLLIN, 0};
    // Its end is learnt by waitpid, not by the pipes (what it started may
    // hold them open): a short wait keeps that prompt.
    ::poll(fds, count, static_cast<int>(std::min<long long>(left.count(), 10)));
    if (pipes.inOurs.get() >= 0) {
        const ssize_t n = ::send(pipes.inOurs.get(), request.input.data() + *written,
                                 request.input.size() - *written, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) *written += static_cast<size_t>(n);
        // All given, or the program will read no more.
        if (*written == request.input.size() || (n < 0 && errno != EAGAIN && errno != EINTR))
            pipes.inOurs.Close();
    }
    if (pipes.outOurs.get() >= 0 &&
        !Drain(pipes.outOurs.get(), outcome.out, request.outputCap, &outcome.outCut))
        pipes.outOurs.Close();
    if (pipes.errOurs.get() >= 0 && !Drain(pipes.errOurs.get(), outcome.err, request.outputCap, nullptr))
        pipes.errOurs.Close();
}

// How the program ended, from its wait status.
void Conclude(int status, ChildOutcome& outcome) {
    if (WIFSIGNALED(status)) {
        outcome.kind = ChildOutcome::Kind::Crashed;
        outcome.exitCode = WTERMSIG(status);
        outcome.reason = std::string("it was ended by signal ") + std::to_string(outcome.exitCode) + " (" +
                         ::strsignal(outcome.exitCode) + ")";
    } else {
        outcome.kind = ChildOutcome::Kind::Exited;
        outcome.exitCode = WEXITSTATUS(status);
    }
}

}  // namespace

ChildOutcome RunChild(const ChildRequest& request) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + request.timeout;
    ChildPipes pipes;
    if (const std::string why = pipes.Open(); !why.empty()) return NotStarted(why);
    pid_t pid = -1;
    if (const std::string why = Spawn(request, pipes, &pid); !why.empty()) return NotStarted(why);

    ChildOutcome outcome;
    size_t written = 0;
    if (request.input.empty()) pipes.inOurs.Close();
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
        ServePipes(request, pipes, left, &written, outcome);
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
    if (pipes.outOurs.get() >= 0) Drain(pipes.outOurs.get(), outcome.out, request.outputCap, &outcome.outCut);
    if (pipes.errOurs.get() >= 0) Drain(pipes.errOurs.get(), outcome.err, request.outputCap, nullptr);
    Conclude(status, outcome);
    return outcome;
}

}  // namespace zt::host_posix

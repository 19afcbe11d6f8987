#pragma once
#include <csignal>
#include <memory>

#include "host/InterruptCatch.h"

namespace zt::cli {

// Ctrl-C (SIGINT), SIGTERM and SIGHUP while a command runs: instead of killing the
// process in the middle of a device exchange, they set a flag that the
// command's user-interface loop sees within a few milliseconds; it then runs
// the job's close (Stop) and exits non-zero. A second signal ends the
// process at once. The previous handlers come back when the guard goes away.
class InterruptSignal {
public:
    InterruptSignal();
    ~InterruptSignal();
    InterruptSignal(const InterruptSignal&) = delete;
    InterruptSignal& operator=(const InterruptSignal&) = delete;

    static bool Requested();
    // The first signal that came (SIGINT, SIGTERM or SIGHUP), 0 while none has.
    static int Signal();
    // The exit code after that signal: 128 plus its number, as a shell
    // reports a process the signal ended (130, 143, 129).
    static int ExitCode();
    // What the signal handler does; also for tests.
    static void Request(int signal = SIGINT);
    static void Clear();

private:
    std::unique_ptr<InterruptCatch> catch_;
};

}  // namespace zt::cli

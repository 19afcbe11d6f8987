#include "host/posix/PosixInterruptCatch.h"

#include <atomic>

namespace zt::host_posix {

namespace {

// The handler of the innermost catch; a signal handler can reach only globals.
std::atomic<InterruptCatch::Handler> currentHandler{nullptr};
static_assert(std::atomic<InterruptCatch::Handler>::is_always_lock_free, "read from a signal handler");

extern "C" void OnInterruptSignal(int signal) {
    if (const InterruptCatch::Handler handler = currentHandler.load()) handler(signal);
}

void Install(int signal, struct sigaction* previous) {
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    if (::sigaction(signal, &action, previous) != 0) {
        // Nothing to come back to: the default is what a command without a
        // catch has.
        *previous = {};
        previous->sa_handler = SIG_DFL;
    }
}

}  // namespace

PosixInterruptCatch::PosixInterruptCatch(Handler handler)
    : previousHandler_(currentHandler.exchange(handler)) {
    Install(SIGINT, &previousInt_);
    Install(SIGTERM, &previousTerm_);
    Install(SIGHUP, &previousHup_);
}

PosixInterruptCatch::~PosixInterruptCatch() {
    ::sigaction(SIGINT, &previousInt_, nullptr);
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
    ::sigaction(SIGHUP, &previousHup_, nullptr);
    currentHandler.store(previousHandler_);
}

}  // namespace zt::host_posix

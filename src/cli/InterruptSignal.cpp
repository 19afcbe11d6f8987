#include "cli/InterruptSignal.h"

#include <atomic>
#include <csignal>

namespace zt::cli {

namespace {
// The signal that asked for the close; 0 while none has.
std::atomic<int> interruptSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal is stored from a signal handler");

// The first signal asks for an orderly close; the close may wait up to a
// device time-out, so a second one ends the process at once as usual.
extern "C" void OnInterruptSignal(int signal) {
    int none = 0;
    interruptSignal.compare_exchange_strong(none, signal);
    std::signal(signal, SIG_DFL);
}
}  // namespace

InterruptSignal::InterruptSignal() {
    Clear();
    previousInt_ = std::signal(SIGINT, OnInterruptSignal);
    previousTerm_ = std::signal(SIGTERM, OnInterruptSignal);
}

InterruptSignal::~InterruptSignal() {
    std::signal(SIGINT, previousInt_ == SIG_ERR ? SIG_DFL : previousInt_);
    std::signal(SIGTERM, previousTerm_ == SIG_ERR ? SIG_DFL : previousTerm_);
}

bool InterruptSignal::Requested() { return interruptSignal.load() != 0; }

int InterruptSignal::Signal() { return interruptSignal.load(); }

void InterruptSignal::Request(int signal) {
    int none = 0;
    interruptSignal.compare_exchange_strong(none, signal);
}

void InterruptSignal::Clear() { interruptSignal.store(0); }

}  // namespace zt::cli

#include "cli/InterruptSignal.h"

#include <atomic>
#include <csignal>

namespace zt::cli {

namespace {
std::atomic<bool> interruptRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void OnInterruptSignal(int) { interruptRequested.store(true); }
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

bool InterruptSignal::Requested() { return interruptRequested.load(); }

void InterruptSignal::Request() { interruptRequested.store(true); }

void InterruptSignal::Clear() { interruptRequested.store(false); }

}  // namespace zt::cli

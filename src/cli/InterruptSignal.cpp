#include "cli/InterruptSignal.h"

#include <atomic>

#include "host/HostSystem.h"
#include "station/config/ExitCodes.h"

namespace zt::cli {

namespace {
// The signal that asked for the close; 0 while none has.
std::atomic<int> interruptSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal is stored from a signal handler");
}  // namespace

InterruptSignal::InterruptSignal() {
    Clear();
    catch_ = CatchInterrupts(&InterruptSignal::Request);
}

InterruptSignal::~InterruptSignal() = default;

bool InterruptSignal::Requested() { return interruptSignal.load() != 0; }

int InterruptSignal::Signal() { return interruptSignal.load(); }

int InterruptSignal::ExitCode() {
    const int signal = Signal();
    return signal > 0 ? station::kExitSignalBase + signal : station::kExitInterrupted;
}

void InterruptSignal::Request(int signal) {
    int none = 0;
    interruptSignal.compare_exchange_strong(none, signal);
}

void InterruptSignal::Clear() { interruptSignal.store(0); }

}  // namespace zt::cli

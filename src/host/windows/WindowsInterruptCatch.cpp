#include "host/windows/WindowsInterruptCatch.h"

#include <windows.h>

#include <atomic>
#include <csignal>

namespace zt::host_windows {

namespace {

// The handler of the innermost catch, and whether a Ctrl-C was taken since it
// began: the control handler runs on a thread of the system's.
std::atomic<InterruptCatch::Handler> currentHandler{nullptr};
std::atomic<bool> interruptTaken{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT || interruptTaken.exchange(true)) return FALSE;
    const InterruptCatch::Handler handler = currentHandler.load();
    if (handler == nullptr) return FALSE;
    handler(SIGINT);
    return TRUE;
}

}  // namespace

WindowsInterruptCatch::WindowsInterruptCatch(Handler handler)
    : previousHandler_(currentHandler.exchange(handler)), previousTaken_(interruptTaken.exchange(false)) {
    // The same routine added twice is called twice; one is enough for all catches.
    if (previousHandler_ == nullptr) SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

WindowsInterruptCatch::~WindowsInterruptCatch() {
    if (previousHandler_ == nullptr) SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    currentHandler.store(previousHandler_);
    interruptTaken.store(previousTaken_);
}

}  // namespace zt::host_windows

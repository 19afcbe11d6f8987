#include "platform/windows/WindowsTimerPrecision.h"

#include <windows.h>
// timeapi.h needs the types windows.h declares.
#include <timeapi.h>

#include <atomic>

namespace zt::platform_windows {

void RequestPreciseTimers() {
    // Once per process: every timeBeginPeriod needs its timeEndPeriod, and the
    // system drops the request when the process ends.
    static std::atomic<bool> requested{false};
    if (!requested.exchange(true)) timeBeginPeriod(1);
}

}  // namespace zt::platform_windows

#include "platform/linux/LinuxTimerPrecision.h"

#include <sys/prctl.h>

namespace zt::platform_linux {

void RequestPreciseTimers() {
    // The kernel lets a sleeping thread wake up to 50 us late by default to
    // batch wake-ups; 1 ns is the smallest slack it takes (0 would mean "the
    // default").
    (void)::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

}  // namespace zt::platform_linux

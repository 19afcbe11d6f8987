#include "cli/PreciseTimers.h"

#include <sys/prctl.h>

namespace zt::cli {

void RequestPreciseTimers() {
    // 1 ns: the smallest slack the kernel takes (0 would mean "the default").
    (void)::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

}  // namespace zt::cli

#pragma once

namespace zt::platform_windows {

// Raises the system timer resolution to 1 ms for the rest of the process, so
// that plain sleeps (the standard library's, the simulated machine's real
// clock) are not rounded up to the 15.6 ms default tick. The device pauses of
// WindowsClock do not depend on it. Best effort.
void RequestPreciseTimers();

}  // namespace zt::platform_windows

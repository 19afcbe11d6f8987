#pragma once

namespace zt::platform_linux {

// Asks for exact timer wake-ups on the calling thread and on every thread it
// starts afterwards (threads inherit the timer slack). Best effort.
void RequestPreciseTimers();

}  // namespace zt::platform_linux

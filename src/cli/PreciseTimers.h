#pragma once

namespace zt::cli {

// The device pauses are a few milliseconds each and a job makes thousands of
// them; the kernel's default timer slack (50 us) would add a few percent to
// every job. This asks for exact wake-ups on the calling thread and on every
// thread it starts afterwards (the worker inherits it). Best effort.
void RequestPreciseTimers();

}  // namespace zt::cli

#pragma once
#include "host/ChildProcess.h"

namespace zt::host_windows {

// CreateProcess of `cmd /c` in a job object (a time-out ends what it started
// too), with only its own three pipe ends inherited; its input fits the
// pipe whole, its output is read by two threads, and the process is waited
// for with WaitForSingleObject until its time runs out.
ChildOutcome RunChild(const ChildRequest& request);

}  // namespace zt::host_windows

#pragma once
#include "host/ChildProcess.h"

namespace zt::host_posix {

// posix_spawn of /bin/sh in a process group of its own (a time-out kills the
// whole group), the descriptors the tool holds are not passed on (every
// descriptor of ours is opened close-on-exec), signals at their defaults; its
// pipes are served with poll() until it ends or its time runs out, and it is
// always reaped.
ChildOutcome RunChild(const ChildRequest& request);

}  // namespace zt::host_posix

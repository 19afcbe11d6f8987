#include "cli/StandardStreams.h"

namespace zt::cli {

void ProtectStandardStreams() {
    // Windows has no SIGPIPE, and a process started without one of its
    // standard handles gets writes that fail rather than a descriptor that a
    // later open could take over: nothing to mend here.
}

}  // namespace zt::cli

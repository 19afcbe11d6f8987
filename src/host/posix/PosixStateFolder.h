#pragma once
#include <string>

namespace zt::host_posix {

// Where the tool keeps what must outlive a run (host/HostSystem.h).
std::string StateFolder();

}  // namespace zt::host_posix

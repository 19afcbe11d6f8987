#pragma once
#include <string>

namespace zt::platform_posix {

// Where the tool keeps what must outlive a run (platform/HostSystem.h).
std::string StateFolder();

}  // namespace zt::platform_posix

#include "host/windows/WindowsHostIdentity.h"

#include <cstdlib>

namespace zt::host_windows {

std::string WindowsHostIdentity::Name() const {
    const char* name = std::getenv("COMPUTERNAME");
    return name ? name : "";
}

}  // namespace zt::host_windows

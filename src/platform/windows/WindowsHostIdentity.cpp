#include "platform/windows/WindowsHostIdentity.h"

#include <cstdlib>

namespace zt::platform_windows {

std::string WindowsHostIdentity::Name() const {
    const char* name = std::getenv("COMPUTERNAME");
    return name ? name : "";
}

}  // namespace zt::platform_windows

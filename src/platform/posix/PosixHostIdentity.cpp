#include "platform/posix/PosixHostIdentity.h"

#include <unistd.h>

namespace zt::platform_posix {

std::string PosixHostIdentity::Name() const {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}

}  // namespace zt::platform_posix

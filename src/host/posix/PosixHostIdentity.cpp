#include "host/posix/PosixHostIdentity.h"

#include <unistd.h>

namespace zt::host_posix {

std::string PosixHostIdentity::Name() const {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}

}  // namespace zt::host_posix

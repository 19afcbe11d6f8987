#include "host/posix/PosixOperatorLocale.h"

#include <cstdlib>

namespace zt::host_posix {

std::string OperatorLocale() {
    // The order the C library itself reads them in for messages.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return "";
}

}  // namespace zt::host_posix

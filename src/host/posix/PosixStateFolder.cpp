#include "host/posix/PosixStateFolder.h"

#include <unistd.h>

#include <cstdlib>

namespace zt::host_posix {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string StateFolder() {
    if (const std::string given = Env("ZT_STATE_DIR"); !given.empty()) return given;
    // An installed station's: made by the administrator for the stations'
    // users, and used only when this user may write to it.
    constexpr const char* kSystem = "/var/lib/zt51xx-mp";
    if (::access(kSystem, W_OK | X_OK) == 0) return kSystem;
    if (const std::string xdg = Env("XDG_STATE_HOME"); !xdg.empty() && xdg[0] == '/')
        return xdg + "/zt51xx-mp";
    if (const std::string home = Env("HOME"); !home.empty()) return home + "/.local/state/zt51xx-mp";
    return "";
}

}  // namespace zt::host_posix

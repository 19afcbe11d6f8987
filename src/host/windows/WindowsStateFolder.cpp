#include "host/windows/WindowsStateFolder.h"

#include <windows.h>

#include <cstdlib>

#include "host/windows/WideText.h"

namespace zt::host_windows {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A folder that exists and is not marked read-only.
bool WritableFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_READONLY);
}

}  // namespace

std::string StateFolder() {
    if (const std::string given = Env("ZT_STATE_DIR"); !given.empty()) return given;
    // An installed station's: made by the administrator for the stations' users.
    if (const std::string shared = Env("PROGRAMDATA");
        !shared.empty() && WritableFolder(shared + "\\zt51xx-mp"))
        return shared + "\\zt51xx-mp";
    if (const std::string own = Env("LOCALAPPDATA"); !own.empty()) return own + "\\zt51xx-mp";
    return "";
}

}  // namespace zt::host_windows

#include "host/windows/WindowsSystemJournal.h"

namespace zt::host_windows {

std::unique_ptr<SystemJournal> OpenWindowsSystemJournal(std::string* error) {
    *error = "the systemd journal does not exist on Windows; use --log FILE";
    return nullptr;
}

}  // namespace zt::host_windows

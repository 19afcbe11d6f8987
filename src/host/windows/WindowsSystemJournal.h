#pragma once
#include <memory>
#include <string>

#include "host/SystemJournal.h"

namespace zt::host_windows {

// Windows has no systemd journal: --log journal is refused with a line that
// says so, before any job starts.
std::unique_ptr<SystemJournal> OpenWindowsSystemJournal(std::string* error);

}  // namespace zt::host_windows

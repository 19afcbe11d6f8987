#pragma once
#include <memory>
#include <string>

#include "platform/SystemJournal.h"

namespace zt::platform_windows {

// Windows has no systemd journal: --log journal is refused with a line that
// says so, before any job starts.
std::unique_ptr<SystemJournal> OpenWindowsSystemJournal(std::string* error);

}  // namespace zt::platform_windows

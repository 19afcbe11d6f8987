#pragma once
#include <string>

namespace zt::host_windows {

// The locale the operator's messages are in (host/HostSystem.h).
std::string OperatorLocale();

}  // namespace zt::host_windows

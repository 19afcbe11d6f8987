#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace zt::platform_windows {

// The paths of the present device interfaces of one interface class, in the
// order SetupAPI lists them (the system's order, stable while nothing is
// plugged). `enumerator` narrows the list to one device instance ID.
// Empty when the class has no present interface or the set cannot be read.
std::vector<std::wstring> ListDeviceInterfacePaths(const GUID& interfaceClass,
                                                   const wchar_t* enumerator = nullptr,
                                                   bool presentOnly = true);

}  // namespace zt::platform_windows

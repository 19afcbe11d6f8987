#pragma once
#include <vector>

#include "cli/ConsoleView.h"
#include "device/KnownDeviceTable.h"
#include "platform/HidBackend.h"

namespace zt::cli {

// The HID interfaces present whose IDs are in the known-device table (up to
// its first empty row), in the backend's order. Each interface is opened only
// long enough to read its IDs. `openFailures` counts interfaces that could
// not be opened (often a missing permission).
std::vector<PresentDevice> FindKnownDevices(HidBackend& hid, const KnownDeviceTable& table, int* openFailures);

}  // namespace zt::cli

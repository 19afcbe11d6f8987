#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "device/KnownDeviceTable.h"
#include "platform/HidBackend.h"

namespace zt::cli {

// A known device found on the bus.
struct PresentDevice {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string path;
    bool updater = false;
};

// The HID interfaces present whose IDs are in the known-device table (up to
// its first empty row), in the backend's order. Each interface is opened only
// long enough to read its IDs. `openFailures` counts interfaces that could
// not be opened (often a missing permission).
std::vector<PresentDevice> FindKnownDevices(HidBackend& hid, const KnownDeviceTable& table, int* openFailures);

}  // namespace zt::cli

#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chip/KnownDeviceTable.h"
#include "platform/HidBackend.h"
#include "platform/UsbTree.h"

namespace zt::cli {

// A known device found on the bus.
struct PresentDevice {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string path;  // the HID node
    bool updater = false;
    std::string port;  // "" when the backend cannot tell
    uint16_t bcdDevice = 0;
    std::string serial;      // "" when the device has none
    bool described = false;  // the USB walk found the port: bcdDevice and serial are known
    // Whether `write --replug power` can re-plug this unit; unknown when the
    // lister did not ask.
    std::optional<bool> powerReplug;
};

// The HID interfaces present whose IDs are in the known-device table (up to
// its first empty row), in the backend's order. Each interface is opened only
// long enough to read its IDs. `openFailures` counts interfaces that could
// not be opened (often a missing permission).
std::vector<PresentDevice> FindKnownDevices(HidBackend& hid, const KnownDeviceTable& table,
                                            int* openFailures);

// Fills in what the USB walk knows of each device's port: its release number
// and serial string. Devices whose port is unknown, or not in the walk, keep
// `described` false.
void DescribeFromUsbTree(std::vector<PresentDevice>& devices, UsbTree& usb);

}  // namespace zt::cli

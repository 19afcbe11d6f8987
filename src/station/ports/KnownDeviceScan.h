#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chip/KnownDeviceTable.h"
#include "platform/HidBackend.h"
#include "platform/UsbTree.h"

namespace zt::station {

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
    // False for a known device the USB walk shows whose HID interface could
    // not be opened (often a missing permission): its IDs come from the walk.
    bool openable = true;
};

// The HID interfaces present whose IDs are in the known-device table (up to
// its first empty row), in the backend's order. Each interface is opened only
// long enough to read its IDs. `openFailures` counts interfaces that could
// not be opened (often a missing permission).
std::vector<PresentDevice> FindKnownDevices(HidBackend& hid, const KnownDeviceTable& table,
                                            int* openFailures);

// The units present, as `list` and `write --all` see them: the known devices
// of FindKnownDevices, described from the USB walk, and after them every
// known device of the walk whose HID interface could not be opened, so that
// such a unit is shown and failed rather than left out. `openFailures` counts
// interfaces that could not be opened and are not among the units.
std::vector<PresentDevice> ScanUnits(HidBackend& hid, UsbTree& usb, const KnownDeviceTable& table,
                                     int* openFailures);

// The unit a job's own open picks among `devices` (as FindKnownDevices gives
// them): the table's rows in order, from the typed row 0 on, and within a row
// the first device. None when no device matches a row.
std::optional<PresentDevice> UnitTheTableSelects(const std::vector<PresentDevice>& devices,
                                                 const KnownDeviceTable& table);

// Fills in what the USB walk knows of each device's port: its release number
// and serial string. Devices whose port is unknown, or not in the walk, keep
// `described` false.
void DescribeFromUsbTree(std::vector<PresentDevice>& devices, UsbTree& usb);

}  // namespace zt::station

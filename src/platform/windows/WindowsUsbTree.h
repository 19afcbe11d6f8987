#pragma once
#include "platform/UsbTree.h"

namespace zt::platform_windows {

// The attached USB devices from the host-controller and hub drivers: every
// host controller (the numbered \\.\HCDn names, then the interfaces of the
// host-controller class), its root hub, and every port of every hub, depth
// first, ports ascending, each hub listed before what hangs off it. A
// controller that answers under both kinds of name is walked once (they are
// told apart by their driver key). Anything that cannot be opened or queried
// is skipped and the walk goes on. Each device's port is the location path of
// its device node, found by the driver key the hub reports for the port; ""
// when the hub does not say or no present node has that key.
//
// After the walk come the devices of the present HID interfaces that the walk
// did not meet, as the HID class driver describes them (IDs and the release
// number of the attributes, which is the descriptor's bcdDevice): on a system
// without the hub drivers' queries the version query still finds its unit.
class WindowsUsbTree final : public UsbTree {
public:
    std::vector<UsbDeviceEntry> ListDevices() override;

    // Appends to `walked` each of `fromHid` that is not there already (same
    // IDs, and the same port unless either port is unknown), once per
    // device however many HID interfaces it has.
    static void AddDevicesTheWalkMissed(std::vector<UsbDeviceEntry>& walked,
                                        const std::vector<UsbDeviceEntry>& fromHid);
};

}  // namespace zt::platform_windows

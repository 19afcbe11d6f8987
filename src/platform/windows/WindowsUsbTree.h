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
class WindowsUsbTree final : public UsbTree {
public:
    std::vector<UsbDeviceEntry> ListDevices() override;
};

}  // namespace zt::platform_windows

#pragma once
#include "platform/UsbTree.h"

namespace zt::platform_linux {

// The attached USB devices from sysfs: every usb_device that libudev lists,
// with the IDs and release number of its device descriptor. Sysfs names a
// device by its place in the tree (usb1, 1-1, 1-1.4, ...), so the natural
// order of the paths is the order of a walk: controllers in turn, each hub
// before what hangs off it, ports ascending.
class LinuxUsbTree final : public UsbTree {
public:
    std::vector<UsbDeviceEntry> ListDevices() override;
};

}  // namespace zt::platform_linux

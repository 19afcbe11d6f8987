#pragma once
#include <libudev.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/NaturalOrder.h"

namespace zt::platform_linux {

// Owning pointers for the libudev objects we hold, and the few look-ups the
// backends share. libudev objects are not thread-safe: each user keeps its
// own udev context.
struct UdevUnref {
    void operator()(udev* p) const { udev_unref(p); }
    void operator()(udev_device* p) const { udev_device_unref(p); }
    void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
    void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
};
using UdevPtr = std::unique_ptr<udev, UdevUnref>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevUnref>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevUnref>;

// A sysfs attribute or udev property as text, "" when absent.
std::string SysAttr(udev_device* device, const char* name);
std::string Property(udev_device* device, const char* name);

// A four-digit hexadecimal sysfs attribute (idVendor, bcdDevice, ...).
std::optional<uint16_t> HexSysAttr(udev_device* device, const char* name);

// Vendor and product ID of a USB device from its PRODUCT property
// ("vid/pid/bcd" in hex without leading zeros), which is all a removal leaves.
bool ParseProductProperty(const std::string& product, uint16_t& vendorId, uint16_t& productId);

// The USB port of a device node's USB device: the sysfs name of its
// usb_device parent ("1-2.3"), which names the port it is plugged into and
// survives a re-plug there. "" when the node has no USB parent.
std::string UsbPortOf(udev_device* device);

// True when the table of /proc/net/unix lists a socket that listens
// (__SO_ACCEPTCON in its flags) on `path`.
bool UnixSocketListens(const std::string& procNetUnix, const std::string& path);

// Orders device paths the way people number devices: hidraw2 before
// hidraw10, port 1-2 before 1-10.
inline bool NaturalPathLess(const std::string& a, const std::string& b) { return NaturalLess(a, b); }

}  // namespace zt::platform_linux

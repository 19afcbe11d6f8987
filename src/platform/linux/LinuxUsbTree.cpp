#include "platform/linux/LinuxUsbTree.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "platform/linux/Udev.h"

namespace zt::platform_linux {

namespace {
constexpr uint16_t kHubClass = 0x09;

// sysfs "speed" is in Mbit/s: 480 high speed, 12 full speed.
UsbLink LinkOfSpeed(const std::string& speed) {
    if (speed == "480") return UsbLink::High;
    if (speed == "12") return UsbLink::Full;
    return UsbLink::Unknown;
}
}  // namespace

std::vector<UsbDeviceEntry> LinuxUsbTree::ListDevices() {
    std::vector<std::pair<std::string, UsbDeviceEntry>> found;
    UdevPtr udev(udev_new());
    if (!udev) return {};
    UdevEnumeratePtr enumerate(udev_enumerate_new(udev.get()));
    if (!enumerate) return {};
    udev_enumerate_add_match_subsystem(enumerate.get(), "usb");
    if (udev_enumerate_scan_devices(enumerate.get()) < 0) return {};

    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        const char* syspath = udev_list_entry_get_name(entry);
        UdevDevicePtr device(udev_device_new_from_syspath(udev.get(), syspath));
        if (!device) continue;
        const char* devtype = udev_device_get_devtype(device.get());
        if (!devtype || std::strcmp(devtype, "usb_device") != 0) continue;
        const auto vid = HexSysAttr(device.get(), "idVendor");
        const auto pid = HexSysAttr(device.get(), "idProduct");
        if (!vid || !pid) continue;  // gone while we looked, or unreadable
        UsbDeviceEntry e;
        e.vendorId = *vid;
        e.productId = *pid;
        e.bcdDevice = HexSysAttr(device.get(), "bcdDevice").value_or(0);
        e.isHub = HexSysAttr(device.get(), "bDeviceClass").value_or(0) == kHubClass;
        e.port = UsbPortOf(device.get());
        e.serial = SysAttr(device.get(), "serial");
        e.link = LinkOfSpeed(SysAttr(device.get(), "speed"));
        found.emplace_back(syspath, e);
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return NaturalPathLess(a.first, b.first); });
    std::vector<UsbDeviceEntry> devices;
    devices.reserve(found.size());
    for (auto& f : found) devices.push_back(f.second);
    return devices;
}

}  // namespace zt::platform_linux

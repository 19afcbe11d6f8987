#include "platform/linux/Udev.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace zt::platform_linux {

std::string SysAttr(udev_device* device, const char* name) {
    const char* value = udev_device_get_sysattr_value(device, name);
    return value ? value : "";
}

std::string Property(udev_device* device, const char* name) {
    const char* value = udev_device_get_property_value(device, name);
    return value ? value : "";
}

namespace {

std::optional<uint16_t> ParseHex16(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    while (end && std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (end == text.c_str() || (end && *end != '\0' && *end != '/') || value > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<uint16_t> HexSysAttr(udev_device* device, const char* name) {
    return ParseHex16(SysAttr(device, name));
}

bool ParseProductProperty(const std::string& product, uint16_t& vendorId, uint16_t& productId) {
    const size_t first = product.find('/');
    if (first == std::string::npos) return false;
    const size_t second = product.find('/', first + 1);
    const auto vid = ParseHex16(product.substr(0, first));
    const auto pid = ParseHex16(
        product.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1));
    if (!vid || !pid) return false;
    vendorId = *vid;
    productId = *pid;
    return true;
}

std::string UsbPortOf(udev_device* device) {
    if (!device) return "";
    // A USB device is its own port's device; for anything below it (an
    // interface, a hidraw node) it is the nearest usb_device ancestor.
    const char* devtype = udev_device_get_devtype(device);
    const char* subsystem = udev_device_get_subsystem(device);
    const bool isUsbDevice =
        devtype && subsystem && std::string(devtype) == "usb_device" && std::string(subsystem) == "usb";
    udev_device* usb =
        isUsbDevice ? device : udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    const char* name = usb ? udev_device_get_sysname(usb) : nullptr;
    return name ? name : "";
}

bool UnixSocketListens(const std::string& procNetUnix, const std::string& path) {
    constexpr unsigned long kAcceptCon = 0x10000;
    std::istringstream lines(procNetUnix);
    std::string line;
    while (std::getline(lines, line)) {
        // Num RefCount Protocol Flags Type St Inode [Path]
        std::istringstream fields(line);
        std::string num, refCount, protocol, flags, type, state, inode, socketPath;
        if (!(fields >> num >> refCount >> protocol >> flags >> type >> state >> inode >> socketPath))
            continue;
        if (socketPath == path && (std::strtoul(flags.c_str(), nullptr, 16) & kAcceptCon)) return true;
    }
    return false;
}

}  // namespace zt::platform_linux

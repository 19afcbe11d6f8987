#include "platform/linux/LinuxPortPower.h"

#include <fcntl.h>
#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/HubPowerSwitching.h"
#include "platform/linux/Udev.h"

namespace zt::platform_linux {

namespace {

constexpr uint8_t kClassInDevice = 0xA0;  // hub class request, device to host
constexpr uint8_t kGetDescriptor = 0x06;
constexpr uint8_t kHubDescriptor = 0x29;
constexpr uint8_t kSuperSpeedHubDescriptor = 0x2A;
constexpr unsigned kTransferTimeoutMs = 1000;
constexpr unsigned long kSuperSpeedMbps = 5000;

// The switch of one hub port, found while the device is still there: its
// folder goes away as soon as the port is off.
struct PortSwitch {
    std::string disablePath;  // the port's `disable` attribute
    std::string hubSysPath;   // the hub's usb_device folder
    std::string problem;      // for the operator, when there is no switch
};

// Port names are sysfs names ("1-2.3"); anything else could wander out of
// the USB devices' folder.
bool IsPortName(const std::string& port) {
    return !port.empty() && port.find("..") == std::string::npos &&
           std::all_of(port.begin(), port.end(),
                       [](unsigned char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; });
}

PortSwitch FindSwitch(const std::string& port) {
    PortSwitch found;
    const std::string noDevice = "there is no USB device on port " + port;
    if (!IsPortName(port)) {
        found.problem = noDevice;
        return found;
    }
    UdevPtr udev(udev_new());
    UdevDevicePtr device(udev ? udev_device_new_from_subsystem_sysname(udev.get(), "usb", port.c_str())
                              : nullptr);
    const char* devtype = device ? udev_device_get_devtype(device.get()) : nullptr;
    if (!devtype || std::string(devtype) != "usb_device") {
        found.problem = noDevice;
        return found;
    }
    // The link is relative to the device's own folder, e.g. ../1-0:1.0/usb1-port2.
    const std::filesystem::path folder = udev_device_get_syspath(device.get());
    char target[512];
    const ssize_t length = ::readlink((folder / "port").c_str(), target, sizeof target - 1);
    if (length <= 0) {
        found.problem = "the kernel names no hub port for the device on port " + port;
        return found;
    }
    target[length] = '\0';
    const std::filesystem::path portFolder = (folder / target).lexically_normal();
    found.disablePath = (portFolder / "disable").string();
    // The port folder sits in the hub's interface folder, inside the hub's own.
    found.hubSysPath = portFolder.parent_path().parent_path().string();
    return found;
}

bool WriteSwitch(const std::string& path, const char* value) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ssize_t written = -1;
    do {
        written = ::write(fd, value, 1);
    } while (written < 0 && errno == EINTR);
    ::close(fd);
    return written == 1;
}

}  // namespace

std::optional<uint16_t> ReadHubCharacteristics(const std::string& hubSysPath) {
    UdevPtr udev(udev_new());
    UdevDevicePtr hub(udev ? udev_device_new_from_syspath(udev.get(), hubSysPath.c_str()) : nullptr);
    const char* node = hub ? udev_device_get_devnode(hub.get()) : nullptr;
    if (!node) return std::nullopt;
    // USB 3 hubs answer only the request for their own kind of descriptor.
    const bool superSpeed = std::strtoul(SysAttr(hub.get(), "speed").c_str(), nullptr, 10) >= kSuperSpeedMbps;
    const uint8_t kinds[2] = {superSpeed ? kSuperSpeedHubDescriptor : kHubDescriptor,
                              superSpeed ? kHubDescriptor : kSuperSpeedHubDescriptor};

    const int fd = ::open(node, O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<uint16_t> characteristics;
    libusb_context* context = nullptr;
    libusb_device_handle* handle = nullptr;
    // We hand libusb the one descriptor we opened; it need not scan the bus.
    libusb_set_option(nullptr, LIBUSB_OPTION_NO_DEVICE_DISCOVERY);
    if (libusb_init(&context) == 0 && libusb_wrap_sys_device(context, fd, &handle) == 0 && handle) {
        for (const uint8_t kind : kinds) {
            uint8_t descriptor[16] = {};
            const int got = libusb_control_transfer(handle, kClassInDevice, kGetDescriptor,
                                                    static_cast<uint16_t>(kind << 8), 0, descriptor,
                                                    sizeof descriptor, kTransferTimeoutMs);
            // bLength, bDescriptorType, bNbrPorts, wHubCharacteristics (little-endian)
            if (got >= 5 && descriptor[1] == kind) {
                characteristics = static_cast<uint16_t>(descriptor[3] | (descriptor[4] << 8));
                break;
            }
        }
    }
    if (handle) libusb_close(handle);
    if (context) libusb_exit(context);
    ::close(fd);
    return characteristics;
}

LinuxPortPower::LinuxPortPower(Clock& clock) : LinuxPortPower(clock, ReadHubCharacteristics) {}

LinuxPortPower::LinuxPortPower(Clock& clock, HubCharacteristicsReader readHub)
    : clock_(clock), readHub_(std::move(readHub)) {}

std::string LinuxPortPower::Unavailable(const std::string& port) {
    const PortSwitch found = FindSwitch(port);
    if (!found.problem.empty()) return found.problem;
    errno = 0;
    const bool mayWrite = ::access(found.disablePath.c_str(), W_OK) == 0;
    if (!mayWrite && errno == ENOENT) return "this kernel offers no power switch for port " + port;
    return PortPowerRefusal(port, PowerSwitchingOf(readHub_(found.hubSysPath)), mayWrite);
}

Status LinuxPortPower::Cycle(const std::string& port, uint32_t offMs) {
    const PortSwitch found = FindSwitch(port);
    if (!found.problem.empty()) return kFail;
    if (!WriteSwitch(found.disablePath, "1")) return kFail;
    clock_.SleepMs(offMs);
    return WriteSwitch(found.disablePath, "0") ? kOk : kFail;
}

}  // namespace zt::platform_linux

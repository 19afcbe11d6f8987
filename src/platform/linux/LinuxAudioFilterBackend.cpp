#include "platform/linux/LinuxAudioFilterBackend.h"

#include <fcntl.h>
#include <libusb.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "chip/KnownDeviceTable.h"
#include "platform/linux/Udev.h"
#include "platform/linux/VendorRequest.h"

namespace zt::platform_linux {

namespace {

constexpr unsigned kTransferTimeoutMs = 1000;
constexpr uint16_t kAudioInterfaceClass = 0x01;

bool IsKnownDevice(uint16_t vendorId, uint16_t productId) {
    return std::any_of(kInitialKnownDevices.begin(), kInitialKnownDevices.end(), [&](const KnownDevice& row) {
        return row.vendorId != 0 && row.vendorId == vendorId && row.productId == productId;
    });
}

}  // namespace

LinuxAudioFilterBackend::LinuxAudioFilterBackend() = default;

LinuxAudioFilterBackend::~LinuxAudioFilterBackend() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [handle, device] : devices_) {
        libusb_close(device.usb);
        ::close(device.fd);
    }
    devices_.clear();
    if (context_) libusb_exit(context_);
}

std::string LinuxAudioFilterBackend::FindAudioDeviceNode(const std::string& port) {
    UdevPtr udev(udev_new());
    if (!udev) return "";
    UdevEnumeratePtr enumerate(udev_enumerate_new(udev.get()));
    if (!enumerate) return "";
    udev_enumerate_add_match_subsystem(enumerate.get(), "usb");
    if (udev_enumerate_scan_devices(enumerate.get()) < 0) return "";

    std::set<std::string> withAudio;  // usb_device syspaths with an audio interface
    std::vector<std::pair<std::string, std::string>> candidates;  // syspath, devnode
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        UdevDevicePtr device(udev_device_new_from_syspath(udev.get(), udev_list_entry_get_name(entry)));
        if (!device) continue;
        const char* devtype = udev_device_get_devtype(device.get());
        if (!devtype) continue;
        if (std::strcmp(devtype, "usb_interface") == 0) {
            if (HexSysAttr(device.get(), "bInterfaceClass") != kAudioInterfaceClass) continue;
            udev_device* parent =
                udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device");
            if (parent) withAudio.insert(udev_device_get_syspath(parent));
        } else if (std::strcmp(devtype, "usb_device") == 0) {
            const auto vid = HexSysAttr(device.get(), "idVendor");
            const auto pid = HexSysAttr(device.get(), "idProduct");
            const char* node = udev_device_get_devnode(device.get());
            if (!port.empty() && UsbPortOf(device.get()) != port) continue;
            if (vid && pid && node && IsKnownDevice(*vid, *pid))
                candidates.emplace_back(udev_device_get_syspath(device.get()), node);
        }
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const auto& a, const auto& b) { return NaturalPathLess(a.first, b.first); });
    for (const auto& [syspath, node] : candidates)
        if (withAudio.count(syspath)) return node;
    return "";
}

bool LinuxAudioFilterBackend::EnsureContext() {
    if (context_) return true;
    // We hand libusb the one descriptor we opened; it need not scan the bus.
    libusb_set_option(nullptr, LIBUSB_OPTION_NO_DEVICE_DISCOVERY);
    if (libusb_init(&context_) != 0) {
        context_ = nullptr;
        return false;
    }
    return true;
}

Handle LinuxAudioFilterBackend::Open(const std::string& serviceName) { return OpenAtPort(serviceName, ""); }

Handle LinuxAudioFilterBackend::OpenAtPort(const std::string& serviceName, const std::string& port) {
    if (strcasecmp(serviceName.c_str(), kOurAudioServiceName) != 0) return kInvalidHandle;
    const std::string node = FindAudioDeviceNode(port);
    if (node.empty()) return kInvalidHandle;
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return kInvalidHandle;

    std::lock_guard<std::mutex> lock(mutex_);
    libusb_device_handle* usb = nullptr;
    if (!EnsureContext() || libusb_wrap_sys_device(context_, fd, &usb) != 0 || !usb) {
        ::close(fd);
        return kInvalidHandle;
    }
    const Handle handle = nextHandle_++;
    devices_.emplace(handle, Device{fd, usb});
    return handle;
}

bool LinuxAudioFilterBackend::SendProperty(Handle handle, const uint8_t (&frame)[48], uint8_t (&reply)[4],
                                           uint32_t& replyLength) {
    replyLength = 0;
    const auto request = DecodeVendorPropertyFrame(frame);
    if (!request) return false;

    libusb_device_handle* usb = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = devices_.find(handle);
        if (it == devices_.end()) return false;
        usb = it->second.usb;
    }
    uint8_t data[4] = {0, 0, 0, 0};
    const int done = libusb_control_transfer(usb, request->requestType, request->request, request->value,
                                             request->index, request->isIn() ? data : nullptr,
                                             request->isIn() ? sizeof data : 0, kTransferTimeoutMs);
    if (done < 0) return false;
    if (request->isIn()) {
        replyLength = static_cast<uint32_t>(std::min(done, 4));
        std::memcpy(reply, data, replyLength);
    }
    return true;
}

void LinuxAudioFilterBackend::Close(Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(handle);
    if (it == devices_.end()) return;
    libusb_close(it->second.usb);
    ::close(it->second.fd);
    devices_.erase(it);
}

}  // namespace zt::platform_linux

#include "platform/linux/LinuxHidBackend.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "chip/KnownDeviceTable.h"
#include "platform/linux/ReportDescriptor.h"
#include "platform/linux/Udev.h"

namespace zt::platform_linux {

struct LinuxHidBackend::Node {
    explicit Node(int f) : fd(f) {}
    ~Node() { ::close(fd); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    int fd;
    bool haveDescriptor = false;
    ReportLengths lengths;
};

namespace {

bool ReadDescriptor(int fd, ReportLengths& lengths) {
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size < 0 || size > HID_MAX_DESCRIPTOR_SIZE) return false;
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<uint32_t>(size);
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) return false;
    lengths = ParseReportDescriptor(descriptor.value, descriptor.size);
    return true;
}

bool IsOurVendor(uint16_t vendorId) {
    return std::any_of(kInitialKnownDevices.begin(), kInitialKnownDevices.end(),
                       [&](const KnownDevice& row) { return row.vendorId != 0 && row.vendorId == vendorId; });
}

// The vendor ID of a hidraw node from sysfs, for nodes we may not open.
std::optional<uint16_t> VendorOfNode(const std::string& path) {
    UdevPtr udev(udev_new());
    if (!udev) return std::nullopt;
    const size_t slash = path.rfind('/');
    const std::string sysname = slash == std::string::npos ? path : path.substr(slash + 1);
    UdevDevicePtr node(udev_device_new_from_subsystem_sysname(udev.get(), "hidraw", sysname.c_str()));
    if (!node) return std::nullopt;
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node.get(), "usb", "usb_device")) {
        if (auto vid = HexSysAttr(usb, "idVendor")) return vid;
    }
    // HID_ID of the hid parent: "bus:vendor:product", each in hex.
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node.get(), "hid", nullptr)) {
        const std::string id = Property(hid, "HID_ID");
        const size_t a = id.find(':');
        const size_t b = a == std::string::npos ? a : id.find(':', a + 1);
        if (b != std::string::npos) {
            const unsigned long vid = std::strtoul(id.substr(a + 1, b - a - 1).c_str(), nullptr, 16);
            if (vid <= 0xFFFF) return static_cast<uint16_t>(vid);
        }
    }
    return std::nullopt;
}

}  // namespace

LinuxHidBackend::LinuxHidBackend() = default;
LinuxHidBackend::~LinuxHidBackend() = default;

std::vector<std::string> LinuxHidBackend::ListInterfaces() {
    std::vector<std::string> paths;
    UdevPtr udev(udev_new());
    if (!udev) return paths;
    UdevEnumeratePtr enumerate(udev_enumerate_new(udev.get()));
    if (!enumerate) return paths;
    udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw");
    if (udev_enumerate_scan_devices(enumerate.get()) < 0) return paths;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        UdevDevicePtr device(udev_device_new_from_syspath(udev.get(), udev_list_entry_get_name(entry)));
        if (!device) continue;
        if (const char* node = udev_device_get_devnode(device.get())) paths.emplace_back(node);
    }
    std::sort(paths.begin(), paths.end(), NaturalPathLess);
    return paths;
}

Handle LinuxHidBackend::Open(const std::string& path, bool forReading) {
    // The reading handle never blocks in read(): poll() does the waiting.
    const int flags = forReading ? (O_RDONLY | O_NONBLOCK | O_CLOEXEC) : (O_RDWR | O_CLOEXEC);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM) NoteDenied(path);
        return kInvalidHandle;
    }
    auto node = std::make_shared<Node>(fd);
    node->haveDescriptor = ReadDescriptor(fd, node->lengths);

    std::lock_guard<std::mutex> lock(mutex_);
    if (deniedPath_ == path) deniedPath_.clear();
    const Handle handle = nextHandle_++;
    nodes_.emplace(handle, std::move(node));
    return handle;
}

bool LinuxHidBackend::GetAttributes(Handle handle, uint16_t& vendorId, uint16_t& productId) {
    const auto node = Find(handle);
    if (!node) return false;
    hidraw_devinfo info{};
    if (::ioctl(node->fd, HIDIOCGRAWINFO, &info) < 0) return false;
    vendorId = static_cast<uint16_t>(info.vendor);
    productId = static_cast<uint16_t>(info.product);
    return true;
}

bool LinuxHidBackend::GetCaps(Handle handle, uint16_t& inputReportLength, uint16_t& outputReportLength) {
    const auto node = Find(handle);
    if (!node || !node->haveDescriptor) return false;
    inputReportLength = node->lengths.inputLength;
    outputReportLength = node->lengths.outputLength;
    return true;
}

int LinuxHidBackend::Write(Handle handle, const uint8_t* data, size_t length) {
    const auto node = Find(handle);
    if (!node || data == nullptr || length == 0) return -1;
    ssize_t written;
    do {
        written = ::write(node->fd, data, length);
    } while (written < 0 && errno == EINTR);
    return written < 0 ? -1 : static_cast<int>(written);
}

int LinuxHidBackend::Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) {
    const auto node = Find(handle);
    if (!node || buffer == nullptr || length == 0) return 0;
    const bool prependId = !node->lengths.usesReportIds;
    if (prependId && length < 2) return 0;

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Rounded up: a wait cut to whole milliseconds must not end before the
        // caller's time-out does.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{node->fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        if (ready == 0) {
            if (Clock::now() >= deadline) return -1;
            continue;
        }
        if (!(p.revents & POLLIN)) return 0;  // hung up (unplugged) or an error

        ssize_t got;
        if (prependId) {
            buffer[0] = 0;
            got = ::read(node->fd, buffer + 1, length - 1);
        } else {
            got = ::read(node->fd, buffer, length);
        }
        if (got > 0) return static_cast<int>(got) + (prependId ? 1 : 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (Clock::now() >= deadline) return -1;
            continue;
        }
        return 0;
    }
}

void LinuxHidBackend::Close(Handle handle) {
    std::shared_ptr<Node> node;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = nodes_.find(handle);
        if (it == nodes_.end()) return;
        node = std::move(it->second);
        nodes_.erase(it);
    }
    // The descriptor closes when the last user lets go of the node.
}

std::string LinuxHidBackend::PermissionHint() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (deniedPath_.empty()) return "";
    return "No permission to open " + deniedPath_ +
           ": the package's udev rule 70-zt51xx-mp.rules gives the device to the user logged in at the "
           "station's seat, so log in there (an admin reinstalls the zt51xx-mp package if the rule is gone), "
           "then re-plug the device; the same rule gives it to the group plugdev, so a station service "
           "without a login runs as a user of that group (the package's zt51xx-mp user is; for another, "
           "usermod -aG plugdev USER), then re-plug the device.";
}

std::shared_ptr<LinuxHidBackend::Node> LinuxHidBackend::Find(Handle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = nodes_.find(handle);
    return it == nodes_.end() ? nullptr : it->second;
}

void LinuxHidBackend::NoteDenied(const std::string& path) {
    const auto vendorId = VendorOfNode(path);
    if (!vendorId || !IsOurVendor(*vendorId)) return;
    std::lock_guard<std::mutex> lock(mutex_);
    deniedPath_ = path;
}

std::string LinuxHidBackend::PortOf(const std::string& path) {
    UdevPtr udev(udev_new());
    if (!udev) return "";
    const size_t slash = path.rfind('/');
    const std::string sysname = slash == std::string::npos ? path : path.substr(slash + 1);
    UdevDevicePtr node(udev_device_new_from_subsystem_sysname(udev.get(), "hidraw", sysname.c_str()));
    return UsbPortOf(node.get());
}

}  // namespace zt::platform_linux

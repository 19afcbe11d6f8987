#include "UsbTestbed.h"

#include <umockdev.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace zt::test {

namespace {

std::string Hex4(uint16_t v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04x", v);
    return b;
}
std::string Hex2(uint8_t v) {
    char b[4];
    std::snprintf(b, sizeof b, "%02x", v);
    return b;
}
// As the kernel writes PRODUCT: "vid/pid/bcd" in hex, no leading zeros.
std::string ProductProperty(uint16_t vid, uint16_t pid, uint16_t bcd) {
    char b[32];
    std::snprintf(b, sizeof b, "%x/%x/%x", vid, pid, bcd);
    return b;
}

// A sysctl that even root may not open for writing: the stand-in for a
// hidraw node without our udev rule.
constexpr const char* kDeniedTarget = "/proc/sys/kernel/version";

}  // namespace

UsbTestbed::UsbTestbed() : testbed_(umockdev_testbed_new()) {
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
    rootHub_ =
        AddSysfs("usb", "usb1", "",
                 {"idVendor", "1d6b", "idProduct", "0002", "bcdDevice", "0601", "bDeviceClass", "09"},
                 {"DEVTYPE", "usb_device", "PRODUCT", "1d6b/2/601", "DEVNAME", "/dev/bus/usb/001/001"});
}

UsbTestbed::~UsbTestbed() {
    for (auto& [id, device] : devices_)
        if (device.node) umockdev_testbed_detach_ioctl(testbed_, device.devnode.c_str(), nullptr);
    g_object_unref(testbed_);  // removes the testbed's directory
    devices_.clear();
}

bool UsbTestbed::Mocked() const { return umockdev_in_mock_environment(); }

std::string UsbTestbed::AddSysfs(const char* subsystem, const std::string& name, const std::string& parent,
                                 const std::vector<std::string>& attributes,
                                 const std::vector<std::string>& properties) {
    std::vector<gchar*> attrs, props;
    for (const auto& a : attributes) attrs.push_back(const_cast<gchar*>(a.c_str()));
    for (const auto& p : properties) props.push_back(const_cast<gchar*>(p.c_str()));
    attrs.push_back(nullptr);
    props.push_back(nullptr);
    gchar* path =
        umockdev_testbed_add_devicev(testbed_, subsystem, name.c_str(),
                                     parent.empty() ? nullptr : parent.c_str(), attrs.data(), props.data());
    if (!path) throw std::runtime_error("umockdev could not add " + name);
    std::string result = path;
    g_free(path);
    return result;
}

int UsbTestbed::Add(const DeviceSpec& wanted) {
    const int id = nextId_++;
    Device device;
    const std::string parent = wanted.parent.empty() ? rootHub_ : wanted.parent;
    const std::string port = wanted.port.empty() ? "1-" + std::to_string(nextPort_++) : wanted.port;
    const int devnum = id + 1;
    char usbNode[40];
    std::snprintf(usbNode, sizeof usbNode, "/dev/bus/usb/001/%03d", devnum);
    device.usbPath =
        AddSysfs("usb", port, parent,
                 {"idVendor", Hex4(wanted.vendorId), "idProduct", Hex4(wanted.productId), "bcdDevice",
                  Hex4(wanted.bcdDevice), "bDeviceClass", Hex2(wanted.deviceClass)},
                 {"DEVTYPE", "usb_device", "PRODUCT",
                  ProductProperty(wanted.vendorId, wanted.productId, wanted.bcdDevice), "DEVNAME", usbNode});
    device.sysPaths.push_back(device.usbPath);
    device.port = port;
    const std::string iface =
        AddSysfs("usb", port + ":1.0", device.usbPath, {"bInterfaceClass", Hex2(wanted.interfaceClass)},
                 {"DEVTYPE", "usb_interface"});
    device.sysPaths.push_back(iface);

    if (!wanted.descriptor.empty()) {
        char hidName[64];
        std::snprintf(hidName, sizeof hidName, "0003:%04X:%04X.%04X", wanted.vendorId, wanted.productId, id);
        char hidId[40];
        std::snprintf(hidId, sizeof hidId, "0003:%08X:%08X", wanted.vendorId, wanted.productId);
        const std::string hid = AddSysfs("hid", hidName, iface, {}, {"HID_ID", hidId});
        device.sysPaths.push_back(hid);

        const std::string hidraw = "hidraw" + std::to_string(nextHidraw_++);
        device.devnode = "/dev/" + hidraw;
        const std::string nodeFile = root_ + device.devnode;
        std::filesystem::create_directories(root_ + "/dev");
        if (wanted.nodeDenied) {
            std::filesystem::create_symlink(kDeniedTarget, nodeFile);
        } else {
            device.node = std::make_unique<HidrawNode>(device.devnode, wanted.vendorId, wanted.productId,
                                                       wanted.descriptor);
            std::filesystem::create_symlink(device.node->ptyPath(), nodeFile);
            // The handler must be in place before the node shows up in sysfs.
            GError* error = nullptr;
            if (!umockdev_testbed_attach_ioctl(testbed_, device.devnode.c_str(), device.node->handler(),
                                               &error)) {
                const std::string message = error ? error->message : "unknown";
                if (error) g_error_free(error);
                throw std::runtime_error("attach_ioctl: " + message);
            }
        }
        device.sysPaths.push_back(AddSysfs("hidraw", hidraw, hid, {}, {"DEVNAME", device.devnode}));
    }
    devices_.emplace(id, std::move(device));
    return id;
}

void UsbTestbed::Unplug(int id) {
    auto it = devices_.find(id);
    if (it == devices_.end()) return;
    Device& device = it->second;
    // As the kernel does it: the event first, while the properties are still there.
    umockdev_testbed_uevent(testbed_, device.usbPath.c_str(), "remove");
    if (device.node) device.node->HangUp();
    for (auto p = device.sysPaths.rbegin(); p != device.sysPaths.rend(); ++p)
        umockdev_testbed_remove_device(testbed_, p->c_str());
    if (!device.devnode.empty()) std::filesystem::remove(root_ + device.devnode);
    // The node object stays (with its handler attached) until the testbed goes:
    // a descriptor the backend still holds may send it one more call.
}

}  // namespace zt::test

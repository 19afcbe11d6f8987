#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HidrawNode.h"

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace zt::test {

// A umockdev testbed laid out like a PC with one USB root hub (usb1, a hub
// of class 09) and the devices a test plugs into it. A device is the usb
// device with its sysfs IDs and PRODUCT property, one interface, and, when
// it has a report descriptor, a hid device with a hidraw child and its node.
//
// The test process must run under the umockdev preload (umockdev-wrapper).
// umockdev announces every device it adds with an "add" uevent, so Add is a
// plug-in (the usb device's event comes first, before its interface and node
// exist, as with the kernel). Unplug sends "remove" first, then takes the
// device out of sysfs and hangs its node up.
class UsbTestbed {
public:
    // The testbed's own folder (removed with it).
    const std::string& RootDir() const { return root_; }
    // The sysfs name (port) a device was added under.
    std::string PortOf(int id) const { return devices_.at(id).port; }

    struct DeviceSpec {
        uint16_t vendorId = 0x3C4D;
        uint16_t productId = 0x7351;
        uint16_t bcdDevice = 0x0100;
        uint8_t deviceClass = 0x00;
        uint8_t interfaceClass = 0x03;    // 0x01 for an audio device
        std::vector<uint8_t> descriptor;  // empty: no HID interface
        bool nodeDenied = false;          // opening the node fails with EACCES
        std::string parent;               // sysfs path; "" for the root hub
        std::string port;                 // sysfs name; "" for the next free 1-N
    };

    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    // True when the preload intercepts this process's file access.
    bool Mocked() const;

    // Plugs a device in and returns its id.
    int Add(const DeviceSpec& wanted);
    // "remove" uevent, then the device leaves sysfs and its node hangs up.
    void Unplug(int id);

    const std::string& UsbPath(int id) const { return devices_.at(id).usbPath; }
    HidrawNode& Node(int id) { return *devices_.at(id).node; }
    std::string RootHubPath() const { return rootHub_; }

private:
    struct Device {
        std::vector<std::string> sysPaths;  // parents first
        std::string usbPath;
        std::string port;
        std::string devnode;
        std::unique_ptr<HidrawNode> node;
    };
    std::string AddSysfs(const char* subsystem, const std::string& name, const std::string& parent,
                         const std::vector<std::string>& attributes,
                         const std::vector<std::string>& properties);

    UMockdevTestbed* testbed_;
    std::string root_;
    std::string rootHub_;
    std::map<int, Device> devices_;
    int nextId_ = 1;
    int nextPort_ = 1;
    int nextHidraw_ = 0;
};

}  // namespace zt::test

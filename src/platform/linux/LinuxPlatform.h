#pragma once
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/PortPower.h"

namespace zt::platform_linux {

// Everything the core needs on a Linux PC:
//   HID          hidraw nodes found with libudev, report lengths from the report descriptor
//   notices      a libudev monitor of usb_device add/remove (the kernel's own uevents when no
//                udev daemon runs), on a thread of its own; notices go to the recipient, which
//                hands them to the dialog on its user-interface thread
//   USB tree     the attached USB devices from sysfs
//   audio path   libusb vendor control requests on endpoint 0 of our audio device
//   port power   the kernel's switch of a unit's hub port, where the hub can
//   clock        the real clock, or the one a test hands in
class LinuxPlatform {
public:
    LinuxPlatform();
    // The same devices, paced by `clock` (which must outlive this object):
    // lets a test run whole jobs on real device paths without the real pauses.
    explicit LinuxPlatform(Clock& clock);
    ~LinuxPlatform();
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    Platform AsPlatform();

    // One line for the operator when a matching hidraw node exists but could not be
    // opened for lack of permission (it names the udev rule to install), else "".
    std::string PermissionHint() const;

    // Re-plugging a unit by switching its hub port off and on.
    PortPower& Power();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace zt::platform_linux

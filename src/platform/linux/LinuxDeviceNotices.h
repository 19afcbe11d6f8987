#pragma once
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/DeviceNotices.h"

struct udev_device;

namespace zt::platform_linux {

// Arrival and removal notices of USB devices from a libudev monitor
// (subsystem usb, devtype usb_device). Where a udev daemon runs we take its
// events, which come after it has made the device nodes and applied our
// rule; without one (containers, early boot) we listen to the kernel's own.
//
// Each registration runs its own thread that waits in poll() on the monitor
// and on a wake pipe, and posts every add and remove to the recipient as
// DeviceBroadcast{5, "USB#VID_xxxx&PID_yyyy#<sysname>"}. Unregister wakes the
// thread through the pipe and joins it, so nothing is posted after it returns.
class LinuxDeviceNotices final : public DeviceNoticeSource {
public:
    LinuxDeviceNotices();
    ~LinuxDeviceNotices() override;

    uintptr_t Register(DeviceNoticeRecipient& recipient) override;
    void Unregister(uintptr_t registration) override;

    // The notice for one monitor event, or false when the event is not the add
    // or remove of a USB device whose IDs can be read.
    static bool MakeNotice(udev_device* device, uint32_t& eventCode, DeviceBroadcast& record);

private:
    class Watch;
    std::mutex mutex_;
    std::map<uintptr_t, std::unique_ptr<Watch>> watches_;
    uintptr_t nextRegistration_ = 1;
};

}  // namespace zt::platform_linux

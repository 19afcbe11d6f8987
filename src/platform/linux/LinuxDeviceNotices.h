#pragma once
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/DeviceNotices.h"

struct udev_device;
struct udev_monitor;

namespace zt::platform_linux {

// Arrival and removal notices of USB devices from libudev monitors
// (subsystem usb, devtype usb_device). Where a udev daemon answers on its
// control socket we take its events, which come after it has made the device
// nodes and applied our rule. Where none answers (a stopped daemon that left
// its socket behind, a container that sees the host's /run, early boot) we
// listen to the kernel's own. Where we cannot tell we listen to both and
// post each event once, whichever copy comes first.
//
// Each registration runs its own thread that waits in poll() on its monitors
// and on a wake pipe, and posts every add and remove to the recipient as a
// DeviceNotice: the device's IDs, its kernel name as the port ("1-2.3") and
// its device node ("/dev/bus/usb/001/004") as the node. Unregister wakes the
// thread through the pipe and joins it, so nothing is posted after it returns.
class LinuxDeviceNotices final : public DeviceNoticeSource {
public:
    static constexpr const char* kUdevControlSocket = "/run/udev/control";
    // Called on each monitor right after it is made, with its netlink group
    // ("udev" or "kernel"); tests use it to stand in for a group nobody sends on.
    using MonitorHook = std::function<void(udev_monitor* monitor, const char* group)>;

    explicit LinuxDeviceNotices(std::string udevControlSocket = kUdevControlSocket, MonitorHook hook = {});
    ~LinuxDeviceNotices() override;

    uintptr_t Register(DeviceNoticeRecipient& recipient) override;
    void Unregister(uintptr_t registration) override;

    // The notice for one monitor event, or false when the event is not the add
    // or remove of a USB device whose IDs can be read.
    static bool MakeNotice(udev_device* device, DeviceNotice& notice);

private:
    class Watch;
    const std::string udevControlSocket_;
    const MonitorHook hook_;
    std::mutex mutex_;
    std::map<uintptr_t, std::unique_ptr<Watch>> watches_;
    uintptr_t nextRegistration_ = 1;
};

}  // namespace zt::platform_linux

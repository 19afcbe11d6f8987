#include "platform/linux/LinuxDeviceNotices.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/linux/Udev.h"

namespace zt::platform_linux {

namespace {

bool UdevDaemonRuns() { return ::access("/run/udev/control", F_OK) == 0; }

}  // namespace

bool LinuxDeviceNotices::MakeNotice(udev_device* device, uint32_t& eventCode, DeviceBroadcast& record) {
    const char* action = udev_device_get_action(device);
    const char* devtype = udev_device_get_devtype(device);
    if (!action || !devtype || std::strcmp(devtype, "usb_device") != 0) return false;
    if (std::strcmp(action, "add") == 0) {
        eventCode = kDbtDeviceArrival;
    } else if (std::strcmp(action, "remove") == 0) {
        eventCode = kDbtDeviceRemoveComplete;
    } else {
        return false;
    }

    uint16_t vendorId = 0, productId = 0;
    const auto vid = HexSysAttr(device, "idVendor");
    const auto pid = HexSysAttr(device, "idProduct");
    if (vid && pid && eventCode == kDbtDeviceArrival) {
        vendorId = *vid;
        productId = *pid;
    } else if (!ParseProductProperty(Property(device, "PRODUCT"), vendorId, productId)) {
        // A removed device has no sysfs left; PRODUCT is all the event carries.
        return false;
    }

    char ids[32];
    std::snprintf(ids, sizeof ids, "USB#VID_%04X&PID_%04X#", vendorId, productId);
    const char* sysname = udev_device_get_sysname(device);
    record.deviceType = kDbtDevtypDeviceInterface;
    record.devicePath = std::string(ids) + (sysname ? sysname : "");
    return true;
}

class LinuxDeviceNotices::Watch {
public:
    Watch(DeviceNoticeRecipient& recipient, UdevPtr udev, UdevMonitorPtr monitor, int wakeRead, int wakeWrite)
        : recipient_(recipient),
          udev_(std::move(udev)),
          monitor_(std::move(monitor)),
          wakeRead_(wakeRead),
          wakeWrite_(wakeWrite),
          thread_([this] { Run(); }) {}

    ~Watch() {
        const char byte = 1;
        while (::write(wakeWrite_, &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
        ::close(wakeRead_);
        ::close(wakeWrite_);
    }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

private:
    void Run() {
        const int monitorFd = udev_monitor_get_fd(monitor_.get());
        for (;;) {
            pollfd fds[2] = {{monitorFd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents) return;
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
            if (!(fds[0].revents & POLLIN)) continue;
            UdevDevicePtr device(udev_monitor_receive_device(monitor_.get()));
            if (!device) continue;
            uint32_t eventCode = 0;
            DeviceBroadcast record;
            if (MakeNotice(device.get(), eventCode, record)) recipient_.PostDeviceChange(eventCode, record);
        }
    }

    DeviceNoticeRecipient& recipient_;
    UdevPtr udev_;
    UdevMonitorPtr monitor_;
    int wakeRead_;
    int wakeWrite_;
    std::thread thread_;  // last: starts once everything above is in place
};

LinuxDeviceNotices::LinuxDeviceNotices() = default;

LinuxDeviceNotices::~LinuxDeviceNotices() {
    std::lock_guard<std::mutex> lock(mutex_);
    watches_.clear();
}

uintptr_t LinuxDeviceNotices::Register(DeviceNoticeRecipient& recipient) {
    UdevPtr udev(udev_new());
    if (!udev) return 0;
    UdevMonitorPtr monitor(udev_monitor_new_from_netlink(udev.get(), UdevDaemonRuns() ? "udev" : "kernel"));
    if (!monitor) return 0;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0)
        return 0;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) < 0) return 0;

    std::lock_guard<std::mutex> lock(mutex_);
    const uintptr_t registration = nextRegistration_++;
    watches_.emplace(registration, std::make_unique<Watch>(recipient, std::move(udev), std::move(monitor),
                                                            pipeFds[0], pipeFds[1]));
    return registration;
}

void LinuxDeviceNotices::Unregister(uintptr_t registration) {
    std::unique_ptr<Watch> watch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = watches_.find(registration);
        if (it == watches_.end()) return;
        watch = std::move(it->second);
        watches_.erase(it);
    }
    watch.reset();  // wakes and joins the thread outside the lock
}

}  // namespace zt::platform_linux

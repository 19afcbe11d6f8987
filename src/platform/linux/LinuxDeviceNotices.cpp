#include "platform/linux/LinuxDeviceNotices.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/linux/Udev.h"

namespace zt::platform_linux {

namespace {

enum class UdevDaemon { Answers, Absent, CannotTell };

// udevd listens on a SOCK_SEQPACKET Unix socket at /run/udev/control, and the
// file stays behind when the daemon stops without removing it. Connecting
// tells the two apart: the kernel refuses a connection to a path that no
// socket is bound to (ECONNREFUSED), and a missing file is ENOENT. The file is
// root's alone (mode 0600), so for anyone else connect() fails with EACCES
// before the kernel looks for a listener, and then we cannot tell. The daemon
// drops a connection that closes without a message.
//
// Anyone may read /proc/net/unix, the kernel's table of this network
// namespace's Unix sockets with their paths and flags; a live daemon is
// listed there as listening on its control socket. That settles the EACCES
// case for an ordinary user. A daemon in another network namespace is not
// listed, and its events would not reach us either.
UdevDaemon ProbeUdevDaemon(const std::string& controlSocket) {
    sockaddr_un address{};
    if (controlSocket.size() >= sizeof address.sun_path) return UdevDaemon::CannotTell;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, controlSocket.c_str(), controlSocket.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return UdevDaemon::CannotTell;
    const int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int error = errno;
    ::close(fd);
    if (result == 0) return UdevDaemon::Answers;
    if (error == ENOENT || error == ECONNREFUSED) return UdevDaemon::Absent;
    if (error == EACCES || error == EPERM) {
        std::ifstream table("/proc/net/unix");
        std::stringstream text;
        if (table && text << table.rdbuf())
            return UnixSocketListens(text.str(), controlSocket) ? UdevDaemon::Answers : UdevDaemon::Absent;
    }
    return UdevDaemon::CannotTell;  // no /proc, or a daemon too busy to accept (EAGAIN)
}

}  // namespace

bool LinuxDeviceNotices::MakeNotice(udev_device* device, DeviceNotice& notice) {
    const char* action = udev_device_get_action(device);
    const char* devtype = udev_device_get_devtype(device);
    if (!action || !devtype || std::strcmp(devtype, "usb_device") != 0) return false;
    DeviceNotice::Kind kind;
    if (std::strcmp(action, "add") == 0) {
        kind = DeviceNotice::Kind::Arrival;
    } else if (std::strcmp(action, "remove") == 0) {
        kind = DeviceNotice::Kind::Removal;
    } else {
        return false;
    }

    uint16_t vendorId = 0, productId = 0;
    const auto vid = HexSysAttr(device, "idVendor");
    const auto pid = HexSysAttr(device, "idProduct");
    if (vid && pid && kind == DeviceNotice::Kind::Arrival) {
        vendorId = *vid;
        productId = *pid;
    } else if (!ParseProductProperty(Property(device, "PRODUCT"), vendorId, productId)) {
        // A removed device has no sysfs left; PRODUCT is all the event carries.
        return false;
    }

    const char* sysname = udev_device_get_sysname(device);
    const char* devnode = udev_device_get_devnode(device);  // a removal still carries DEVNAME
    notice.kind = kind;
    notice.vendorId = vendorId;
    notice.productId = productId;
    // A usb_device's kernel name is its port ("1-2.3"), also in a removal.
    notice.port = sysname ? sysname : "";
    notice.node = devnode ? devnode : "";
    return true;
}

class LinuxDeviceNotices::Watch {
public:
    Watch(DeviceNoticeRecipient& recipient, UdevPtr udev, std::vector<UdevMonitorPtr> monitors, int wakeRead,
          int wakeWrite)
        : recipient_(recipient),
          udev_(std::move(udev)),
          monitors_(std::move(monitors)),
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
    // Events the daemon passes on keep the kernel's sequence number, so the
    // second copy of an event is the one whose number we have seen. The
    // daemon's copy follows the kernel's within moments; a short memory does.
    static constexpr size_t kRememberedEvents = 256;

    bool FirstSighting(unsigned long long seqnum) {
        if (monitors_.size() < 2 || seqnum == 0) return true;
        if (std::find(seen_.begin(), seen_.end(), seqnum) != seen_.end()) return false;
        seen_.push_back(seqnum);
        if (seen_.size() > kRememberedEvents) seen_.pop_front();
        return true;
    }

    void Run() {
        std::vector<pollfd> fds;
        for (const auto& monitor : monitors_) fds.push_back({udev_monitor_get_fd(monitor.get()), POLLIN, 0});
        fds.push_back({wakeRead_, POLLIN, 0});
        for (;;) {
            for (auto& fd : fds) fd.revents = 0;
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds.back().revents) return;
            for (size_t i = 0; i < monitors_.size(); ++i) {
                if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
                if (fds[i].revents & POLLIN) Receive(monitors_[i].get());
            }
        }
    }

    void Receive(udev_monitor* monitor) {
        UdevDevicePtr device(udev_monitor_receive_device(monitor));
        if (!device || !FirstSighting(udev_device_get_seqnum(device.get()))) return;
        DeviceNotice notice;
        if (MakeNotice(device.get(), notice)) recipient_.PostDeviceChange(notice);
    }

    DeviceNoticeRecipient& recipient_;
    UdevPtr udev_;
    std::vector<UdevMonitorPtr> monitors_;
    int wakeRead_;
    int wakeWrite_;
    std::deque<unsigned long long> seen_;  // the watch thread's alone
    std::thread thread_;                   // last: starts once everything above is in place
};

LinuxDeviceNotices::LinuxDeviceNotices(std::string udevControlSocket, MonitorHook hook)
    : udevControlSocket_(std::move(udevControlSocket)), hook_(std::move(hook)) {}

LinuxDeviceNotices::~LinuxDeviceNotices() {
    std::lock_guard<std::mutex> lock(mutex_);
    watches_.clear();
}

uintptr_t LinuxDeviceNotices::Register(DeviceNoticeRecipient& recipient) {
    UdevPtr udev(udev_new());
    if (!udev) return 0;
    std::vector<const char*> groups;
    switch (ProbeUdevDaemon(udevControlSocket_)) {
        case UdevDaemon::Answers:
            groups = {"udev"};
            break;
        case UdevDaemon::Absent:
            groups = {"kernel"};
            break;
        case UdevDaemon::CannotTell:
            groups = {"kernel", "udev"};
            break;
    }
    std::vector<UdevMonitorPtr> monitors;
    for (const char* group : groups) {
        UdevMonitorPtr monitor(udev_monitor_new_from_netlink(udev.get(), group));
        if (!monitor) return 0;
        if (hook_) hook_(monitor.get(), group);
        if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "usb", "usb_device") < 0 ||
            udev_monitor_enable_receiving(monitor.get()) < 0)
            return 0;
        monitors.push_back(std::move(monitor));
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) < 0) return 0;

    std::lock_guard<std::mutex> lock(mutex_);
    const uintptr_t registration = nextRegistration_++;
    watches_.emplace(registration, std::make_unique<Watch>(recipient, std::move(udev), std::move(monitors),
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

#include "HidrawNode.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <pty.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "platform/linux/ReportDescriptor.h"

extern "C" {
struct ZtHidrawHandler {
    UMockdevIoctlBase parent_instance;
    zt::test::HidrawNode* node;
};
struct ZtHidrawHandlerClass {
    UMockdevIoctlBaseClass parent_class;
};
}

G_DEFINE_TYPE(ZtHidrawHandler, zt_hidraw_handler, UMOCKDEV_TYPE_IOCTL_BASE)

namespace {
ZtHidrawHandler* Self(UMockdevIoctlBase* base) { return reinterpret_cast<ZtHidrawHandler*>(base); }
gboolean OnIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client) {
    return Self(base)->node->HandleIoctl(client);
}
gboolean OnRead(UMockdevIoctlBase* base, UMockdevIoctlClient* client) {
    return Self(base)->node->HandleRead(client);
}
gboolean OnWrite(UMockdevIoctlBase* base, UMockdevIoctlClient* client) {
    return Self(base)->node->HandleWrite(client);
}
}  // namespace

static void zt_hidraw_handler_class_init(ZtHidrawHandlerClass* klass) {
    klass->parent_class.handle_ioctl = OnIoctl;
    klass->parent_class.handle_read = OnRead;
    klass->parent_class.handle_write = OnWrite;
}
static void zt_hidraw_handler_init(ZtHidrawHandler* self) { self->node = nullptr; }

namespace zt::test {

HidrawNode::HidrawNode(std::string devnode, uint16_t vendorId, uint16_t productId,
                       std::vector<uint8_t> descriptor)
    : devnode_(std::move(devnode)),
      vendorId_(vendorId),
      productId_(productId),
      descriptor_(std::move(descriptor)) {
    usesReportIds_ =
        platform_linux::ParseReportDescriptor(descriptor_.data(), descriptor_.size()).usesReportIds;
    char name[128] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    ptyPath_ = name;
    // Raw, so a single token byte is readable at once and nothing is echoed.
    termios tio{};
    ::tcgetattr(slave_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave_, TCSANOW, &tio);
    ::fcntl(slave_, F_SETFL, ::fcntl(slave_, F_GETFL) | O_NONBLOCK);

    auto* self = static_cast<ZtHidrawHandler*>(g_object_new(zt_hidraw_handler_get_type(), nullptr));
    self->node = this;
    handler_ = UMOCKDEV_IOCTL_BASE(self);
}

HidrawNode::~HidrawNode() {
    g_object_unref(handler_);
    if (master_ >= 0) ::close(master_);
    ::close(slave_);
}

void HidrawNode::SetReportHandler(ReportHandler handler) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        onReport_ = std::move(handler);
    }
    handlerSet_.notify_all();
}

void HidrawNode::PushInputReport(const std::vector<uint8_t>& reportWithId) {
    std::lock_guard<std::mutex> lock(mutex_);
    QueueLocked(reportWithId);
}

void HidrawNode::HangUp() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (hungUp_) return;
        hungUp_ = true;
        queued_.clear();
        ::close(master_);  // the node now polls as hung up, like a removed hidraw device
        master_ = -1;
    }
    handlerSet_.notify_all();
}

int HidrawNode::OpenCount() const {
    // The node is a symlink to the pty, so every descriptor opened on it is a
    // descriptor of the pty in this process; the node keeps one itself.
    int count = 0;
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::error_code unreadable;
        if (std::filesystem::read_symlink(fd.path(), unreadable) == ptyPath_) ++count;
    }
    return count > 0 ? count - 1 : 0;
}

std::vector<std::vector<uint8_t>> HidrawNode::Written() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

void HidrawNode::QueueLocked(const std::vector<uint8_t>& reportWithId) {
    if (hungUp_ || reportWithId.empty()) return;
    // The kernel hands reports of devices without IDs over without the ID byte.
    queued_.push_back(usesReportIds_ ? reportWithId
                                     : std::vector<uint8_t>(reportWithId.begin() + 1, reportWithId.end()));
    const char token = 'r';
    [[maybe_unused]] const ssize_t n = ::write(master_, &token, 1);
}

bool HidrawNode::HandleIoctl(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const gulong request = umockdev_ioctl_client_get_request(client);
    GError* error = nullptr;
    if (request == HIDIOCGRAWINFO) {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_devinfo), &error);
        if (!d) return false;
        auto* info = reinterpret_cast<hidraw_devinfo*>(d->data);
        info->bustype = 3;  // BUS_USB
        info->vendor = static_cast<__s16>(vendorId_);
        info->product = static_cast<__s16>(productId_);
        umockdev_ioctl_data_unref(d);
        umockdev_ioctl_client_complete(client, 0, 0);
    } else if (request == HIDIOCGRDESCSIZE) {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), &error);
        if (!d) return false;
        *reinterpret_cast<int*>(d->data) = static_cast<int>(descriptor_.size());
        umockdev_ioctl_data_unref(d);
        umockdev_ioctl_client_complete(client, 0, 0);
    } else if (request == HIDIOCGRDESC) {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_report_descriptor), &error);
        if (!d) return false;
        auto* rd = reinterpret_cast<hidraw_report_descriptor*>(d->data);
        const bool fits = rd->size >= descriptor_.size() && rd->size <= HID_MAX_DESCRIPTOR_SIZE;
        if (fits) std::copy(descriptor_.begin(), descriptor_.end(), rd->value);
        umockdev_ioctl_data_unref(d);
        umockdev_ioctl_client_complete(client, fits ? 0 : -1, fits ? 0 : EINVAL);
    } else {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
    }
    if (error) g_error_free(error);
    return true;
}

bool HidrawNode::HandleRead(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::vector<uint8_t> report;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (hungUp_) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return true;
        }
        if (queued_.empty()) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return true;
        }
        report = std::move(queued_.front());
        queued_.pop_front();
        char token;
        [[maybe_unused]] const ssize_t n = ::read(slave_, &token, 1);
    }
    const size_t count = std::min(report.size(), static_cast<size_t>(arg->data_len));
    umockdev_ioctl_data_update(arg, 0, report.data(), static_cast<gint>(count));
    umockdev_ioctl_client_complete(client, static_cast<glong>(count), 0);
    return true;
}

bool HidrawNode::HandleWrite(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::vector<uint8_t> report(arg->data, arg->data + arg->data_len);
    ReportHandler onReport;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        written_.push_back(report);
        // A node is announced before its chip's side takes its reports: a tool
        // that opens it at once (a re-plugged unit) may write in between, and
        // on a busy machine that report must not go unanswered.
        handlerSet_.wait_for(lock, std::chrono::seconds(2), [&] { return onReport_ || hungUp_; });
        if (hungUp_) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return true;
        }
        onReport = onReport_;
    }
    // Outside the lock: the device may be pulled while it handles the report.
    Answer answer = onReport ? onReport(report) : Answer{};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (hungUp_ || !answer.accepted) {
            umockdev_ioctl_client_complete(client, -1, hungUp_ ? ENODEV : EIO);
            return true;
        }
        for (const auto& reply : answer.replies) QueueLocked(reply);
    }
    umockdev_ioctl_client_complete(client, static_cast<glong>(report.size()), 0);
    return true;
}

std::vector<uint8_t> VendorDescriptor(uint8_t payload, uint8_t reportId) {
    std::vector<uint8_t> d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
    if (reportId != 0) d.insert(d.end(), {0x85, reportId});
    d.insert(d.end(), {0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, payload, 0x09, 0x01, 0x81, 0x02, 0x09,
                       0x01, 0x91, 0x02, 0xC0});
    return d;
}

}  // namespace zt::test

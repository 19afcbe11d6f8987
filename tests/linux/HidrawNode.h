#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace zt::test {

// One emulated /dev/hidrawN. The node itself is a raw pty, so poll() on it
// works as on a real hidraw node (the preload does not intercept poll): one
// byte on the pty stands for one queued input report. Reads, writes and the
// hidraw ioctls are answered by a UMockdevIoctlBase subclass that runs on
// the testbed's own thread:
//   write  -> onReport(report) -> the replies are queued, one token each
//   read   <- the oldest queued reply, one token drained
// Reports cross the node as the kernel passes them: output reports with
// their ID byte, input reports without it when the descriptor has no IDs.
class HidrawNode {
public:
    // What the "device" does with an output report: the input reports it
    // answers with (each starting with its report-ID byte), and whether the
    // write itself succeeded.
    struct Answer {
        bool accepted = true;
        std::vector<std::vector<uint8_t>> replies;
    };
    using ReportHandler = std::function<Answer(const std::vector<uint8_t>& report)>;

    HidrawNode(std::string devnode, uint16_t vendorId, uint16_t productId, std::vector<uint8_t> descriptor);
    ~HidrawNode();
    HidrawNode(const HidrawNode&) = delete;
    HidrawNode& operator=(const HidrawNode&) = delete;

    const std::string& devnode() const { return devnode_; }
    const std::string& ptyPath() const { return ptyPath_; }
    UMockdevIoctlBase* handler() const { return handler_; }

    void SetReportHandler(ReportHandler handler);
    // Queues an input report as the device would send it unasked.
    void PushInputReport(const std::vector<uint8_t>& reportWithId);
    // The cable is pulled: the node hangs up and every further write fails.
    void HangUp();

    std::vector<std::vector<uint8_t>> Written() const;
    // Descriptors this process holds open on the node now, besides the node's
    // own: what a device sees of the host opening and closing it.
    int OpenCount() const;

    // Called by the ioctl handler on the testbed's thread.
    bool HandleIoctl(UMockdevIoctlClient* client);
    bool HandleRead(UMockdevIoctlClient* client);
    bool HandleWrite(UMockdevIoctlClient* client);

private:
    void QueueLocked(const std::vector<uint8_t>& reportWithId);

    const std::string devnode_;
    const uint16_t vendorId_;
    const uint16_t productId_;
    const std::vector<uint8_t> descriptor_;
    bool usesReportIds_ = false;
    std::string ptyPath_;
    int master_ = -1;
    int slave_ = -1;  // kept open so tokens can be drained here
    UMockdevIoctlBase* handler_ = nullptr;

    mutable std::mutex mutex_;
    std::condition_variable handlerSet_;
    ReportHandler onReport_;
    std::deque<std::vector<uint8_t>> queued_;
    std::vector<std::vector<uint8_t>> written_;
    bool hungUp_ = false;
};

// Report descriptors for the tests: a vendor page device with one input and
// one output report of `payload` bytes, with or without a report ID.
std::vector<uint8_t> VendorDescriptor(uint8_t payload, uint8_t reportId = 0);

}  // namespace zt::test

#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace zt::platform_linux {

// HID access through hidraw. Interfaces are the hidraw device nodes that
// libudev lists, in natural order of their paths. Each handle is its own
// file descriptor; the report descriptor is read once at open time for the
// report lengths and for whether the device numbers its reports.
//
// Output reports go to the kernel as the core built them, report-ID byte
// first, also when that byte is 0: hidraw expects the 0 for devices without
// numbered reports and drops it before the transfer. Input reports come back
// without an ID byte from such devices; Read puts the 0 in front, so the
// core always sees the ID byte first.
//
// Reads wait in poll() with the caller's time-out; nothing stays blocked in
// read(), so a time-out leaves no pending read behind. The handle table is
// locked; I/O on one handle runs outside the lock, one call at a time per
// handle as the core guarantees.
class LinuxHidBackend final : public HidBackend {
public:
    LinuxHidBackend();
    ~LinuxHidBackend() override;

    std::vector<std::string> ListInterfaces() override;
    Handle Open(const std::string& path, bool forReading) override;
    bool GetAttributes(Handle handle, uint16_t& vendorId, uint16_t& productId) override;
    bool GetCaps(Handle handle, uint16_t& inputReportLength, uint16_t& outputReportLength) override;
    int Write(Handle handle, const uint8_t* data, size_t length) override;
    int Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) override;
    void Close(Handle handle) override;
    std::string PortOf(const std::string& path) override;

    // One line for the operator when a node of one of our devices could not be
    // opened for lack of permission and has not been opened since, else "".
    std::string PermissionHint() const;

private:
    struct Node;
    std::shared_ptr<Node> Find(Handle handle) const;
    void NoteDenied(const std::string& path);

    mutable std::mutex mutex_;
    std::map<Handle, std::shared_ptr<Node>> nodes_;
    Handle nextHandle_ = 1;
    std::string deniedPath_;  // our device's node that refused us, "" when none
};

}  // namespace zt::platform_linux

#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace zt::platform_windows {

// HID access through the HID class driver. Interfaces are the present
// interfaces of the HID class as SetupAPI lists them, in the system's order;
// their paths are handed to the core as UTF-8.
//
// Both opens share the device for reading and writing. The reading handle is
// opened for overlapped I/O: a read waits on its own event for the caller's
// time-out and is then cancelled, and Read returns only once the cancel has
// taken effect, so a report that arrives late never lands in a buffer the
// caller has moved on from, and the next read starts clean. Output reports go
// out with a synchronous WriteFile on the other handle.
//
// Report lengths come from the preparsed data's capabilities, which count the
// report-ID byte already. The handle table is locked; I/O on one handle runs
// outside the lock, one call at a time per handle as the core guarantees.
class WindowsHidBackend final : public HidBackend {
public:
    WindowsHidBackend();
    ~WindowsHidBackend() override;

    std::vector<std::string> ListInterfaces() override;
    Handle Open(const std::string& path, bool forReading) override;
    bool GetAttributes(Handle handle, uint16_t& vendorId, uint16_t& productId) override;
    bool GetCaps(Handle handle, uint16_t& inputReportLength, uint16_t& outputReportLength) override;
    int Write(Handle handle, const uint8_t* data, size_t length) override;
    int Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) override;
    void Close(Handle handle) override;
    // The location path of the USB device the interface belongs to.
    std::string PortOf(const std::string& path) override;

private:
    struct Device;
    std::shared_ptr<Device> Find(Handle handle) const;

    mutable std::mutex mutex_;
    std::map<Handle, std::shared_ptr<Device>> devices_;
    Handle nextHandle_ = 1;
};

}  // namespace zt::platform_windows

#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace zt {

// Access to the HID interfaces that the operating system presents. The core's
// enumeration (HidOpenByVidPid) and exchanges are written against this; each
// backend (simulated chip, Linux hidraw, later Windows) implements all of it.
//
// Contract (all calls blocking, on the caller's thread; one outstanding call
// per handle at a time, which the core guarantees):
//  - ListInterfaces: paths of the present HID interfaces, in a stable order
//    (the same devices give the same order on every call). The core tries them
//    in this order and stops at 256.
//  - Open: opens a path for synchronous read/write (`forReading` false: the
//    handle used for attribute queries and output reports) or as the handle
//    used only to read input reports (`forReading` true). Returns
//    kInvalidHandle on failure. Both opens share the device with other opens.
//  - GetAttributes: USB vendor and product ID of an open handle.
//  - GetCaps: input and output report length in bytes, counting the leading
//    report-ID byte, as the largest report of each kind.
//  - Write: writes one output report (byte 0 is the report ID). Returns the
//    number of bytes written, or -1 on failure.
//  - Read: reads one input report into `buffer` (at most `length` bytes,
//    byte 0 the report ID). Waits at most `timeoutMs` on the caller's clock.
//    Returns the byte count, -1 on time-out (the pending read is cancelled,
//    the next Read starts cleanly), or 0 on failure.
//  - Close: closes a valid handle.
//  - PortOf: the physical USB port of a listed interface's device (Linux: the
//    sysfs name such as "1-2.3"; simulated bus: its hub's path; Windows: the
//    location path), which stays the same across a re-plug into the same
//    port. "" when the backend cannot tell; such interfaces belong to any
//    unit, as they did before units existed.
class HidBackend {
public:
    virtual ~HidBackend() = default;
    virtual std::vector<std::string> ListInterfaces() = 0;
    virtual Handle Open(const std::string& path, bool forReading) = 0;
    virtual bool GetAttributes(Handle handle, uint16_t& vendorId, uint16_t& productId) = 0;
    virtual bool GetCaps(Handle handle, uint16_t& inputReportLength, uint16_t& outputReportLength) = 0;
    virtual int Write(Handle handle, const uint8_t* data, size_t length) = 0;
    virtual int Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) = 0;
    virtual void Close(Handle handle) = 0;
    virtual std::string PortOf(const std::string& path) {
        (void)path;
        return "";
    }
};

}  // namespace zt

#pragma once
#include <cstdint>
#include <string>

namespace zt {

// A USB device came or went, as every backend reports it.
//  - vendorId, productId: the IDs of its device descriptor (for a removal, the
//    IDs it presented while it was present).
//  - port: the device's physical port as HidBackend::PortOf names it ("1-2.3"),
//    the same across a re-plug into that port; "" when the backend cannot tell.
//  - node: the operating system's own name of the device, for logs and
//    messages only; nothing matches on it. "" when there is none.
struct DeviceNotice {
    enum class Kind { Arrival, Removal };
    Kind kind = Kind::Arrival;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string port;
    std::string node;
};

// Where notices go: the dialog's window. PostDeviceChange may be called from
// any thread; the recipient hands each notice, in order, to the dialog's
// HandleDeviceChange on the user-interface thread.
class DeviceNoticeRecipient {
public:
    virtual ~DeviceNoticeRecipient() = default;
    virtual void PostDeviceChange(const DeviceNotice& notice) = 0;
};

// Arrival and removal notices of USB devices.
//  - Register: from now on, every arrival and removal of a USB device is posted
//    to `recipient`. Returns a registration handle, 0 on failure.
//  - Unregister: stops the notices of a registration; no post happens after it
//    returns.
// Both are called on the user-interface thread. A backend posts only arrivals
// and removals whose IDs it could read; anything else the system reports
// (other events, other kinds of device) stays inside the backend.
class DeviceNoticeSource {
public:
    virtual ~DeviceNoticeSource() = default;
    virtual uintptr_t Register(DeviceNoticeRecipient& recipient) = 0;
    virtual void Unregister(uintptr_t registration) = 0;
};

}  // namespace zt

#pragma once
#include <cstdint>
#include <string>

namespace zt {

// Device-change notice codes and record, as the dialog's handler reads them.
inline constexpr uint32_t kDbtDeviceArrival = 0x8000;
inline constexpr uint32_t kDbtDeviceRemoveComplete = 0x8004;
inline constexpr uint32_t kDbtDevtypDeviceInterface = 5;

// A USB device came or went. The path holds the device's IDs in the form
// "USB#VID_%04X&PID_%04X" (any letter case) somewhere in it. The port is the
// device's physical port as HidBackend::PortOf names it, "" when unknown.
struct DeviceBroadcast {
    uint32_t deviceType = kDbtDevtypDeviceInterface;
    std::string devicePath;
    std::string port;
};

// Where notices go: the dialog's window. PostDeviceChange may be called from
// any thread; the recipient hands each notice, in order, to the dialog's
// HandleDeviceChange on the user-interface thread.
class DeviceNoticeRecipient {
public:
    virtual ~DeviceNoticeRecipient() = default;
    virtual void PostDeviceChange(uint32_t eventCode, const DeviceBroadcast& record) = 0;
};

// Arrival and removal notices of USB devices.
//  - Register: from now on, every arrival and removal of a USB device is posted
//    to `recipient`. Returns a registration handle, 0 on failure.
//  - Unregister: stops the notices of a registration; no post happens after it
//    returns.
// Both are called on the user-interface thread.
class DeviceNoticeSource {
public:
    virtual ~DeviceNoticeSource() = default;
    virtual uintptr_t Register(DeviceNoticeRecipient& recipient) = 0;
    virtual void Unregister(uintptr_t registration) = 0;
};

}  // namespace zt

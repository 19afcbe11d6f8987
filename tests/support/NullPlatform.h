#pragma once
#include "platform/Platform.h"
#include "sim/SimClock.h"

namespace zt::test {

// A machine with no devices at all: every open fails, no notices, empty USB tree.
struct NullPlatform : HidBackend, AudioFilterBackend, DeviceNoticeSource, UsbTree {
    std::vector<std::string> ListInterfaces() override { return {}; }
    Handle Open(const std::string&, bool) override { return kInvalidHandle; }
    bool GetAttributes(Handle, uint16_t&, uint16_t&) override { return false; }
    bool GetCaps(Handle, uint16_t&, uint16_t&) override { return false; }
    int Write(Handle, const uint8_t*, size_t) override { return -1; }
    int Read(Handle, uint8_t*, size_t, uint32_t) override { return 0; }
    Handle Open(const std::string&) override { return kInvalidHandle; }
    bool SendProperty(Handle, const uint8_t (&)[48], uint8_t (&)[4], uint32_t&) override { return false; }
    void Close(Handle) override {}
    uintptr_t Register(DeviceNoticeRecipient&) override { return ++registrations; }
    void Unregister(uintptr_t) override { ++unregistrations; }
    std::vector<UsbDeviceEntry> ListDevices() override { return {}; }

    Platform AsPlatform() { return Platform{clock, *this, *this, *this, *this}; }

    sim::SimClock clock;
    int registrations = 0;
    int unregistrations = 0;
};

}  // namespace zt::test

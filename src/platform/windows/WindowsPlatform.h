#pragma once
#include <memory>

#include "platform/Platform.h"

namespace zt::platform_windows {

// Everything the core needs on a Windows PC:
//   HID          SetupAPI and the HID class driver, overlapped reads
//   notices      WM_DEVICECHANGE for USB device interfaces on a message-only window
//   USB tree     the host-controller and hub drivers' IOCTLs
//   audio path   IOCTL_KS_PROPERTY on the audio device whose driver service is asked for
//   clock        the high-resolution clock, or the one a test hands in
class WindowsPlatform {
public:
    WindowsPlatform();
    // The same devices, paced by `clock` (which must outlive this object).
    explicit WindowsPlatform(Clock& clock);
    ~WindowsPlatform();
    WindowsPlatform(const WindowsPlatform&) = delete;
    WindowsPlatform& operator=(const WindowsPlatform&) = delete;

    Platform AsPlatform();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace zt::platform_windows

#include "platform/windows/WindowsPlatform.h"

#include "platform/windows/WindowsAudioFilterBackend.h"
#include "platform/windows/WindowsClock.h"
#include "platform/windows/WindowsDeviceNotices.h"
#include "platform/windows/WindowsHidBackend.h"
#include "platform/windows/WindowsUsbTree.h"

namespace zt::platform_windows {

struct WindowsPlatform::Impl {
    WindowsClock realClock;
    Clock* clock = &realClock;
    WindowsHidBackend hid;
    WindowsAudioFilterBackend audio;
    WindowsDeviceNotices notices;
    WindowsUsbTree usb;
};

WindowsPlatform::WindowsPlatform() : impl_(std::make_unique<Impl>()) {}
WindowsPlatform::WindowsPlatform(Clock& clock) : WindowsPlatform() { impl_->clock = &clock; }
WindowsPlatform::~WindowsPlatform() = default;

Platform WindowsPlatform::AsPlatform() {
    return Platform{*impl_->clock, impl_->hid, impl_->audio, impl_->notices, impl_->usb};
}

}  // namespace zt::platform_windows

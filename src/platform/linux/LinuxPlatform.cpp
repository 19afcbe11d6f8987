#include "platform/linux/LinuxPlatform.h"

#include "platform/RealClock.h"
#include "platform/linux/LinuxAudioFilterBackend.h"
#include "platform/linux/LinuxDeviceNotices.h"
#include "platform/linux/LinuxHidBackend.h"
#include "platform/linux/LinuxUsbTree.h"

namespace zt::platform_linux {

struct LinuxPlatform::Impl {
    RealClock realClock;
    Clock* clock = &realClock;
    LinuxHidBackend hid;
    LinuxAudioFilterBackend audio;
    LinuxDeviceNotices notices;
    LinuxUsbTree usb;
};

LinuxPlatform::LinuxPlatform() : impl_(std::make_unique<Impl>()) {}
LinuxPlatform::LinuxPlatform(Clock& clock) : LinuxPlatform() { impl_->clock = &clock; }
LinuxPlatform::~LinuxPlatform() = default;

Platform LinuxPlatform::AsPlatform() {
    return Platform{*impl_->clock, impl_->hid, impl_->audio, impl_->notices, impl_->usb};
}

std::string LinuxPlatform::PermissionHint() const { return impl_->hid.PermissionHint(); }

}  // namespace zt::platform_linux

#include "platform/linux/LinuxPlatform.h"

#include "platform/RealClock.h"
#include "platform/linux/LinuxAudioFilterBackend.h"
#include "platform/linux/LinuxDeviceNotices.h"
#include "platform/linux/LinuxHidBackend.h"
#include "platform/linux/LinuxPortPower.h"
#include "platform/linux/LinuxUsbTree.h"

namespace zt::platform_linux {

struct LinuxPlatform::Impl {
    explicit Impl(Clock* given) : clock(given ? given : &realClock), power(*clock) {}
    RealClock realClock;
    Clock* clock;
    LinuxHidBackend hid;
    LinuxAudioFilterBackend audio;
    LinuxDeviceNotices notices;
    LinuxUsbTree usb;
    LinuxPortPower power;
};

LinuxPlatform::LinuxPlatform() : impl_(std::make_unique<Impl>(nullptr)) {}
LinuxPlatform::LinuxPlatform(Clock& clock) : impl_(std::make_unique<Impl>(&clock)) {}
LinuxPlatform::~LinuxPlatform() = default;

Platform LinuxPlatform::AsPlatform() {
    return Platform{*impl_->clock, impl_->hid, impl_->audio, impl_->notices, impl_->usb};
}

std::string LinuxPlatform::PermissionHint() const { return impl_->hid.PermissionHint(); }

PortPower& LinuxPlatform::Power() { return impl_->power; }

}  // namespace zt::platform_linux

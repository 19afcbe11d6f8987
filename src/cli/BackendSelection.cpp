#include "cli/BackendSelection.h"

#ifdef ZT_HAVE_LINUX_BACKEND
#include "platform/linux/LinuxPlatform.h"
#endif

namespace zt::cli {

#ifdef ZT_HAVE_LINUX_BACKEND
namespace {
// The PC's own USB devices: hidraw, udev notices, sysfs, libusb.
class LinuxDeviceBackend final : public DeviceBackend {
public:
    explicit LinuxDeviceBackend(Clock* clock)
        : platform_(clock ? std::make_unique<platform_linux::LinuxPlatform>(*clock)
                          : std::make_unique<platform_linux::LinuxPlatform>()) {}
    Platform AsPlatform() override { return platform_->AsPlatform(); }
    std::string PermissionHint() const override { return platform_->PermissionHint(); }
    std::string Describe() const override { return "USB devices of this PC"; }

private:
    std::unique_ptr<platform_linux::LinuxPlatform> platform_;
};
}  // namespace
#endif

std::unique_ptr<DeviceBackend> SelectBackend(const BackendChoice& choice, std::string* error) {
    if (choice.simulate) return std::make_unique<SimulatedBackend>(choice.simulation);
#ifdef ZT_HAVE_LINUX_BACKEND
    (void)error;
    return std::make_unique<LinuxDeviceBackend>(choice.machineClock);
#else
    *error = "this build has no backend for real devices; use --simulate";
    return nullptr;
#endif
}

}  // namespace zt::cli

#include "backends/BackendSelection.h"

#if defined(ZT_HAVE_LINUX_BACKEND)
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxTimerPrecision.h"
#include "platform/linux/LinuxUnitLocks.h"
#endif
#if defined(ZT_HAVE_WINDOWS_BACKEND)
#include "platform/windows/WindowsPlatform.h"
#include "platform/windows/WindowsTimerPrecision.h"
#include "platform/windows/WindowsUnitLocks.h"
#endif

namespace zt {

namespace {

#if defined(ZT_HAVE_LINUX_BACKEND)
// The PC's own USB devices: hidraw, udev notices, sysfs, libusb.
class LinuxDeviceBackend final : public DeviceBackend {
public:
    LinuxDeviceBackend(Clock* clock, const std::string& lockFolder)
        : platform_(clock ? std::make_unique<platform_linux::LinuxPlatform>(*clock)
                          : std::make_unique<platform_linux::LinuxPlatform>()),
          locks_(lockFolder) {}
    Platform AsPlatform() override { return platform_->AsPlatform(); }
    UnitLocks& Locks() override { return locks_; }
    std::string PermissionHint() const override { return platform_->PermissionHint(); }
    PortPower* Power() override { return &platform_->Power(); }
    std::string Describe() const override { return "USB devices of this PC"; }

private:
    std::unique_ptr<platform_linux::LinuxPlatform> platform_;
    platform_linux::LinuxUnitLocks locks_;
};
#endif

#if defined(ZT_HAVE_WINDOWS_BACKEND)
// The PC's own USB devices: SetupAPI and the HID class driver, device-change
// broadcasts, the hub drivers, kernel streaming.
class WindowsDeviceBackend final : public DeviceBackend {
public:
    explicit WindowsDeviceBackend(Clock* clock)
        : platform_(clock ? std::make_unique<platform_windows::WindowsPlatform>(*clock)
                          : std::make_unique<platform_windows::WindowsPlatform>()) {}
    Platform AsPlatform() override { return platform_->AsPlatform(); }
    UnitLocks& Locks() override { return locks_; }
    std::string Describe() const override { return "USB devices of this PC"; }

private:
    std::unique_ptr<platform_windows::WindowsPlatform> platform_;
    platform_windows::WindowsUnitLocks locks_;
};
#endif

void RequestPreciseTimers() {
#if defined(ZT_HAVE_LINUX_BACKEND)
    platform_linux::RequestPreciseTimers();
#endif
#if defined(ZT_HAVE_WINDOWS_BACKEND)
    platform_windows::RequestPreciseTimers();
#endif
}

}  // namespace

std::unique_ptr<DeviceBackend> SelectBackend(const BackendChoice& choice, std::string* error) {
    RequestPreciseTimers();
    if (choice.simulate) return std::make_unique<sim::SimulatedMachine>(choice.simulation);
#if defined(ZT_HAVE_LINUX_BACKEND)
    (void)error;
    return std::make_unique<LinuxDeviceBackend>(choice.machineClock, choice.unitLockFolder);
#elif defined(ZT_HAVE_WINDOWS_BACKEND)
    (void)error;
    return std::make_unique<WindowsDeviceBackend>(choice.machineClock);
#else
    *error = "this build has no backend for real devices; use --simulate";
    return nullptr;
#endif
}

PortNaming PortNamingOf(const BackendChoice& choice) {
#if defined(ZT_HAVE_WINDOWS_BACKEND)
    if (!choice.simulate) return PortNaming::LocationPath;
#else
    (void)choice;
#endif
    return PortNaming::BusPath;
}

}  // namespace zt

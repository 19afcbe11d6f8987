#pragma once
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>

#include "platform/DeviceNotices.h"

namespace zt::platform_windows {

// Arrival and removal notices of USB devices from the system's device-change
// broadcasts. Each registration runs a thread with a message-only window
// registered (RegisterDeviceNotificationW) for the USB device interface class
// and the HID interface class; its WM_DEVICECHANGE arrivals and removals go
// to the recipient as DeviceNotices, one per unit coming or going however many
// of its interfaces announce it (UnitNoticeFilter). The IDs are read from the
// interface path ("\\?\USB#VID_3C4D&PID_7351#...#{a5dcbf10-...}" or
// "\\?\HID#VID_3C4D&PID_7351&MI_01#...#{4d1e55b2-...}"), which is also the
// notice's node; the port is the USB device's location path (a removal gives
// the port the device had when it was last seen present). The recipient hands
// them to the dialog on its user-interface thread. Unregister closes the
// window and joins the thread, so nothing is posted after it returns.
class WindowsDeviceNotices final : public DeviceNoticeSource {
public:
    WindowsDeviceNotices();
    ~WindowsDeviceNotices() override;

    uintptr_t Register(DeviceNoticeRecipient& recipient) override;
    void Unregister(uintptr_t registration) override;

    // The notice for one WM_DEVICECHANGE, from its event code and the
    // broadcast record it points to (`record` may be null; `recordBytes` are
    // the bytes readable there). False for events other than arrival and
    // removal, records of other device types, and names in which no
    // "USB#VID_xxxx&PID_yyyy" or "HID#VID_xxxx&PID_yyyy" (any letter case) can
    // be read. The port is left
    // to the caller.
    static bool MakeNotice(uintptr_t event, const void* record, size_t recordBytes, DeviceNotice& notice);

private:
    class Watch;
    std::mutex mutex_;
    std::map<uintptr_t, std::unique_ptr<Watch>> watches_;
    uintptr_t nextRegistration_ = 1;
};

}  // namespace zt::platform_windows

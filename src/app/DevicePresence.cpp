#include "app/CZT51xxWriteEepromMPDlg.h"

// Device presence: the user-interface thread hands arrival and removal notices
// of known USB devices to the job, which leaves them for its worker (opening
// an arrived device, closing a removed one).
namespace zt {

int CZT51xxWriteEepromMPDlg::RegisterForDeviceNotifications() {
    if (!notifyWindow) return 0;
    // The notice source covers exactly the interface class we care about:
    // USB devices coming and going.
    deviceNotifyHandle = platform.notices.Register(*notifyWindow);
    return IsValidHandle(static_cast<Handle>(deviceNotifyHandle)) ? 1 : 0;
}

int CZT51xxWriteEepromMPDlg::HandleDeviceChange(const DeviceNotice& notice) {
    job_.OnDeviceNotice(notice);
    return 0;
}

}  // namespace zt

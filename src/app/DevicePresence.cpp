#include "app/CZT51xxWriteEepromMPDlg.h"

// Device presence: the user-interface thread turns arrival and removal notices
// of known USB devices into pending flags; the worker consumes them in every
// pass of its loop (opening an arrived device, closing a removed one).
namespace zt {

namespace {
// Passes the worker may spend opening a device that has just arrived.
constexpr uint32_t kArrivalCountdown = 100;
}  // namespace

int CZT51xxWriteEepromMPDlg::RegisterForDeviceNotifications() {
    if (!notifyWindow) return 0;
    // The notice source covers exactly the interface class we care about:
    // USB devices coming and going.
    deviceNotifyHandle = platform.notices.Register(*notifyWindow);
    return IsValidHandle(static_cast<Handle>(deviceNotifyHandle)) ? 1 : 0;
}

int CZT51xxWriteEepromMPDlg::HandleDeviceChange(const DeviceNotice& notice) {
    if (!MatchKnownDeviceName(notice.vendorId, notice.productId)) return 0;

    if (notice.kind == DeviceNotice::Kind::Arrival) {
        // The countdown is stored before the flag that publishes the notice, so
        // the worker never retries a fresh arrival against a spent countdown.
        deviceWaitCountdown.store(kArrivalCountdown);
        deviceArrivalPending.store(1);
        WakeWorker();
        return 0;
    }

    // Only the removal of the device we hold open matters; a closed connection
    // carries 0xFFFF and so never matches.
    if (notifiedVid.load() == deviceVendorId.load() && notifiedPid.load() == deviceProductId.load()) {
        deviceRemovalPending.store(1);
        WakeWorker();
    }
    return 0;
}

// The first row with the device's IDs wins. Row 0 holds the typed pair, so a
// device with the typed IDs always matches there.
int CZT51xxWriteEepromMPDlg::MatchKnownDeviceName(uint16_t vendorId, uint16_t productId) {
    for (const KnownDevice& row : knownDevices) {
        if (row.vendorId == 0) break;
        if (row.vendorId == vendorId && row.productId == productId) {
            notifiedVid.store(row.vendorId);
            notifiedPid.store(row.productId);
            return 1;
        }
    }
    return 0;
}

}  // namespace zt

#include <cctype>
#include <cstdio>

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

int CZT51xxWriteEepromMPDlg::HandleDeviceChange(uint32_t eventCode, const DeviceBroadcast* record) {
    if (eventCode != kDbtDeviceArrival && eventCode != kDbtDeviceRemoveComplete) return 0;
    if (!record || record->deviceType != kDbtDevtypDeviceInterface) return 0;
    if (!MatchKnownDeviceName(record->devicePath)) return 0;

    if (eventCode == kDbtDeviceArrival) {
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

int CZT51xxWriteEepromMPDlg::MatchKnownDeviceName(std::string devicePath) {
    for (char& c : devicePath) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    for (const KnownDevice& row : knownDevices) {
        if (row.vendorId == 0) break;
        char pattern[32];
        std::snprintf(pattern, sizeof pattern, "USB#VID_%04X&PID_%04X", row.vendorId, row.productId);
        if (devicePath.find(pattern) != std::string::npos) {
            notifiedVid.store(row.vendorId);
            notifiedPid.store(row.productId);
            return 1;
        }
    }
    return 0;
}

}  // namespace zt

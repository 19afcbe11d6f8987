#include "app/CZT51xxWriteEepromMPDlg.h"

// Placeholder: replaced by the real implementation.
namespace zt {

int CZT51xxWriteEepromMPDlg::RegisterForDeviceNotifications() { return 1; }

int CZT51xxWriteEepromMPDlg::HandleDeviceChange(uint32_t, const DeviceBroadcast*) { return 0; }

int CZT51xxWriteEepromMPDlg::MatchKnownDeviceName(std::string) { return 0; }

}  // namespace zt

#include "app/CZT51xxWriteEepromMPDlg.h"

// Placeholder: replaced by the real implementation.
namespace zt {

Status CZT51xxWriteEepromMPDlg::OpenKnownDevice() { return kFail; }

Status CZT51xxWriteEepromMPDlg::OpenDeviceById(uint16_t, uint16_t) { return kFail; }

void CZT51xxWriteEepromMPDlg::CloseDevice() {}

}  // namespace zt

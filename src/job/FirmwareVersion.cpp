#include "app/CZT51xxWriteEepromMPDlg.h"

// Placeholder: replaced by the real implementation.
namespace zt {

void CZT51xxWriteEepromMPDlg::OnEraseEeprom() {}

void CZT51xxWriteEepromMPDlg::OnGetFirmwareVersion() {}

Status CZT51xxWriteEepromMPDlg::TransferVersionBytes(int, uint8_t*) { return kFail; }

}  // namespace zt

#include "app/CZT51xxWriteEepromMPDlg.h"

// Placeholder: replaced by the real implementation.
namespace zt {

void CZT51xxWriteEepromMPDlg::NextTag() {}

Status CZT51xxWriteEepromMPDlg::WriteControlRegister() { return kFail; }

Status CZT51xxWriteEepromMPDlg::EraseEeprom() { return kFail; }

Status CZT51xxWriteEepromMPDlg::ClearImageHeader() { return kFail; }

Status CZT51xxWriteEepromMPDlg::WriteHeaderHead() { return kFail; }

Status CZT51xxWriteEepromMPDlg::WriteHeaderTail() { return kFail; }

Status CZT51xxWriteEepromMPDlg::ReadBackHeader() { return kFail; }

Status CZT51xxWriteEepromMPDlg::ReadBackHeaderHead() { return kFail; }

Status CZT51xxWriteEepromMPDlg::ReadBackHeaderTail() { return kFail; }

Status CZT51xxWriteEepromMPDlg::WriteImageBody() { return kFail; }

Status CZT51xxWriteEepromMPDlg::ReadBackImage() { return kFail; }

Status CZT51xxWriteEepromMPDlg::RestoreHeaderFromBackup() { return kFail; }

Status CZT51xxWriteEepromMPDlg::WriteProgressMarker(uint8_t) { return kFail; }

Status CZT51xxWriteEepromMPDlg::ReadChipIdentity(uint32_t*, uint8_t*) { return kFail; }

}  // namespace zt

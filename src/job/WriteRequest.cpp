#include "app/CZT51xxWriteEepromMPDlg.h"

// Placeholder: replaced by the real implementation.
namespace zt {

void CZT51xxWriteEepromMPDlg::OnWriteEeprom() {}

}  // namespace zt

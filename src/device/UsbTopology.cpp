#include "app/CZT51xxWriteEepromMPDlg.h"

// Placeholder: replaced by the real implementation.
namespace zt {

Status CZT51xxWriteEepromMPDlg::FindDeviceInUsbTree() { return kFail; }

}  // namespace zt

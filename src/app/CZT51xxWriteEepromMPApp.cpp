#include "app/CZT51xxWriteEepromMPApp.h"

#include <string>

#include "app/DialogTemplate.h"

namespace zt {

bool CZT51xxWriteEepromMPApp::InitInstance() {
    activatedOther_ = instanceLock_.ActivateExisting(std::string(kMainWindowTitle));
    if (activatedOther_) return false;
    runDialog_();
    return false;
}

}  // namespace zt

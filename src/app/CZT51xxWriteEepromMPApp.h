#pragma once
#include <functional>

#include "platform/InstanceLock.h"

namespace zt {

// The application object: the start-up routine. The front end supplies how a
// dialog is built and run modally (construct the window and the dialog, run
// OnInitDialog, the event loop, DestroyWindow, destroy).
class CZT51xxWriteEepromMPApp {
public:
    using RunDialog = std::function<int()>;

    CZT51xxWriteEepromMPApp(InstanceLock& instanceLock, RunDialog runDialog)
        : instanceLock_(instanceLock), runDialog_(std::move(runDialog)) {}

    // Returns false: the process ends when the dialog has closed, or at once
    // when another instance was brought to the front.
    bool InitInstance();

    // True when the last InitInstance found another instance and raised it.
    bool ActivatedOtherInstance() const { return activatedOther_; }

private:
    InstanceLock& instanceLock_;
    RunDialog runDialog_;
    bool activatedOther_ = false;
};

}  // namespace zt

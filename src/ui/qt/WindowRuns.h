#pragma once
#include <functional>

#include "ui/qt/GuiOptions.h"

namespace zt {
class DeviceBackend;
}

namespace zt::qt {

class QtDialogWindow;
class QtInstanceLock;
class StationWindow;

// Run on the UI thread once the window's loop is up; tests and demos drive
// the window from there.
struct WindowRunHooks {
    std::function<void(StationWindow&)> stationShown;
    std::function<void(QtDialogWindow&)> dialogShown;
};

// The station window or the dialog, from the options to the exit code of
// src/station/config/ExitCodes.h: 0 when every job ended OK (or none ran), 1 when
// the dialog's last job or any unit of the station's run did not (a job the
// close stopped included), 4 when the log cannot be opened (before any
// window shows) or a line of it was not written, 128 plus the signal's
// number when SIGINT or SIGTERM closed the window. A signal or a close
// during a job leaves a record of each unit still in its job.
int RunStation(DeviceBackend& backend, QtInstanceLock& instanceLock, const GuiOptions& options,
               const WindowRunHooks& hooks = {});
int RunDialog(DeviceBackend& backend, QtInstanceLock& instanceLock, const GuiOptions& options,
              const WindowRunHooks& hooks = {});

}  // namespace zt::qt

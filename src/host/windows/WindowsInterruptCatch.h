#pragma once
#include "host/InterruptCatch.h"

namespace zt::host_windows {

// Ctrl-C reaches a console process through its console control handlers, on a
// thread the system starts for it. The first Ctrl-C is reported as SIGINT and
// taken; later ones, Ctrl-Break and the console's close fall through to the
// default, which ends the process. Windows sends no SIGTERM.
class WindowsInterruptCatch final : public InterruptCatch {
public:
    explicit WindowsInterruptCatch(Handler handler);
    ~WindowsInterruptCatch() override;
    WindowsInterruptCatch(const WindowsInterruptCatch&) = delete;
    WindowsInterruptCatch& operator=(const WindowsInterruptCatch&) = delete;

private:
    Handler previousHandler_;
    bool previousTaken_;
};

}  // namespace zt::host_windows

#pragma once
#include <string>

#include "platform/InstanceLock.h"

namespace zt::platform_windows {

// The single-instance rule through a named mutex of the session, named after
// the window title. The first start creates it and holds it while it lives.
// A later start finds it taken, looks for the first window by its title,
// brings it to the front when it is already up, and reports the other
// instance either way: two starts in quick succession never both run.
class WindowsInstanceLock final : public InstanceLock {
public:
    WindowsInstanceLock() = default;
    ~WindowsInstanceLock() override;
    WindowsInstanceLock(const WindowsInstanceLock&) = delete;
    WindowsInstanceLock& operator=(const WindowsInstanceLock&) = delete;

    bool ActivateExisting(const std::string& windowTitle) override;

private:
    void* mutex_ = nullptr;
};

}  // namespace zt::platform_windows

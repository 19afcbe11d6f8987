#pragma once
#include <map>
#include <mutex>
#include <string>

#include "platform/UnitLocks.h"

namespace zt::platform_windows {

// Claims on USB ports shared by every process of the machine, whichever
// session or user runs it: a claim is a named kernel object
// ("Global\zt51xx-mp-unit-<port>") that the claiming job
// keeps open. Whoever creates the object holds the port; whoever finds it
// already there is refused. The system deletes the object when its last
// handle closes, which happens when its process ends, however it ends, so a
// dead job leaves no claim behind. Ports are location paths (see
// UsbLocationPath.h); other text is refused before a name is made of it.
//
// Existence, not mutex ownership, is the claim: a mutex's owner is a thread,
// and the jobs claim on one thread and release on another, while a second job
// on the claiming thread would simply re-enter it.
class WindowsUnitLocks final : public UnitLocks {
public:
    WindowsUnitLocks() = default;
    ~WindowsUnitLocks() override;
    WindowsUnitLocks(const WindowsUnitLocks&) = delete;
    WindowsUnitLocks& operator=(const WindowsUnitLocks&) = delete;

    UnitClaim TryClaim(const std::string& port) override;
    void Release(const std::string& port) override;

    // The object name of a port's claim: the port's text where it is safe in
    // a name (a backslash would name a folder of the object namespace), other
    // bytes written as %XX, so different ports never share a name; a port too
    // long for a name ends in a hash of the whole text.
    static std::wstring ObjectName(const std::string& port);

private:
    std::mutex mutex_;
    std::map<std::string, void*> held_;  // port -> the handle that keeps its object
};

}  // namespace zt::platform_windows

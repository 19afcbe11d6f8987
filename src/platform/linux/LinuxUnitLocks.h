#pragma once
#include <map>
#include <mutex>
#include <string>

#include "platform/UnitLocks.h"

namespace zt::platform_linux {

// Claims on USB ports shared by every process on this machine: one lock file
// per port in a world-writable lock folder (/run/lock, else the user's
// runtime folder, else /tmp; an emulated machine's own tree under umockdev),
// held with flock(). The kernel drops a flock when
// its process ends, however it ends, so a dead job leaves no claim behind.
// Two claims on one port from this process also exclude each other: each
// opens the file anew, and flock locks belong to the open file.
class LinuxUnitLocks final : public UnitLocks {
public:
    explicit LinuxUnitLocks(std::string folder = "");
    ~LinuxUnitLocks() override;

    bool TryClaim(const std::string& port) override;
    void Release(const std::string& port) override;

    // The lock file of a port (port text made safe for a file name).
    std::string LockPath(const std::string& port) const;

private:
    std::string folder_;
    std::mutex mutex_;
    std::map<std::string, int> held_;  // port -> descriptor holding its flock
};

}  // namespace zt::platform_linux

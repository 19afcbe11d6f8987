#pragma once
#include <map>
#include <mutex>
#include <string>

#include "platform/UnitLocks.h"

namespace zt::platform_linux {

// Claims on USB ports shared by every process on this machine: one lock file
// per port, held with flock(). The kernel drops a flock when its process
// ends, however it ends, so a dead job leaves no claim behind. Two claims on
// one port from this process also exclude each other: each opens the file
// anew, and flock locks belong to the open file.
//
// Where the files live: /run/lock, the machine's own lock folder, when it is
// there and writable, so that the jobs of all users see each other's claims.
// Else a folder of the user's own under $TMPDIR (or /tmp), made 0700 and
// checked before every claim: a predictable file name straight in a shared
// sticky folder would let another user plant a file or link there first. An
// emulated machine (umockdev) keeps its claims in its own tree.
//
// Lock files are made 0644: flock works on a descriptor opened for reading,
// so other users take part without being able to write the file.
class LinuxUnitLocks final : public UnitLocks {
public:
    enum class FolderUse {
        AsGiven,       // the caller's folder, used as it is (tests, an emulated machine)
        PrivateToUser  // made 0700 when missing; refused unless it is a folder of this user's
                       // that nobody else may write
    };

    // `folder` "": the machine's place (above).
    explicit LinuxUnitLocks(std::string folder = "", FolderUse use = FolderUse::AsGiven);
    ~LinuxUnitLocks() override;
    LinuxUnitLocks(const LinuxUnitLocks&) = delete;
    LinuxUnitLocks& operator=(const LinuxUnitLocks&) = delete;

    UnitClaim TryClaim(const std::string& port) override;
    void Release(const std::string& port) override;

    // The lock file of a port (a USB port name; TryClaim refuses others).
    std::string LockPath(const std::string& port) const;
    const std::string& Folder() const { return folder_; }

private:
    // The folder opened for the claim, or -1 with the reason.
    int OpenFolder(std::string* reason) const;

    std::string folder_;
    FolderUse use_;
    std::mutex mutex_;
    std::map<std::string, int> held_;  // port -> descriptor holding its flock
};

}  // namespace zt::platform_linux

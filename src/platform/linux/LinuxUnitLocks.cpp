#include "platform/linux/LinuxUnitLocks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/UsbPortName.h"

namespace zt::platform_linux {

namespace {

constexpr const char* kSystemLockFolder = "/run/lock";
constexpr mode_t kLockFileMode = 0644;

bool IsWritableFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string Errno(int error) { return std::strerror(error); }

struct Place {
    std::string folder;
    LinuxUnitLocks::FolderUse use;
};

Place DefaultPlace() {
    // A machine emulated by umockdev (it names its device tree in
    // UMOCKDEV_DIR) has ports of its own: two emulated machines both have a
    // 1-1, and a claim in one must not hold the other's unit.
    if (const char* emulated = std::getenv("UMOCKDEV_DIR"); emulated && IsWritableFolder(emulated))
        return {emulated, LinuxUnitLocks::FolderUse::AsGiven};
    if (IsWritableFolder(kSystemLockFolder)) return {kSystemLockFolder, LinuxUnitLocks::FolderUse::AsGiven};
    // No machine lock folder (a container without /run/lock): the user's own.
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp && tmp[0] == '/' ? tmp : "/tmp";
    return {base + "/zt51xx-mp-" + std::to_string(::geteuid()), LinuxUnitLocks::FolderUse::PrivateToUser};
}

}  // namespace

LinuxUnitLocks::LinuxUnitLocks(std::string folder, FolderUse use) : folder_(std::move(folder)), use_(use) {
    if (folder_.empty()) {
        Place place = DefaultPlace();
        folder_ = std::move(place.folder);
        use_ = place.use;
    }
}

LinuxUnitLocks::~LinuxUnitLocks() {
    std::lock_guard lock(mutex_);
    for (const auto& [port, fd] : held_) ::close(fd);
}

std::string LinuxUnitLocks::LockPath(const std::string& port) const {
    return folder_ + "/zt51xx-mp-unit-" + port + ".lock";
}

int LinuxUnitLocks::OpenFolder(std::string* reason) const {
    const bool own = use_ == FolderUse::PrivateToUser;
    if (own && ::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) {
        *reason = "cannot create the lock folder " + folder_ + ": " + Errno(errno);
        return -1;
    }
    // Our own folder is opened without following a link, and checked on the
    // descriptor, so what is checked is what the lock file goes into.
    const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (own ? O_NOFOLLOW : 0));
    if (dir < 0) {
        const int error = errno;
        *reason = own && error == ELOOP ? "the lock folder " + folder_ + " is a symbolic link; refused"
                                        : "the lock folder " + folder_ + " cannot be used: " + Errno(error);
        return -1;
    }
    if (!own) return dir;
    struct stat st {};
    std::string refusal;
    if (::fstat(dir, &st) != 0)
        refusal = "cannot be used: " + Errno(errno);
    else if (st.st_uid != ::geteuid())
        refusal = "belongs to another user; refused";
    else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        refusal = "may be written by other users; refused";
    if (refusal.empty()) return dir;
    ::close(dir);
    *reason = "the lock folder " + folder_ + " " + refusal;
    return -1;
}

UnitClaim LinuxUnitLocks::TryClaim(const std::string& port) {
    if (!IsUsbPortName(port, PortNaming::BusPath))
        return {ClaimOutcome::CannotLock, NotAPortNameReason(port)};
    std::lock_guard lock(mutex_);
    if (held_.count(port)) return {ClaimOutcome::Held};
    std::string reason;
    const int dir = OpenFolder(&reason);
    if (dir < 0) return {ClaimOutcome::CannotLock, reason};

    const std::string name = "zt51xx-mp-unit-" + port + ".lock";
    // Open an existing file without O_CREAT: in a sticky folder the kernel
    // refuses O_CREAT on another user's file (protected_regular), although
    // reading it is allowed. O_NOFOLLOW: a link planted under the name must
    // not make us create or lock a file somewhere else.
    int fd = -1;
    for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
        fd = ::openat(dir, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0 || errno != ENOENT) break;
        fd = ::openat(dir, name.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kLockFileMode);
        // Whatever the umask: other users must be able to open it to take their turn.
        if (fd >= 0) (void)::fchmod(fd, kLockFileMode);
        if (fd < 0 && errno != EEXIST) break;  // EEXIST: another job made it just now
    }
    const int openError = errno;
    ::close(dir);
    if (fd < 0)
        return {ClaimOutcome::CannotLock,
                "cannot open the lock file " + LockPath(port) + ": " + Errno(openError)};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) return {ClaimOutcome::Held};
        return {ClaimOutcome::CannotLock, "cannot lock " + LockPath(port) + ": " + Errno(error)};
    }
    held_[port] = fd;
    return {ClaimOutcome::Claimed};
}

void LinuxUnitLocks::Release(const std::string& port) {
    std::lock_guard lock(mutex_);
    const auto it = held_.find(port);
    if (it == held_.end()) return;
    // The file stays: removing it could let a waiting job lock a file that is
    // no longer the one the next job opens.
    ::close(it->second);
    held_.erase(it);
}

}  // namespace zt::platform_linux

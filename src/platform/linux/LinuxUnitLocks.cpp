#include "platform/linux/LinuxUnitLocks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace zt::platform_linux {

namespace {

bool IsWritableFolder(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string DefaultFolder() {
    // A machine emulated by umockdev (it names its device tree in
    // UMOCKDEV_DIR) has ports of its own: two emulated machines both have a
    // 1-1, and a claim in one must not hold the other's unit.
    if (const char* emulated = std::getenv("UMOCKDEV_DIR"); emulated && IsWritableFolder(emulated))
        return emulated;
    // /run/lock is the machine's own lock folder (sticky, writable by all),
    // so jobs of different users on one unit see each other's claims.
    if (IsWritableFolder("/run/lock")) return "/run/lock";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && IsWritableFolder(runtime))
        return runtime;
    return "/tmp";
}

}  // namespace

LinuxUnitLocks::LinuxUnitLocks(std::string folder)
    : folder_(folder.empty() ? DefaultFolder() : std::move(folder)) {}

LinuxUnitLocks::~LinuxUnitLocks() {
    std::lock_guard lock(mutex_);
    for (const auto& [port, fd] : held_) ::close(fd);
}

std::string LinuxUnitLocks::LockPath(const std::string& port) const {
    std::string name;
    for (const char c : port) {
        const bool safe = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          c == '-' || c == '.' || c == '_';
        name += safe ? c : '_';
    }
    return folder_ + "/zt51xx-mp-unit-" + name + ".lock";
}

bool LinuxUnitLocks::TryClaim(const std::string& port) {
    std::lock_guard lock(mutex_);
    if (held_.count(port)) return false;
    const std::string path = LockPath(port);
    // O_NOFOLLOW: in a shared folder another user's symbolic link must not
    // make us create or lock a file somewhere else.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return false;
    // Another user must be able to open the same file to take its turn.
    (void)::fchmod(fd, 0666);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    held_[port] = fd;
    return true;
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

#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "host/FileLock.h"

namespace zt::host_posix {

// flock(LOCK_EX) on a lock file of its own (created 0664 less the umask when
// missing). Linux takes flock on NFS to the server as a whole-file POSIX lock,
// so stations on several hosts exclude each other through the server's lock
// manager. A symbolic link is not followed, and only a regular file is taken.
class PosixFileLock final : public FileLock {
public:
    // Waits at most `waitMs` for a holder to let go; null with the reason.
    static std::unique_ptr<FileLock> Take(const std::string& path, uint32_t waitMs, std::string* error);
    ~PosixFileLock() override;
    PosixFileLock(const PosixFileLock&) = delete;
    PosixFileLock& operator=(const PosixFileLock&) = delete;

private:
    explicit PosixFileLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace zt::host_posix

#include "host/posix/PosixFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace zt::host_posix {

namespace {

// How often a held lock is tried again; a holder keeps it for one append.
constexpr auto kRetry = std::chrono::milliseconds(5);

}  // namespace

std::unique_ptr<FileLock> PosixFileLock::Take(const std::string& path, uint32_t waitMs, std::string* error) {
    int fd;
    do fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0664);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *error = errno == ELOOP ? "it is a symbolic link; not followed" : std::strerror(errno);
        return nullptr;
    }
    auto lock = std::unique_ptr<PosixFileLock>(new PosixFileLock(fd));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = "not a regular file";
        return nullptr;
    }
    // Tried without blocking, so that a lock service that never answers (a
    // lost NFS server) ends in a refusal rather than a station that hangs.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return lock;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            *error = std::strerror(errno);
            return nullptr;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            *error = "another process has held it for " + std::to_string(waitMs / 1000) + " s";
            return nullptr;
        }
        std::this_thread::sleep_for(kRetry);
    }
}

// Closing the descriptor lets the lock go.
PosixFileLock::~PosixFileLock() { ::close(fd_); }

}  // namespace zt::host_posix

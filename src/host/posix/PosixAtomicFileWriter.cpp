#include "host/posix/PosixAtomicFileWriter.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "host/posix/TrustedSymlink.h"

namespace zt::host_posix {

namespace {

constexpr int kNameAttempts = 100;
// How long a pipe or device may take nothing before the write gives up.
constexpr int kStalledWriteMs = 10000;

bool Fail(std::string* error, int errorNumber) {
    *error = std::strerror(errorNumber);
    return false;
}

bool WriteAll(int fd, std::span<const std::byte> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    return true;
}

// Like WriteAll on a descriptor opened O_NONBLOCK: waits for room at most
// kStalledWriteMs at a time, and not at all once a signal has come (the
// command is being closed).
bool WriteAllWaiting(int fd, std::span<const std::byte> bytes, std::string* error) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes = bytes.subspan(static_cast<size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR) return Fail(error, EINTR);
        if (written == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            return Fail(error, written == 0 ? EIO : errno);
        pollfd room{fd, POLLOUT, 0};
        const int ready = ::poll(&room, 1, kStalledWriteMs);
        if (ready < 0) return Fail(error, errno);
        if (ready == 0) {
            *error = "nothing was taken from it for " + std::to_string(kStalledWriteMs / 1000) + " s";
            return false;
        }
    }
    return true;
}

// A pipe, a FIFO or a device: opened without waiting, so that a FIFO nobody
// reads is refused at once instead of holding the command (and the signals
// that would end it) in open() for ever.
bool WriteInPlace(const std::string& path, std::span<const std::byte> bytes, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENXIO) {
        *error = "nobody has it open for reading";
        return false;
    }
    if (fd < 0) return Fail(error, errno);
    const bool written = WriteAllWaiting(fd, bytes, error);
    if (::close(fd) != 0 && written) return Fail(error, errno);
    return written;
}

// A fresh file beside `target`, created with the usual permissions (the umask
// applies). Its name is left in `tempPath`.
int CreateBeside(const std::string& target, std::string* tempPath) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = target.substr(folder.size());
    std::random_device random;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", random());
        *tempPath = folder + "." + name + suffix + ".tmp";
        const int fd = ::open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Some file systems cannot sync a folder; the file itself is on the disk.
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

bool PosixAtomicFileWriter::WriteFileAtomically(const std::string& path, std::span<const std::byte> bytes,
                                                std::string* error) {
    std::string target = path;
    if (!MayFollowLink(path, error)) return false;
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists) {
        if (!S_ISREG(existing.st_mode)) return WriteInPlace(path, bytes, error);
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
        // A file we may not write is not ours to replace, even where the
        // folder would let us.
        if (::access(target.c_str(), W_OK) != 0) return Fail(error, errno);
    }

    std::string temp;
    const int fd = CreateBeside(target, &temp);
    if (fd < 0) return Fail(error, errno);
    bool ok = true;
    if (exists) {
        // Best effort: only the owner or root may hand a file to its owner.
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // Then the new file is ours, as any file we create would be.
        }
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int failure = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Fail(error, failure);
    }
    SyncFolderOf(target);
    return true;
}

}  // namespace zt::host_posix

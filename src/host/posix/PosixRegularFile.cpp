#include "host/posix/PosixRegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zt::host_posix {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

RegularFileContents ReadRegularFile(const std::string& path, size_t maxBytes) {
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) return RegularFileContents::CannotOpen(errno, std::strerror(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return RegularFileContents::CannotReadFile(std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return RegularFileContents::CannotReadFile("it is a folder");
    if (!S_ISREG(info.st_mode)) return RegularFileContents::CannotReadFile("not a regular file");
    if (static_cast<uint64_t>(info.st_size) > maxBytes)
        return RegularFileContents::TooLargeFile(static_cast<uint64_t>(info.st_size));
    return ReadAtMost(maxBytes, [&fd](uint8_t* buffer, size_t length) -> long {
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer, length);
            if (n >= 0 || errno != EINTR) return static_cast<long>(n);
        }
    });
}

}  // namespace zt::host_posix

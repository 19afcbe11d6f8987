#include "host/windows/WindowsRegularFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace zt::host_windows {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::_close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

RegularFileContents ReadRegularFile(const std::string& path, size_t maxBytes) {
    const Descriptor fd(::_open(path.c_str(), _O_RDONLY | _O_BINARY));
    if (fd.get() < 0) return RegularFileContents::CannotOpen(errno, std::strerror(errno));
    struct _stat64 info {};
    if (::_fstat64(fd.get(), &info) != 0) return RegularFileContents::CannotReadFile(std::strerror(errno));
    if ((info.st_mode & _S_IFMT) == _S_IFDIR) return RegularFileContents::CannotReadFile("it is a folder");
    if ((info.st_mode & _S_IFMT) != _S_IFREG)
        return RegularFileContents::CannotReadFile("not a regular file");
    if (static_cast<uint64_t>(info.st_size) > maxBytes)
        return RegularFileContents::TooLargeFile(static_cast<uint64_t>(info.st_size));
    return ReadAtMost(maxBytes, [&fd](uint8_t* buffer, size_t length) -> long {
        return ::_read(fd.get(), buffer, static_cast<unsigned>(length));
    });
}

}  // namespace zt::host_windows

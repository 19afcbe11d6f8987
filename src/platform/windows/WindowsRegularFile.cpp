#include "platform/windows/WindowsRegularFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace zt::platform_windows {

namespace {

RegularFileContents CannotRead(std::string reason) {
    RegularFileContents contents;
    contents.reason = std::move(reason);
    return contents;
}

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
    if (fd.get() < 0) return CannotRead(std::strerror(errno));
    struct _stat64 info {};
    if (::_fstat64(fd.get(), &info) != 0) return CannotRead(std::strerror(errno));
    if ((info.st_mode & _S_IFMT) == _S_IFDIR) return CannotRead("it is a folder");
    if ((info.st_mode & _S_IFMT) != _S_IFREG) return CannotRead("not a regular file");
    RegularFileContents contents;
    if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        contents.outcome = RegularFileContents::Outcome::TooLarge;
        contents.size = static_cast<uint64_t>(info.st_size);
        return contents;
    }
    // One byte more than allowed tells a file that grew since the check.
    contents.bytes.resize(maxBytes + 1);
    size_t got = 0;
    while (got < contents.bytes.size()) {
        const int n = ::_read(fd.get(), contents.bytes.data() + got,
                              static_cast<unsigned>(contents.bytes.size() - got));
        if (n < 0) return CannotRead(std::strerror(errno));
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    if (got > maxBytes) {
        contents.outcome = RegularFileContents::Outcome::TooLarge;
        contents.size = got;
        contents.bytes.clear();
        return contents;
    }
    contents.bytes.resize(got);
    contents.outcome = RegularFileContents::Outcome::Read;
    return contents;
}

}  // namespace zt::platform_windows

#include "platform/posix/PosixRegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zt::platform_posix {

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
    if (fd.get() < 0) return CannotRead(std::strerror(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return CannotRead(std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return CannotRead("it is a folder");
    if (!S_ISREG(info.st_mode)) return CannotRead("not a regular file");
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
        const ssize_t n = ::read(fd.get(), contents.bytes.data() + got, contents.bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
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

}  // namespace zt::platform_posix

#include "platform/posix/PosixAppendOnlyFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace zt::platform_posix {

std::unique_ptr<AppendOnlyFile> PosixAppendOnlyFile::Open(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<AppendOnlyFile>(new PosixAppendOnlyFile(fd));
}

PosixAppendOnlyFile::~PosixAppendOnlyFile() { ::close(fd_); }

bool PosixAppendOnlyFile::Append(const std::string& text, std::string* error) {
    ssize_t written;
    do written = ::write(fd_, text.data(), text.size());
    while (written < 0 && errno == EINTR);
    if (written >= 0 && static_cast<size_t>(written) != text.size()) {
        // A nearly full disk takes what fits and leaves errno as it was.
        *error = "only " + std::to_string(written) + " of " + std::to_string(text.size()) + " bytes went in";
        return false;
    }
    if (written < 0 || ::fsync(fd_) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace zt::platform_posix

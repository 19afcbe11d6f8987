#include "host/windows/WindowsAppendOnlyFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace zt::host_windows {

std::unique_ptr<AppendOnlyFile> WindowsAppendOnlyFile::Open(const std::string& path, std::string* error) {
    if (path.empty()) {
        *error = "no file named";
        return nullptr;
    }
    // A device name (NUL, COM1) or a folder is refused before it is opened.
    struct _stat64 st {};
    if (::_stat64(path.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) != _S_IFREG) {
        *error = "not a regular file";
        return nullptr;
    }
    const int fd = ::_open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        *error = std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<AppendOnlyFile>(new WindowsAppendOnlyFile(fd));
}

WindowsAppendOnlyFile::~WindowsAppendOnlyFile() { ::_close(fd_); }

bool WindowsAppendOnlyFile::Append(const std::string& text, std::string* error) {
    const int written = ::_write(fd_, text.data(), static_cast<unsigned>(text.size()));
    if (written >= 0 && static_cast<size_t>(written) != text.size()) {
        *error = "only " + std::to_string(written) + " of " + std::to_string(text.size()) + " bytes went in";
        return false;
    }
    if (written < 0 || ::_commit(fd_) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace zt::host_windows

#include "host/windows/WindowsAppendOnlyFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace zt::host_windows {

namespace {

// Held while a record is appended, so that tools taking the same lock never
// write into each other's lines. Windows' byte-range locks keep others from
// the bytes they cover, so the lock is on one byte far past any end of file,
// which nobody reads or writes. None when the file system has no locks.
class LogLock {
public:
    explicit LogLock(int fd) : file_(reinterpret_cast<HANDLE>(::_get_osfhandle(fd))) {
        held_ = file_ != INVALID_HANDLE_VALUE && ::LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, At());
    }
    ~LogLock() {
        if (held_) (void)::UnlockFileEx(file_, 0, 1, 0, At());
    }
    LogLock(const LogLock&) = delete;
    LogLock& operator=(const LogLock&) = delete;

private:
    OVERLAPPED* At() {
        overlapped_ = {};
        overlapped_.Offset = 0xFFFFFFFEu;
        overlapped_.OffsetHigh = 0x7FFFFFFFu;
        return &overlapped_;
    }
    HANDLE file_;
    OVERLAPPED overlapped_{};
    bool held_ = false;
};

}  // namespace

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
    // Read access lets others' appends be read back; a file we may only
    // write to is appended to all the same.
    bool readable = true;
    int fd = ::_open(path.c_str(), _O_RDWR | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0 && errno == EACCES) {
        readable = false;
        fd = ::_open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
    }
    if (fd < 0) {
        *error = std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<AppendOnlyFile>(new WindowsAppendOnlyFile(fd, readable));
}

WindowsAppendOnlyFile::~WindowsAppendOnlyFile() { ::_close(fd_); }

bool WindowsAppendOnlyFile::Append(const std::string& text, std::string* error) {
    const LogLock lock(fd_);
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

bool WindowsAppendOnlyFile::ReadFrom(uint64_t offset, size_t maxBytes, std::string* text,
                                     std::string* error) {
    text->clear();
    if (!readable_) {
        *error = "this user may only append to it, not read it";
        return false;
    }
    // Appends go to the end whatever the position, so moving it to read is safe.
    if (::_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0) {
        *error = std::strerror(errno);
        return false;
    }
    text->resize(maxBytes);
    size_t got = 0;
    while (got < maxBytes) {
        const size_t chunk = std::min<size_t>(maxBytes - got, 1u << 30);
        const int n = ::_read(fd_, text->data() + got, static_cast<unsigned>(chunk));
        if (n < 0) {
            *error = std::strerror(errno);
            text->clear();
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    text->resize(got);
    return true;
}

}  // namespace zt::host_windows

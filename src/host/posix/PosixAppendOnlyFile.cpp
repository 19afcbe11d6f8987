#include "host/posix/PosixAppendOnlyFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "host/posix/TrustedSymlink.h"

namespace zt::host_posix {

namespace {

// How far back the start of a torn last line is looked for; a record is far
// shorter.
constexpr off_t kTornTailReach = 64 * 1024;

std::string NotRegular(mode_t mode) {
    const char* what = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a FIFO"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "not a plain file";
    return std::string("not a regular file (") + what + ")";
}

// Held while a record is appended and while a torn tail is cut: another
// appender's lines may be cut only when they are not whole, and never while
// its write is under way. flock() locks the open file, so two opens in one
// process exclude each other too. False when the file system has no locks:
// then appends still land whole, and nothing is cut.
class LogLock {
public:
    explicit LogLock(int fd) : fd_(fd) {
        int done;
        do done = ::flock(fd_, LOCK_EX);
        while (done != 0 && errno == EINTR);
        held_ = done == 0;
    }
    ~LogLock() {
        if (held_) (void)::flock(fd_, LOCK_UN);
    }
    LogLock(const LogLock&) = delete;
    LogLock& operator=(const LogLock&) = delete;
    bool Held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

int OpenForAppend(const std::string& path, int flags) {
    int fd;
    do fd = ::open(path.c_str(), flags | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

std::unique_ptr<AppendOnlyFile> PosixAppendOnlyFile::Open(const std::string& path, std::string* error) {
    if (path.empty()) {
        *error = "no file named";
        return nullptr;
    }
    // Anything but a regular file is refused before it is opened: opening a
    // FIFO would wait for a reader, and a device may act on the open itself.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = NotRegular(st.st_mode);
        return nullptr;
    }
    if (!MayFollowLink(path, error)) return nullptr;
    const bool viaLink = ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    // Without a link of our own, O_NOFOLLOW: a link planted between the
    // check and the open fails with ELOOP. Read access lets a torn last line
    // be found; a log we may only write to is appended to all the same.
    const int noFollow = viaLink ? 0 : O_NOFOLLOW;
    bool readable = true;
    int fd = OpenForAppend(path, O_RDWR | noFollow);
    if (fd < 0 && errno == EACCES) {
        readable = false;
        fd = OpenForAppend(path, O_WRONLY | noFollow);
    }
    if (fd < 0) {
        *error =
            errno == ELOOP ? "a symbolic link appeared in its place; not followed" : std::strerror(errno);
        return nullptr;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = S_ISREG(st.st_mode) ? std::strerror(errno) : NotRegular(st.st_mode);
        ::close(fd);
        return nullptr;
    }
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    auto file = std::unique_ptr<PosixAppendOnlyFile>(new PosixAppendOnlyFile(fd, readable));
    file->CutTornTail();
    return file;
}

PosixAppendOnlyFile::~PosixAppendOnlyFile() { ::close(fd_); }

// A line left without its newline (a full disk, a tool killed mid-write) is
// cut back to the end of the last whole line, so that the file holds only
// whole records again. Only under the lock: a line another appender is still
// writing looks torn too, and cutting it would take its later lines along.
void PosixAppendOnlyFile::CutTornTail() {
    struct stat st {};
    if (!readable_) return;
    const LogLock lock(fd_);
    if (!lock.Held() || ::fstat(fd_, &st) != 0 || st.st_size == 0) return;
    const off_t from = st.st_size > kTornTailReach ? st.st_size - kTornTailReach : 0;
    std::vector<char> tail(static_cast<size_t>(st.st_size - from));
    if (::pread(fd_, tail.data(), tail.size(), from) != static_cast<ssize_t>(tail.size())) return;
    if (tail.back() == '\n') return;
    size_t keep = tail.size();
    while (keep > 0 && tail[keep - 1] != '\n') --keep;
    // No line end within reach: not a file of lines we know, so it is left
    // alone and the next record starts on a line of its own.
    if (keep == 0 && from > 0) return;
    // When the cut fails, Append still starts the next record on a new line.
    if (::ftruncate(fd_, from + static_cast<off_t>(keep)) != 0) return;
}

bool PosixAppendOnlyFile::EndsWithNewline() const {
    struct stat st {};
    char last = '\n';
    if (!readable_ || ::fstat(fd_, &st) != 0 || st.st_size == 0) return true;
    return ::pread(fd_, &last, 1, st.st_size - 1) != 1 || last == '\n';
}

bool PosixAppendOnlyFile::Append(const std::string& text, std::string* error) {
    const LogLock lock(fd_);
    // A torn line that could not be cut still ends before this record.
    const std::string line = EndsWithNewline() ? text : "\n" + text;
    struct stat st {};
    const off_t sizeBefore = ::fstat(fd_, &st) == 0 ? st.st_size : -1;
    size_t done = 0;
    int failure = 0;
    while (done < line.size()) {
        const ssize_t written = ::write(fd_, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            // A short write leaves errno as it was; the next write names the
            // real cause (no space, a size limit).
            failure = written == 0 ? EIO : errno;
            break;
        }
        done += static_cast<size_t>(written);
    }
    if (failure != 0) {
        // Take back what went in, when nothing of another process followed it.
        const bool takenBack = done > 0 && sizeBefore >= 0 && ::fstat(fd_, &st) == 0 &&
                               st.st_size == sizeBefore + static_cast<off_t>(done) &&
                               ::ftruncate(fd_, sizeBefore) == 0;
        *error = std::strerror(failure);
        if (done > 0 && !takenBack)
            *error += " (" + std::to_string(done) + " of " + std::to_string(line.size()) +
                      " bytes went in; the line is cut when the log is next opened)";
        return false;
    }
    if (::fsync(fd_) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    return true;
}

bool PosixAppendOnlyFile::ReadFrom(uint64_t offset, size_t maxBytes, std::string* text, std::string* error) {
    text->clear();
    if (!readable_) {
        *error = "this user may only append to it, not read it";
        return false;
    }
    text->resize(maxBytes);
    size_t got = 0;
    while (got < maxBytes) {
        const ssize_t n = ::pread(fd_, text->data() + got, maxBytes - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
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

}  // namespace zt::host_posix

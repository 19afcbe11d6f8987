#pragma once
#include <memory>

#include "host/AppendOnlyFile.h"

namespace zt::host_posix {

// O_APPEND makes each write() land at the end as one piece, even with other
// processes appending; fsync() puts it on the disk. New files are 0644 less
// the umask. Only a regular file is taken, and a symbolic link only when it
// is the user's own or root's (MayFollowLink). A line torn by an earlier
// failure is cut at the open, and one that could not be cut is ended before
// the next record, so every record starts on a line of its own. Appends and
// the cut hold an exclusive flock() on the file, so a line another appender
// that takes the same lock is writing is never cut.
class PosixAppendOnlyFile final : public AppendOnlyFile {
public:
    static std::unique_ptr<AppendOnlyFile> Open(const std::string& path, std::string* error);
    ~PosixAppendOnlyFile() override;
    PosixAppendOnlyFile(const PosixAppendOnlyFile&) = delete;
    PosixAppendOnlyFile& operator=(const PosixAppendOnlyFile&) = delete;

    bool Append(const std::string& text, std::string* error) override;
    bool ReadFrom(uint64_t offset, size_t maxBytes, std::string* text, std::string* error) override;

private:
    PosixAppendOnlyFile(int fd, bool readable) : fd_(fd), readable_(readable) {}
    void CutTornTail();
    bool EndsWithNewline() const;

    int fd_;
    bool readable_;
};

}  // namespace zt::host_posix

#pragma once
#include <memory>

#include "platform/AppendOnlyFile.h"

namespace zt::platform_posix {

// O_APPEND makes each write() land at the end as one piece, even with other
// processes appending; fsync() puts it on the disk. New files are 0644 less
// the umask.
class PosixAppendOnlyFile final : public AppendOnlyFile {
public:
    static std::unique_ptr<AppendOnlyFile> Open(const std::string& path, std::string* error);
    ~PosixAppendOnlyFile() override;
    PosixAppendOnlyFile(const PosixAppendOnlyFile&) = delete;
    PosixAppendOnlyFile& operator=(const PosixAppendOnlyFile&) = delete;

    bool Append(const std::string& text, std::string* error) override;

private:
    explicit PosixAppendOnlyFile(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace zt::platform_posix

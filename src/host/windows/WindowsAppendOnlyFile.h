#pragma once
#include <memory>

#include "host/AppendOnlyFile.h"

namespace zt::host_windows {

// The C runtime's _O_APPEND descriptor, binary; _commit() flushes it to the
// disk. Each append holds an exclusive LockFileEx lock on one byte at the
// top of the file's range (0x7FFFFFFFFFFFFFFE), for other writers to share.
class WindowsAppendOnlyFile final : public AppendOnlyFile {
public:
    static std::unique_ptr<AppendOnlyFile> Open(const std::string& path, std::string* error);
    ~WindowsAppendOnlyFile() override;
    WindowsAppendOnlyFile(const WindowsAppendOnlyFile&) = delete;
    WindowsAppendOnlyFile& operator=(const WindowsAppendOnlyFile&) = delete;

    bool Append(const std::string& text, std::string* error) override;
    bool ReadFrom(uint64_t offset, size_t maxBytes, std::string* text, std::string* error) override;

private:
    WindowsAppendOnlyFile(int fd, bool readable) : fd_(fd), readable_(readable) {}
    int fd_;
    bool readable_;
};

}  // namespace zt::host_windows

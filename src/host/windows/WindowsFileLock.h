#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "host/FileLock.h"

namespace zt::host_windows {

// LockFileEx on the whole of a lock file of its own (created when missing),
// exclusive; on a network share the server holds the lock, so stations on
// several hosts exclude each other. Only a file on a disk is taken.
class WindowsFileLock final : public FileLock {
public:
    // Waits at most `waitMs` for a holder to let go; null with the reason.
    static std::unique_ptr<FileLock> Take(const std::string& path, uint32_t waitMs, std::string* error);
    ~WindowsFileLock() override;
    WindowsFileLock(const WindowsFileLock&) = delete;
    WindowsFileLock& operator=(const WindowsFileLock&) = delete;

private:
    explicit WindowsFileLock(void* handle) : handle_(handle) {}
    void* handle_;
};

}  // namespace zt::host_windows

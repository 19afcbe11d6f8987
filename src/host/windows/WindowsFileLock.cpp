#include "host/windows/WindowsFileLock.h"

#include <windows.h>

#include <chrono>
#include <system_error>
#include <thread>

#include "host/windows/WideText.h"

namespace zt::host_windows {

namespace {

constexpr auto kRetry = std::chrono::milliseconds(5);

std::string SystemText(DWORD code) {
    return std::error_code(static_cast<int>(code), std::system_category()).message();
}

}  // namespace

std::unique_ptr<FileLock> WindowsFileLock::Take(const std::string& path, uint32_t waitMs,
                                                std::string* error) {
    const HANDLE file =
        CreateFileW(ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = SystemText(GetLastError());
        return nullptr;
    }
    auto lock = std::unique_ptr<WindowsFileLock>(new WindowsFileLock(file));
    if (GetFileType(file) != FILE_TYPE_DISK) {
        *error = "not a file on a disk";
        return nullptr;
    }
    // Tried without blocking, so that a share that never answers ends in a
    // refusal rather than a station that hangs.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                       &whole))
            return lock;
        const DWORD code = GetLastError();
        if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING) {
            *error = SystemText(code);
            return nullptr;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            *error = "another process has held it for " + std::to_string(waitMs / 1000) + " s";
            return nullptr;
        }
        std::this_thread::sleep_for(kRetry);
    }
}

// Closing the handle lets the lock go.
WindowsFileLock::~WindowsFileLock() { CloseHandle(static_cast<HANDLE>(handle_)); }

}  // namespace zt::host_windows

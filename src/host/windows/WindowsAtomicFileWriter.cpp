#include "host/windows/WindowsAtomicFileWriter.h"

#include <windows.h>

#include <filesystem>
#include <random>
#include <system_error>

namespace zt::host_windows {

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 100;

bool Fail(std::string* error, DWORD code) {
    if (error) *error = std::error_code(static_cast<int>(code), std::system_category()).message();
    return false;
}

bool WriteAll(HANDLE file, std::span<const std::byte> bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

// A device (CON, NUL, a COM port) or a pipe has no folder to put a new file
// in: it is written as it is. False when `path` is an ordinary file or none.
bool IsDevice(const fs::path& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool device = GetFileType(file) != FILE_TYPE_DISK;
    CloseHandle(file);
    return device;
}

bool WriteInPlace(const fs::path& path, std::span<const std::byte> bytes, std::string* error) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
    const bool written = WriteAll(file, bytes);
    const DWORD failure = GetLastError();
    CloseHandle(file);
    return written || Fail(error, failure);
}

// A fresh file beside `target` that nobody else has; its name is left in
// `temporary`. Two tools exporting to one folder never share it.
HANDLE CreateBeside(const fs::path& target, fs::path* temporary) {
    std::random_device random;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        wchar_t suffix[16];
        swprintf(suffix, sizeof suffix / sizeof suffix[0], L".%08x.tmp", static_cast<unsigned>(random()));
        *temporary = target;
        *temporary += suffix;
        const HANDLE file = CreateFileW(temporary->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool WindowsAtomicFileWriter::WriteFileAtomically(const std::string& path, std::span<const std::byte> bytes,
                                                  std::string* error) {
    std::error_code ignored;
    // Through a symbolic link the file it points to is replaced.
    fs::path target = fs::path(path);
    if (fs::is_symlink(target, ignored)) {
        const fs::path resolved = fs::canonical(target, ignored);
        if (!ignored) target = resolved;
    }
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && IsDevice(target)) return WriteInPlace(target, bytes, error);
    // A file we may not write is not ours to replace.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) return Fail(error, ERROR_ACCESS_DENIED);

    fs::path temporary;
    const HANDLE file = CreateBeside(target, &temporary);
    if (file == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
    bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
    DWORD failure = GetLastError();
    CloseHandle(file);
    if (ok) {
        ok = MoveFileExW(temporary.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        failure = GetLastError();
    }
    if (!ok) {
        DeleteFileW(temporary.c_str());
        return Fail(error, failure);
    }
    return true;
}

}  // namespace zt::host_windows

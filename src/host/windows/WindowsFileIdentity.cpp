#include "host/windows/WindowsFileIdentity.h"

#include <windows.h>

#include "host/windows/WideText.h"

namespace zt::host_windows {

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    // No access asked for: only the file's attributes are read, so a file
    // another process holds open is still identified.
    const HANDLE file =
        ::CreateFileW(ToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL ok = ::GetFileInformationByHandle(file, &info);
    ::CloseHandle(file);
    if (!ok) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (uint64_t(info.nFileIndexHigh) << 32) | uint64_t(info.nFileIndexLow)};
}

}  // namespace zt::host_windows

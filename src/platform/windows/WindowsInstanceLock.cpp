#include "platform/windows/WindowsInstanceLock.h"

#include <windows.h>

#include "host/windows/WideText.h"

namespace zt::platform_windows {

WindowsInstanceLock::~WindowsInstanceLock() {
    if (mutex_) CloseHandle(mutex_);
}

bool WindowsInstanceLock::ActivateExisting(const std::string& windowTitle) {
    if (mutex_) return false;  // we are the running instance
    const std::wstring title = ToWide(windowTitle);
    // A backslash would name a namespace; the title has none, but be safe.
    std::wstring name = L"Local\\zt51xx-mp " + title;
    for (size_t i = 6; i < name.size(); ++i)
        if (name[i] == L'\\') name[i] = L'_';

    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    const bool taken = mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    if (mutex && !taken) {
        mutex_ = mutex;
        return false;
    }
    if (mutex) CloseHandle(mutex);
    if (!taken) return false;  // no mutex at all: run rather than refuse to

    if (HWND window = FindWindowW(nullptr, title.c_str())) {
        if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
    return true;
}

}  // namespace zt::platform_windows

#include "platform/windows/WindowsUnitLocks.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "host/windows/WideText.h"
#include "platform/UsbPortName.h"

namespace zt::platform_windows {

namespace {

// Object names may be up to MAX_PATH characters; leave room for the prefix.
constexpr size_t kMaxPortText = 200;

bool IsSafe(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
           c == '.' || c == '_' || c == '#' || c == '(' || c == ')';
}

uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// The system's text for an error code, in one line.
std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 && text ? std::wstring(text, length) : L"";
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    char code[16];
    std::snprintf(code, sizeof code, "error %lu", static_cast<unsigned long>(error));
    return message.empty() ? code : ToUtf8(message);
}

}  // namespace

WindowsUnitLocks::~WindowsUnitLocks() {
    std::lock_guard lock(mutex_);
    for (const auto& [port, handle] : held_) CloseHandle(handle);
}

std::wstring WindowsUnitLocks::ObjectName(const std::string& port) {
    std::string text;
    for (const char c : port) {
        if (IsSafe(c)) {
            text += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            text += escaped;
        }
    }
    if (text.size() > kMaxPortText) {
        char hash[24];
        std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(Fnv1a(port)));
        text = text.substr(0, kMaxPortText - 17) + hash;
    }
    // The machine-wide namespace: two operators logged on to one station
    // (fast user switching, a remote session beside the console) must not
    // write one unit at once, and a Local\\ name is seen only inside its own
    // session. A named object rather than a lock file in a machine-wide
    // folder, because the system drops it with its holder's last handle
    // however the holder ends, and it needs no folder that every user may
    // write. Creating a mutex there needs no privilege; another user's
    // object is refused to us (ERROR_ACCESS_DENIED), which TryClaim counts as
    // held.
    return L"Global\\zt51xx-mp-unit-" + std::wstring(text.begin(), text.end());
}

UnitClaim WindowsUnitLocks::TryClaim(const std::string& port) {
    if (!IsUsbPortName(port, PortNaming::LocationPath))
        return {ClaimOutcome::CannotLock, NotAPortNameReason(port)};
    std::lock_guard lock(mutex_);
    if (held_.count(port)) return {ClaimOutcome::Held};
    const std::wstring name = ObjectName(port);
    const HANDLE object = CreateMutexW(nullptr, FALSE, name.c_str());
    if (object == nullptr) {
        const DWORD error = GetLastError();
        // The object is there but we may not open it: another user's job
        // made it, and holds the unit.
        if (error == ERROR_ACCESS_DENIED) return {ClaimOutcome::Held};
        // Anything else (the name taken by an object of another kind, no
        // resources) says nothing about another job.
        return {ClaimOutcome::CannotLock,
                "cannot create the lock object " + ToUtf8(name) + ": " + SystemMessage(error)};
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(object);
        return {ClaimOutcome::Held};
    }
    held_[port] = object;
    return {ClaimOutcome::Claimed};
}

void WindowsUnitLocks::Release(const std::string& port) {
    std::lock_guard lock(mutex_);
    const auto it = held_.find(port);
    if (it == held_.end()) return;
    CloseHandle(it->second);
    held_.erase(it);
}

}  // namespace zt::platform_windows

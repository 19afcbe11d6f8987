#include "platform/windows/WindowsUnitLocks.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

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
    return L"Local\\zt51xx-mp-unit-" + std::wstring(text.begin(), text.end());
}

bool WindowsUnitLocks::TryClaim(const std::string& port) {
    std::lock_guard lock(mutex_);
    if (held_.count(port)) return false;
    const HANDLE object = CreateMutexW(nullptr, FALSE, ObjectName(port).c_str());
    // No object at all (for example the name is taken by an object of another
    // kind or another user's, which we may not open): the port is not ours.
    if (object == nullptr) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(object);
        return false;
    }
    held_[port] = object;
    return true;
}

void WindowsUnitLocks::Release(const std::string& port) {
    std::lock_guard lock(mutex_);
    const auto it = held_.find(port);
    if (it == held_.end()) return;
    CloseHandle(it->second);
    held_.erase(it);
}

}  // namespace zt::platform_windows

#include "platform/windows/WindowsAudioFilterBackend.h"

#include <windows.h>
// SetupAPI needs the types windows.h declares.
#include <setupapi.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "host/windows/WideText.h"
#include "platform/windows/DeviceInterfaceList.h"
#include "platform/windows/UsbLocationPath.h"

namespace zt::platform_windows {

namespace {

// KSCATEGORY_AUDIO, {6994AD04-93EF-11D0-A3CC-00A0C9223196}.
constexpr GUID kAudioCategory = {
    0x6994AD04, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
// IOCTL_KS_PROPERTY: CTL_CODE(FILE_DEVICE_KS, 0, METHOD_NEITHER, FILE_ANY_ACCESS).
constexpr DWORD kIoctlKsProperty = 0x002F0003;

// The device instance ID of the first present audio device whose driver
// service is `service` (ignoring case) and, when `port` is given, whose USB
// device is at that port; "" when there is none.
std::wstring FindAudioDeviceInstance(const std::wstring& service, const std::string& port) {
    HDEVINFO set =
        SetupDiGetClassDevsW(&kAudioCategory, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return {};
    std::wstring instance;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiEnumDeviceInfo(set, index, &device)) break;
        wchar_t name[128] = {};
        if (!SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_SERVICE, nullptr,
                                               reinterpret_cast<BYTE*>(name), sizeof name - sizeof(wchar_t),
                                               nullptr))
            continue;
        if (CompareStringOrdinal(name, -1, service.c_str(), -1, TRUE) != CSTR_EQUAL) continue;
        if (!port.empty()) {
            const std::string at = UsbPortOfDeviceNode(device.DevInst);
            if (!at.empty() && at != port) continue;
        }
        DWORD needed = 0;
        SetupDiGetDeviceInstanceIdW(set, &device, nullptr, 0, &needed);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) break;
        std::vector<wchar_t> id(needed + 1, L'\0');
        if (SetupDiGetDeviceInstanceIdW(set, &device, id.data(), needed, nullptr)) instance = id.data();
        break;
    }
    SetupDiDestroyDeviceInfoList(set);
    return instance;
}

}  // namespace

WindowsAudioFilterBackend::WindowsAudioFilterBackend() = default;

WindowsAudioFilterBackend::~WindowsAudioFilterBackend() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [handle, file] : files_) CloseHandle(file);
    files_.clear();
}

Handle WindowsAudioFilterBackend::Open(const std::string& serviceName) { return OpenAtPort(serviceName, ""); }

Handle WindowsAudioFilterBackend::OpenAtPort(const std::string& serviceName, const std::string& port) {
    if (serviceName.empty()) return kInvalidHandle;
    const std::wstring instance = FindAudioDeviceInstance(ToWide(serviceName), port);
    if (instance.empty()) return kInvalidHandle;
    const auto paths = ListDeviceInterfacePaths(kAudioCategory, instance.c_str(), false);
    if (paths.empty()) return kInvalidHandle;
    const HANDLE file = CreateFileW(paths.front().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kInvalidHandle;
    std::lock_guard<std::mutex> lock(mutex_);
    const Handle handle = nextHandle_++;
    files_.emplace(handle, file);
    return handle;
}

bool WindowsAudioFilterBackend::SendProperty(Handle handle, const uint8_t (&frame)[48], uint8_t (&reply)[4],
                                             uint32_t& replyLength) {
    replyLength = 0;
    HANDLE file = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = files_.find(handle);
        if (it == files_.end()) return false;
        file = it->second;
    }
    // The driver reads the frame in place; it is not ours to change.
    uint8_t request[48];
    std::copy(std::begin(frame), std::end(frame), request);
    uint8_t answer[4] = {0, 0, 0, 0};
    DWORD returned = 0;
    if (!DeviceIoControl(file, kIoctlKsProperty, request, sizeof request, answer, sizeof answer, &returned,
                         nullptr))
        return false;
    replyLength = std::min<DWORD>(returned, sizeof answer);
    std::copy(answer, answer + replyLength, reply);
    return true;
}

void WindowsAudioFilterBackend::Close(Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = files_.find(handle);
    if (it == files_.end()) return;
    CloseHandle(it->second);
    files_.erase(it);
}

}  // namespace zt::platform_windows

#include "platform/windows/WindowsHidBackend.h"

#include <windows.h>
// The HID headers rely on the types windows.h declares; mingw's lack the C
// linkage of their functions. hidsdi.h brings hidusage.h and hidpi.h in order.
extern "C" {
#include <hidsdi.h>
}

#include "host/windows/WideText.h"
#include "platform/windows/DeviceInterfaceList.h"
#include "platform/windows/UsbLocationPath.h"

namespace zt::platform_windows {

struct WindowsHidBackend::Device {
    Device(HANDLE f, HANDLE e) : file(f), readEvent(e) {}
    ~Device() {
        CloseHandle(file);
        if (readEvent) CloseHandle(readEvent);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    HANDLE file;
    HANDLE readEvent;  // manual reset; only on the reading handle
};

WindowsHidBackend::WindowsHidBackend() = default;
WindowsHidBackend::~WindowsHidBackend() = default;

std::vector<std::string> WindowsHidBackend::ListInterfaces() {
    GUID hidClass;
    HidD_GetHidGuid(&hidClass);
    std::vector<std::string> paths;
    for (const std::wstring& path : ListDeviceInterfacePaths(hidClass)) paths.push_back(ToUtf8(path));
    return paths;
}

Handle WindowsHidBackend::Open(const std::string& path, bool forReading) {
    const HANDLE file =
        CreateFileW(ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, forReading ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kInvalidHandle;
    HANDLE event = nullptr;
    if (forReading) {
        event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!event) {
            CloseHandle(file);
            return kInvalidHandle;
        }
    }
    auto device = std::make_shared<Device>(file, event);
    std::lock_guard<std::mutex> lock(mutex_);
    const Handle handle = nextHandle_++;
    devices_.emplace(handle, std::move(device));
    return handle;
}

bool WindowsHidBackend::GetAttributes(Handle handle, uint16_t& vendorId, uint16_t& productId) {
    const auto device = Find(handle);
    if (!device) return false;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!HidD_GetAttributes(device->file, &attributes)) return false;
    vendorId = attributes.VendorID;
    productId = attributes.ProductID;
    return true;
}

bool WindowsHidBackend::GetCaps(Handle handle, uint16_t& inputReportLength, uint16_t& outputReportLength) {
    const auto device = Find(handle);
    if (!device) return false;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(device->file, &preparsed)) return false;
    HIDP_CAPS caps{};
    const bool ok = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
    HidD_FreePreparsedData(preparsed);
    if (!ok) return false;
    inputReportLength = caps.InputReportByteLength;
    outputReportLength = caps.OutputReportByteLength;
    return true;
}

int WindowsHidBackend::Write(Handle handle, const uint8_t* data, size_t length) {
    const auto device = Find(handle);
    if (!device || data == nullptr || length == 0 || device->readEvent) return -1;
    DWORD written = 0;
    if (!WriteFile(device->file, data, static_cast<DWORD>(length), &written, nullptr)) return -1;
    return static_cast<int>(written);
}

int WindowsHidBackend::Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) {
    const auto device = Find(handle);
    if (!device || !device->readEvent || buffer == nullptr || length == 0) return 0;

    OVERLAPPED overlapped{};
    overlapped.hEvent = device->readEvent;
    ResetEvent(device->readEvent);
    DWORD got = 0;
    if (!ReadFile(device->file, buffer, static_cast<DWORD>(length), nullptr, &overlapped) &&
        GetLastError() != ERROR_IO_PENDING)
        return 0;  // the read did not start: unplugged, or the handle is gone

    const DWORD waited = WaitForSingleObject(device->readEvent, timeoutMs);
    if (waited == WAIT_OBJECT_0) {
        if (!GetOverlappedResult(device->file, &overlapped, &got, FALSE)) return 0;
        return got > 0 ? static_cast<int>(got) : 0;
    }
    // Cancel and wait for the cancel to land: until then the driver may still
    // write into `buffer`, which the caller reuses as soon as we return.
    CancelIoEx(device->file, &overlapped);
    const bool completed = GetOverlappedResult(device->file, &overlapped, &got, TRUE);
    if (waited != WAIT_TIMEOUT) return 0;
    // A report that came in while we cancelled is a report, not a time-out.
    return completed && got > 0 ? static_cast<int>(got) : -1;
}

void WindowsHidBackend::Close(Handle handle) {
    std::shared_ptr<Device> device;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = devices_.find(handle);
        if (it == devices_.end()) return;
        device = std::move(it->second);
        devices_.erase(it);
    }
    // The handle closes when the last user lets go of the device.
}

std::string WindowsHidBackend::PortOf(const std::string& path) { return UsbPortOfInterface(ToWide(path)); }

std::shared_ptr<WindowsHidBackend::Device> WindowsHidBackend::Find(Handle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(handle);
    return it == devices_.end() ? nullptr : it->second;
}

}  // namespace zt::platform_windows

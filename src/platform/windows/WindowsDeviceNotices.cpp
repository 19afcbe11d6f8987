#include "platform/windows/WindowsDeviceNotices.h"

#include <windows.h>
// dbt.h needs the types windows.h declares.
#include <dbt.h>
#include <initguid.h>
#include <usbiodef.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <future>
#include <map>
#include <thread>

#include "platform/windows/DeviceInterfaceList.h"
#include "platform/windows/UsbLocationPath.h"
#include "platform/windows/WideText.h"

namespace zt::platform_windows {

namespace {

constexpr wchar_t kWindowClass[] = L"zt51xx-mp device notices";

}  // namespace

bool WindowsDeviceNotices::MakeNotice(uintptr_t event, const void* record, size_t recordBytes,
                                      uint32_t& eventCode, DeviceBroadcast& notice) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return false;
    if (record == nullptr || recordBytes < sizeof(DEV_BROADCAST_HDR)) return false;
    DEV_BROADCAST_HDR header;
    std::memcpy(&header, record, sizeof header);
    if (header.dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
    // The name runs to the terminating NUL, but never past the record's own
    // size nor past what we may read.
    const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    const size_t size = std::min<size_t>(header.dbch_size, recordBytes);
    if (size <= nameOffset) return false;
    const size_t maxChars = (size - nameOffset) / sizeof(wchar_t);
    std::wstring name(maxChars, L'\0');
    std::memcpy(name.data(), static_cast<const uint8_t*>(record) + nameOffset, maxChars * sizeof(wchar_t));
    name.resize(std::wcslen(name.c_str()));

    eventCode = static_cast<uint32_t>(event);
    notice.deviceType = kDbtDevtypDeviceInterface;
    notice.devicePath = ToUtf8(name);
    return true;
}

class WindowsDeviceNotices::Watch {
public:
    explicit Watch(DeviceNoticeRecipient& recipient) : recipient_(recipient) {}

    ~Watch() {
        if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (thread_.joinable()) thread_.join();
    }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    // Starts the thread; true once its window is registered for notices.
    bool Start() {
        std::promise<HWND> ready;
        auto started = ready.get_future();
        thread_ = std::thread([this, &ready] { Run(ready); });
        window_ = started.get();
        return window_ != nullptr;
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Watch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
            case WM_DEVICECHANGE: {
                uint32_t eventCode = 0;
                DeviceBroadcast notice;
                const auto* record = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
                if (self && record && MakeNotice(wParam, record, record->dbch_size, eventCode, notice)) {
                    notice.port = self->PortOf(notice.devicePath, eventCode == DBT_DEVICEARRIVAL);
                    self->recipient_.PostDeviceChange(eventCode, notice);
                }
                return TRUE;
            }
            case WM_CLOSE:
                DestroyWindow(window);
                return 0;
            case WM_DESTROY:
                if (self && self->registration_) UnregisterDeviceNotification(self->registration_);
                PostQuitMessage(0);
                return 0;
            default:
                return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    // A removed device's node may no longer tell its location, so the port of
    // every device seen present is kept until its removal. Only this watch's
    // thread touches the table.
    void RememberPresentDevices() {
        for (const std::wstring& path : ListDeviceInterfacePaths(GUID_DEVINTERFACE_USB_DEVICE))
            ports_[UpperCase(path)] = UsbPortOfInterface(path);
    }

    std::string PortOf(const std::string& devicePath, bool arrival) {
        const std::wstring path = ToWide(devicePath);
        const std::wstring key = UpperCase(path);
        if (arrival) return ports_[key] = UsbPortOfInterface(path);
        const auto it = ports_.find(key);
        if (it == ports_.end()) return UsbPortOfInterface(path);
        std::string port = std::move(it->second);
        ports_.erase(it);
        return port;
    }

    void Run(std::promise<HWND>& ready) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Watch::WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        RegisterClassExW(&windowClass);  // fails harmlessly when already registered
        HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      windowClass.hInstance, nullptr);
        if (!window) {
            ready.set_value(nullptr);
            return;
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
        registration_ = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (!registration_) {
            DestroyWindow(window);
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
            ready.set_value(nullptr);
            return;
        }
        RememberPresentDevices();
        ready.set_value(window);

        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    }

    DeviceNoticeRecipient& recipient_;
    HDEVNOTIFY registration_ = nullptr;
    std::map<std::wstring, std::string> ports_;  // upper-case interface path -> port
    HWND window_ = nullptr;
    std::thread thread_;
};

WindowsDeviceNotices::WindowsDeviceNotices() = default;

WindowsDeviceNotices::~WindowsDeviceNotices() {
    std::lock_guard<std::mutex> lock(mutex_);
    watches_.clear();
}

uintptr_t WindowsDeviceNotices::Register(DeviceNoticeRecipient& recipient) {
    auto watch = std::make_unique<Watch>(recipient);
    if (!watch->Start()) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    const uintptr_t registration = nextRegistration_++;
    watches_.emplace(registration, std::move(watch));
    return registration;
}

void WindowsDeviceNotices::Unregister(uintptr_t registration) {
    std::unique_ptr<Watch> watch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = watches_.find(registration);
        if (it == watches_.end()) return;
        watch = std::move(it->second);
        watches_.erase(it);
    }
    watch.reset();  // closes the window and joins the thread outside the lock
}

}  // namespace zt::platform_windows

#include "platform/windows/WindowsDeviceNotices.h"

#include <windows.h>
// dbt.h needs the types windows.h declares.
#include <dbt.h>
#include <initguid.h>
// Included after initguid.h, so that their interface class GUIDs are defined here.
#include <hidclass.h>
#include <usbiodef.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <future>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "host/windows/WideText.h"
#include "platform/windows/DeviceInterfaceList.h"
#include "platform/windows/UnitNoticeFilter.h"
#include "platform/windows/UsbLocationPath.h"

namespace zt::platform_windows {

namespace {

constexpr wchar_t kWindowClass[] = L"zt51xx-mp device notices";

// USB device interfaces, which real Windows announces first, and HID
// interfaces, the only ones some systems announce (Wine's HID stack).
const GUID* const kInterfaceClasses[] = {&GUID_DEVINTERFACE_USB_DEVICE, &GUID_DEVINTERFACE_HID};

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Four hexadecimal digits at `at`, or false.
bool ReadHexId(const std::wstring& text, size_t at, uint16_t& id) {
    if (at + 4 > text.size()) return false;
    unsigned value = 0;
    for (size_t i = at; i < at + 4; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    id = static_cast<uint16_t>(value);
    return true;
}

// A USB device's interface path names its IDs as "USB#VID_xxxx&PID_yyyy" in
// any letter case ("\\?\usb#vid_3c4d&pid_7351#5&2a3c1b7&0&2#{a5dcbf10-...}"),
// a HID interface of a USB device as "HID#VID_xxxx&PID_yyyy"
// ("\\?\hid#vid_3c4d&pid_7351&mi_01#7&1f2e3d4c&0&0000#{4d1e55b2-...}");
// the first such text wins.
bool ParseUsbDeviceIds(const std::wstring& path, uint16_t& vendorId, uint16_t& productId) {
    static constexpr std::wstring_view kVid = L"#VID_", kPid = L"&PID_";
    const std::wstring text = UpperCase(path);
    for (size_t at = text.find(kVid); at != std::wstring::npos; at = text.find(kVid, at + 1)) {
        if (at < 3 || (text.compare(at - 3, 3, L"USB") != 0 && text.compare(at - 3, 3, L"HID") != 0))
            continue;
        const size_t vid = at + kVid.size();
        const size_t pid = vid + 4 + kPid.size();
        uint16_t v = 0, p = 0;
        if (ReadHexId(text, vid, v) && text.compare(vid + 4, kPid.size(), kPid) == 0 &&
            ReadHexId(text, pid, p)) {
            vendorId = v;
            productId = p;
            return true;
        }
    }
    return false;
}

}  // namespace

bool WindowsDeviceNotices::MakeNotice(uintptr_t event, const void* record, size_t recordBytes,
                                      DeviceNotice& notice) {
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

    if (!ParseUsbDeviceIds(name, notice.vendorId, notice.productId)) return false;
    notice.kind = event == DBT_DEVICEARRIVAL ? DeviceNotice::Kind::Arrival : DeviceNotice::Kind::Removal;
    notice.node = ToUtf8(name);
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
                DeviceNotice notice;
                const auto* record = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
                if (self && record && MakeNotice(wParam, record, record->dbch_size, notice)) {
                    notice.port = self->PortOf(notice.node, notice.kind == DeviceNotice::Kind::Arrival);
                    if (self->filter_.Pass(notice)) self->recipient_.PostDeviceChange(notice);
                }
                return TRUE;
            }
            case WM_CLOSE:
                DestroyWindow(window);
                return 0;
            case WM_DESTROY:
                if (self)
                    for (HDEVNOTIFY registration : self->registrations_)
                        UnregisterDeviceNotification(registration);
                PostQuitMessage(0);
                return 0;
            default:
                return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    // A removed device's node may no longer tell its location, so the port of
    // every interface seen present is kept until its removal; the filter
    // counts the units present now. Only this watch's thread touches them.
    void RememberPresentDevices() {
        for (const GUID* interfaceClass : kInterfaceClasses) {
            for (const std::wstring& path : ListDeviceInterfacePaths(*interfaceClass)) {
                DeviceNotice notice;
                notice.node = ToUtf8(path);
                if (!ParseUsbDeviceIds(path, notice.vendorId, notice.productId)) continue;
                notice.port = ports_[UpperCase(path)] = UsbPortOfInterface(path);
                filter_.Present(notice);
            }
        }
    }

    std::string PortOf(const std::string& interfacePath, bool arrival) {
        const std::wstring path = ToWide(interfacePath);
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

        for (const GUID* interfaceClass : kInterfaceClasses) {
            DEV_BROADCAST_DEVICEINTERFACE_W filter{};
            filter.dbcc_size = sizeof filter;
            filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            filter.dbcc_classguid = *interfaceClass;
            if (HDEVNOTIFY registration =
                    RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE))
                registrations_.push_back(registration);
        }
        if (registrations_.empty()) {
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
    std::vector<HDEVNOTIFY> registrations_;  // one per class that could be registered
    UnitNoticeFilter filter_;
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

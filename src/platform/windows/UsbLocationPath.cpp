#include "platform/windows/UsbLocationPath.h"

#include <devpropdef.h>
#include <setupapi.h>

#include <cwctype>
#include <vector>

#include "host/windows/WideText.h"

namespace zt::platform_windows {

namespace {

// HID collection, USB interface, USB device: a few levels at most; the bound
// only guards against a tree that loops.
constexpr int kMaxClimb = 16;

// DEVPKEY_Device_LocationPaths and DEVPKEY_Device_LocationInfo, written out
// here: the system headers define them only for the one file that includes
// them first with initguid.h.
constexpr GUID kDeviceProperties = {
    0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}};
constexpr DEVPROPKEY kLocationPaths = {kDeviceProperties, 37};
constexpr DEVPROPKEY kLocationInfo = {kDeviceProperties, 15};

bool IsDigits(std::wstring_view text) {
    if (text.empty()) return false;
    for (const wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    return true;
}

// "…#USB(n)", n in decimal.
bool NamesUsbDevice(std::wstring_view path) {
    const size_t hash = path.rfind(L'#');
    const std::wstring_view last = hash == std::wstring_view::npos ? path : path.substr(hash + 1);
    if (last.size() < 6 || last.substr(0, 4) != L"USB(" || last.back() != L')') return false;
    return IsDigits(last.substr(4, last.size() - 5));
}

// "Port_#dddd.Hub_#dddd", as the hub driver names the port it enumerated.
bool IsHubLocationText(std::wstring_view text) {
    constexpr std::wstring_view kPort = L"Port_#";
    constexpr std::wstring_view kHub = L".Hub_#";
    if (text.size() != kPort.size() + 4 + kHub.size() + 4) return false;
    return text.substr(0, kPort.size()) == kPort && IsDigits(text.substr(kPort.size(), 4)) &&
           text.substr(kPort.size() + 4, kHub.size()) == kHub && IsDigits(text.substr(text.size() - 4));
}

std::wstring StringProperty(DEVINST node, const DEVPROPKEY& key, bool list) {
    DEVPROPTYPE type = 0;
    ULONG bytes = 0;
    if (CM_Get_DevNode_PropertyW(node, &key, &type, nullptr, &bytes, 0) != CR_BUFFER_SMALL || bytes == 0 ||
        bytes > 64 * 1024)
        return {};
    if (type != (list ? DEVPROP_TYPE_STRING_LIST : DEVPROP_TYPE_STRING)) return {};
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 2, L'\0');
    if (CM_Get_DevNode_PropertyW(node, &key, &type, reinterpret_cast<PBYTE>(text.data()), &bytes, 0) !=
        CR_SUCCESS)
        return {};
    return FirstOfStringList(text.data(), text.size());
}

}  // namespace

std::wstring FirstOfStringList(const wchar_t* list, size_t chars) {
    if (list == nullptr) return {};
    size_t length = 0;
    while (length < chars && list[length] != L'\0') ++length;
    return std::wstring(list, length);
}

std::optional<std::wstring> PortOfNode(std::wstring_view firstLocationPath, std::wstring_view locationText) {
    if (!firstLocationPath.empty()) {
        if (NamesUsbDevice(firstLocationPath)) return std::wstring(firstLocationPath);
        return std::nullopt;
    }
    if (IsHubLocationText(locationText)) return std::wstring(locationText);
    return std::nullopt;
}

std::string UsbPortOfDeviceNode(DEVINST node) {
    for (int level = 0; level < kMaxClimb; ++level) {
        const auto port = PortOfNode(StringProperty(node, kLocationPaths, true),
                                     StringProperty(node, kLocationInfo, false));
        if (port) return ToUtf8(*port);
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) break;
        node = parent;
    }
    return "";
}

std::string UsbPortOfInterface(const std::wstring& interfacePath) {
    if (interfacePath.empty()) return "";
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) return "";
    std::string port;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (SetupDiOpenDeviceInterfaceW(set, interfacePath.c_str(), 0, &interfaceData)) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        DWORD needed = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &needed, nullptr);
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER &&
            needed >= sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
            std::vector<uint8_t> detail(needed, 0);
            auto* d = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detail.data());
            d->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
            if (SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, d, needed, nullptr, &device))
                port = UsbPortOfDeviceNode(device.DevInst);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return port;
}

std::map<std::wstring, DEVINST> DeviceNodesByDriverKey() {
    std::map<std::wstring, DEVINST> nodes;
    HDEVINFO set = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return nodes;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiEnumDeviceInfo(set, index, &device)) break;
        wchar_t key[256] = {};
        if (!SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_DRIVER, nullptr,
                                               reinterpret_cast<BYTE*>(key), sizeof key - sizeof(wchar_t),
                                               nullptr))
            continue;
        nodes.emplace(UpperCase(key), device.DevInst);
    }
    SetupDiDestroyDeviceInfoList(set);
    return nodes;
}

std::wstring UpperCase(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

}  // namespace zt::platform_windows

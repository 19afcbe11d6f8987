#include "platform/windows/DeviceInterfaceList.h"

#include <setupapi.h>

#include <vector>

namespace zt::platform_windows {

std::vector<std::wstring> ListDeviceInterfacePaths(const GUID& interfaceClass, const wchar_t* enumerator,
                                                   bool presentOnly) {
    std::vector<std::wstring> paths;
    const DWORD flags = DIGCF_DEVICEINTERFACE | (presentOnly ? DIGCF_PRESENT : 0);
    HDEVINFO set = SetupDiGetClassDevsW(&interfaceClass, enumerator, nullptr, flags);
    if (set == INVALID_HANDLE_VALUE) return paths;

    std::vector<uint8_t> detail;
    // The same bound as the HID enumeration of the core: 256 interfaces.
    for (DWORD index = 0; index < 256; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &interfaceClass, index, &data)) {
            if (GetLastError() == ERROR_NO_MORE_ITEMS) break;
            continue;
        }
        DWORD needed = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &needed, nullptr);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
            continue;
        detail.assign(needed, 0);
        auto* d = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detail.data());
        d->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &data, d, needed, nullptr, nullptr)) continue;
        paths.emplace_back(d->DevicePath);
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

}  // namespace zt::platform_windows

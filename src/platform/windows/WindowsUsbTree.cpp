#include "platform/windows/WindowsUsbTree.h"

#include <windows.h>
// The USB headers need the types windows.h declares.
#include <initguid.h>
#include <usbioctl.h>
#include <usbiodef.h>
// mingw's HID headers lack the C linkage of their functions.
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/windows/WideText.h"
#include "platform/windows/DeviceInterfaceList.h"
#include "platform/windows/UsbHubRecords.h"
#include "platform/windows/UsbLocationPath.h"

namespace zt::platform_windows {

namespace {

// The readers of UsbHubRecords work on the packed layout of usbioctl.h.
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor) == 4);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, Speed) == 23);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceIsHub) == 24);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, ConnectionStatus) == 31);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION, ConnectionStatus) == 31);
static_assert(offsetof(USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts) == 6);
static_assert(offsetof(USB_NODE_CONNECTION_NAME, NodeName) == 8);
static_assert(offsetof(USB_ROOT_HUB_NAME, RootHubName) == 4);

// USB allows five hubs between a device and its root hub; a driver that
// reports deeper nesting is not followed further.
constexpr int kMaxHubDepth = 8;
constexpr size_t kPipeEntries = 30;

class FileHandle {
public:
    explicit FileHandle(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr)) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool Query(HANDLE device, DWORD code, std::vector<uint8_t>& buffer, DWORD& returned) {
    returned = 0;
    return DeviceIoControl(device, code, buffer.data(), static_cast<DWORD>(buffer.size()), buffer.data(),
                           static_cast<DWORD>(buffer.size()), &returned, nullptr) != FALSE;
}

// A name in the drivers' two-call pattern: a short query for the size, then
// the full one. `prefix` holds the input (a connection index), the size and the
// name follow it. Empty when either call fails.
std::wstring QueryName(HANDLE device, DWORD code, std::vector<uint8_t> request, size_t lengthOffset) {
    const size_t nameOffset = lengthOffset + 4;
    // The drivers want room for the whole record with a one-character name.
    request.resize(nameOffset + 4, 0);
    DWORD returned = 0;
    if (!Query(device, code, request, returned)) return {};
    const uint32_t needed = ParseNeededLength(request.data(), returned, lengthOffset);
    if (needed <= request.size() || needed > 64 * 1024) return {};
    request.resize(needed, 0);
    if (!Query(device, code, request, returned)) return {};
    const std::u16string name = ParseDriverName(request.data(), returned, nameOffset);
    return std::wstring(name.begin(), name.end());
}

std::vector<uint8_t> ConnectionIndexRequest(ULONG port) {
    std::vector<uint8_t> request(sizeof(ULONG));
    std::memcpy(request.data(), &port, sizeof port);
    return request;
}

using NodesByDriverKey = std::map<std::wstring, DEVINST>;

// The hub knows which device sits on its port only by the device's driver
// key; the device node with that key has the location path that the HID list
// and the notices report for the same device.
std::string PortOfConnection(HANDLE hub, ULONG port, const NodesByDriverKey& nodes) {
    const std::wstring key =
        QueryName(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, ConnectionIndexRequest(port), 4);
    if (key.empty()) return "";
    const auto it = nodes.find(UpperCase(key));
    return it == nodes.end() ? "" : UsbPortOfDeviceNode(it->second);
}

void WalkHub(const std::wstring& hubName, int depth, const NodesByDriverKey& nodes,
             std::vector<UsbDeviceEntry>& devices) {
    if (hubName.empty() || depth > kMaxHubDepth) return;
    FileHandle hub(L"\\\\.\\" + hubName);
    if (!hub.valid()) return;

    std::vector<uint8_t> node(sizeof(USB_NODE_INFORMATION), 0);
    DWORD returned = 0;
    if (!Query(hub.get(), IOCTL_USB_GET_NODE_INFORMATION, node, returned)) return;
    const auto portCount = ParseHubPortCount(node.data(), returned);
    if (!portCount) return;

    for (ULONG port = 1; port <= *portCount; ++port) {
        std::vector<uint8_t> info(
            sizeof(USB_NODE_CONNECTION_INFORMATION_EX) + kPipeEntries * sizeof(USB_PIPE_INFO), 0);
        std::memcpy(info.data(), &port, sizeof port);
        bool extended = true;
        if (!Query(hub.get(), IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, info, returned)) {
            std::fill(info.begin(), info.end(), 0);
            std::memcpy(info.data(), &port, sizeof port);
            if (!Query(hub.get(), IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, info, returned)) continue;
            extended = false;
        }
        const auto connection = ParseNodeConnection(info.data(), returned, extended);
        if (!connection || !connection->connected) continue;
        devices.push_back(connection->device);
        devices.back().port = PortOfConnection(hub.get(), port, nodes);
        if (connection->device.isHub) {
            const std::wstring child =
                QueryName(hub.get(), IOCTL_USB_GET_NODE_CONNECTION_NAME, ConnectionIndexRequest(port), 4);
            WalkHub(child, depth + 1, nodes, devices);
        }
    }
}

void WalkController(const std::wstring& path, std::set<std::wstring>& walked, const NodesByDriverKey& nodes,
                    std::vector<UsbDeviceEntry>& devices) {
    FileHandle controller(path);
    if (!controller.valid()) return;
    const std::wstring driverKey = QueryName(controller.get(), IOCTL_GET_HCD_DRIVERKEY_NAME, {}, 0);
    if (driverKey.empty() || !walked.insert(driverKey).second) return;
    const std::wstring rootHub = QueryName(controller.get(), IOCTL_USB_GET_ROOT_HUB_NAME, {}, 0);
    WalkHub(rootHub, 0, nodes, devices);
}

// The present HID interfaces as the HID class driver describes their devices:
// IDs and release number (VersionNumber is the device descriptor's bcdDevice).
std::vector<UsbDeviceEntry> DevicesOfHidInterfaces() {
    GUID hidClass;
    HidD_GetHidGuid(&hidClass);
    std::vector<UsbDeviceEntry> devices;
    for (const std::wstring& path : ListDeviceInterfacePaths(hidClass)) {
        // No access asked: the attributes need none, and the device may be
        // open for writing elsewhere.
        const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof attributes;
        const bool read = HidD_GetAttributes(file, &attributes);
        CloseHandle(file);
        if (!read) continue;
        UsbDeviceEntry device;
        device.vendorId = attributes.VendorID;
        device.productId = attributes.ProductID;
        device.bcdDevice = attributes.VersionNumber;
        device.port = UsbPortOfInterface(path);
        devices.push_back(std::move(device));
    }
    return devices;
}

}  // namespace

void WindowsUsbTree::AddDevicesTheWalkMissed(std::vector<UsbDeviceEntry>& walked,
                                             const std::vector<UsbDeviceEntry>& fromHid) {
    const size_t walkedCount = walked.size();
    for (const UsbDeviceEntry& device : fromHid) {
        // Already there: the same IDs on the same port, or where either port
        // is unknown, the same IDs at all (they may well be one device).
        const auto same = [&](const UsbDeviceEntry& other) {
            return other.vendorId == device.vendorId && other.productId == device.productId &&
                   (other.port == device.port || other.port.empty() || device.port.empty());
        };
        if (std::any_of(walked.begin(), walked.begin() + static_cast<std::ptrdiff_t>(walkedCount), same))
            continue;
        // A device of several HID interfaces is one device.
        if (std::any_of(walked.begin() + static_cast<std::ptrdiff_t>(walkedCount), walked.end(),
                        [&](const auto& other) {
                            return other.vendorId == device.vendorId && other.productId == device.productId &&
                                   other.port == device.port;
                        }))
            continue;
        walked.push_back(device);
    }
}

std::vector<UsbDeviceEntry> WindowsUsbTree::ListDevices() {
    std::vector<UsbDeviceEntry> devices;
    std::set<std::wstring> walked;
    const NodesByDriverKey nodes = DeviceNodesByDriverKey();
    for (int n = 0; n < 10; ++n) WalkController(L"\\\\.\\HCD" + std::to_wstring(n), walked, nodes, devices);
    for (const std::wstring& path : ListDeviceInterfacePaths(GUID_DEVINTERFACE_USB_HOST_CONTROLLER))
        WalkController(path, walked, nodes, devices);
    // Systems without the hub drivers' queries (Wine) walk nothing; a device
    // the HID class driver presents is still described by its attributes.
    AddDevicesTheWalkMissed(devices, DevicesOfHidInterfaces());
    return devices;
}

}  // namespace zt::platform_windows

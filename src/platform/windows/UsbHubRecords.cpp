#include "platform/windows/UsbHubRecords.h"

namespace zt::platform_windows {

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// USB_NODE_CONNECTION_INFORMATION(_EX): ConnectionIndex (4), the 18-byte device
// descriptor, CurrentConfigurationValue (1), Speed or LowSpeed (1), DeviceIsHub
// (1), DeviceAddress (2), NumberOfOpenPipes (4), ConnectionStatus (4), pipes.
constexpr size_t kDescriptorOffset = 4;
constexpr size_t kSpeedOffset = 23;  // _EX: USB_DEVICE_SPEED; plain: the LowSpeed flag
constexpr uint8_t kUsbFullSpeed = 1, kUsbHighSpeed = 2;
constexpr size_t kDeviceIsHubOffset = 24;
constexpr size_t kConnectionStatusOffset = 31;
constexpr uint32_t kDeviceConnected = 1;

// USB_NODE_INFORMATION: NodeType (4), then the hub descriptor: bDescriptorLength,
// bDescriptorType, bNumberOfPorts.
constexpr size_t kNodeTypeOffset = 0;
constexpr size_t kPortCountOffset = 6;
constexpr uint32_t kUsbHub = 0;

}  // namespace

std::optional<NodeConnection> ParseNodeConnection(const uint8_t* bytes, size_t length, bool extended) {
    if (bytes == nullptr || length < kConnectionStatusOffset + 4) return std::nullopt;
    const uint8_t* descriptor = bytes + kDescriptorOffset;
    NodeConnection c;
    c.connected = Le32(bytes + kConnectionStatusOffset) == kDeviceConnected;
    c.device.vendorId = Le16(descriptor + 8);
    c.device.productId = Le16(descriptor + 10);
    c.device.bcdDevice = Le16(descriptor + 12);
    c.device.isHub = bytes[kDeviceIsHubOffset] != 0;
    if (extended && bytes[kSpeedOffset] == kUsbFullSpeed) c.device.link = UsbLink::Full;
    if (extended && bytes[kSpeedOffset] == kUsbHighSpeed) c.device.link = UsbLink::High;
    return c;
}

std::optional<uint8_t> ParseHubPortCount(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length <= kPortCountOffset) return std::nullopt;
    if (Le32(bytes + kNodeTypeOffset) != kUsbHub) return std::nullopt;
    return bytes[kPortCountOffset];
}

std::u16string ParseDriverName(const uint8_t* bytes, size_t length, size_t nameOffset) {
    std::u16string name;
    if (bytes == nullptr) return name;
    for (size_t at = nameOffset; at + 1 < length; at += 2) {
        const char16_t unit = static_cast<char16_t>(Le16(bytes + at));
        if (unit == 0) break;
        name.push_back(unit);
    }
    return name;
}

uint32_t ParseNeededLength(const uint8_t* bytes, size_t length, size_t lengthOffset) {
    if (bytes == nullptr || length < lengthOffset + 4) return 0;
    return Le32(bytes + lengthOffset);
}

}  // namespace zt::platform_windows

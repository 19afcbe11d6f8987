#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/UsbTree.h"

namespace zt::platform_windows {

// Readers of the records that the USB host-controller and hub drivers return,
// on the raw bytes as they come back from DeviceIoControl. The records are
// packed; the offsets are those of usbioctl.h.

// USB_NODE_CONNECTION_INFORMATION(_EX), which agree up to the connection
// status: the attached device's descriptor and whether the port holds a
// connected device. nullopt when the record is too short. Only the _EX
// record (`extended`) says whether the link runs at full or high speed; the
// plain one has a low-speed flag in that place, and leaves the link unknown.
struct NodeConnection {
    bool connected = false;
    UsbDeviceEntry device;
};
std::optional<NodeConnection> ParseNodeConnection(const uint8_t* bytes, size_t length, bool extended);

// bNumberOfPorts of the hub descriptor in USB_NODE_INFORMATION; nullopt when
// the record is too short or is not a hub's.
std::optional<uint8_t> ParseHubPortCount(const uint8_t* bytes, size_t length);

// The UTF-16 name of USB_ROOT_HUB_NAME and USB_HCD_DRIVERKEY_NAME (name at
// offset 4) or USB_NODE_CONNECTION_NAME (name at offset 8), up to its NUL and
// never past `length`, as UTF-16 code units.
std::u16string ParseDriverName(const uint8_t* bytes, size_t length, size_t nameOffset);

// The ActualLength a first, short query of a name reports: the size the full
// record needs. 0 when the reply is too short to hold it.
uint32_t ParseNeededLength(const uint8_t* bytes, size_t length, size_t lengthOffset);

}  // namespace zt::platform_windows

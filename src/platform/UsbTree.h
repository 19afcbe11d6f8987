#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zt {

// The speed a device runs its link at, where the system tells it: a ZT51xx
// answers with another device descriptor at full speed than at high speed.
enum class UsbLink { Unknown, Full, High };

// "full", "high", or "" when unknown.
inline const char* UsbLinkName(UsbLink link) {
    switch (link) {
        case UsbLink::Full:
            return "full";
        case UsbLink::High:
            return "high";
        case UsbLink::Unknown:
            break;
    }
    return "";
}

// One attached USB device as its device descriptor describes it.
struct UsbDeviceEntry {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0;
    bool isHub = false;
    std::string port;    // as HidBackend::PortOf names it; "" when unknown
    std::string serial;  // the serial-number string, "" when the device has none
    UsbLink link = UsbLink::Unknown;
};

// The attached USB devices, in the order a walk of host controllers and hubs
// visits them (controllers in order, hubs depth first, ports ascending).
// Blocking, caller's thread; an empty list when nothing can be read.
class UsbTree {
public:
    virtual ~UsbTree() = default;
    virtual std::vector<UsbDeviceEntry> ListDevices() = 0;
};

}  // namespace zt

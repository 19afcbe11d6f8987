#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zt {

// One attached USB device as its device descriptor describes it.
struct UsbDeviceEntry {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0;
    bool isHub = false;
    std::string port;    // as HidBackend::PortOf names it; "" when unknown
    std::string serial;  // the serial-number string, "" when the device has none
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

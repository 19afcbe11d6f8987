#include "device/DeviceAccess.h"

// Finds the device typed in the ID boxes among the attached USB devices and
// keeps its release number (bcdDevice) for the version text.
namespace zt {

Status DeviceAccess::FindDeviceInUsbTree() {
    usbDeviceFound_ = 0;
    versionRecord_.fill(0);

    const uint16_t wantedVendorId = deviceVendorId_.load();
    const uint16_t wantedProductId = deviceProductId_.load();
    // The exact pair, no mask and no other table rows; when several devices
    // match, the one the walk visits last supplies the release number.
    for (const UsbDeviceEntry& device : platform_.usb.ListDevices()) {
        if (device.vendorId != wantedVendorId || device.productId != wantedProductId) continue;
        versionRecord_[3] = static_cast<uint8_t>(device.bcdDevice >> 8);
        versionRecord_[4] = static_cast<uint8_t>(device.bcdDevice & 0xFF);
        usbDeviceFound_ = 1;
    }
    return usbDeviceFound_ ? kOk : kFail;
}

}  // namespace zt

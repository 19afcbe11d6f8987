#include "cli/KnownDeviceScan.h"

namespace zt::cli {

namespace {
// The core stops its own search after this many interfaces; so does the list.
constexpr size_t kMaxInterfaces = 256;
}  // namespace

std::vector<PresentDevice> FindKnownDevices(HidBackend& hid, const KnownDeviceTable& table,
                                            int* openFailures) {
    std::vector<PresentDevice> found;
    *openFailures = 0;
    const auto paths = hid.ListInterfaces();
    for (size_t i = 0; i < paths.size() && i < kMaxInterfaces; ++i) {
        const Handle handle = hid.Open(paths[i], false);
        if (!IsValidHandle(handle)) {
            ++*openFailures;
            continue;
        }
        uint16_t vendorId = 0, productId = 0;
        const bool known = hid.GetAttributes(handle, vendorId, productId);
        hid.Close(handle);
        if (!known) continue;
        for (const KnownDevice& row : table) {
            if (row.vendorId == 0) break;
            if (row.vendorId == vendorId && row.productId == productId) {
                PresentDevice device;
                device.vendorId = vendorId;
                device.productId = productId;
                device.path = paths[i];
                device.updater = IsUpdaterDevice(vendorId, productId);
                device.port = hid.PortOf(paths[i]);
                found.push_back(std::move(device));
                break;
            }
        }
    }
    return found;
}

void DescribeFromUsbTree(std::vector<PresentDevice>& devices, UsbTree& usb) {
    const auto entries = usb.ListDevices();
    for (PresentDevice& device : devices) {
        if (device.port.empty()) continue;
        for (const UsbDeviceEntry& entry : entries) {
            if (entry.isHub || entry.port != device.port) continue;
            device.bcdDevice = entry.bcdDevice;
            device.serial = entry.serial;
            device.described = true;
            break;
        }
    }
}

}  // namespace zt::cli

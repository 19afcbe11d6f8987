#include "sim/SimUsbTree.h"

#include "sim/SimBusState.h"

namespace zt::sim {

std::vector<UsbDeviceEntry> SimUsbTree::ListDevices() {
    std::lock_guard<std::mutex> lock(state_.mutex);
    std::vector<UsbDeviceEntry> devices;
    devices.push_back({kHubVendorId, kRootHubProductId, 0x0200, true, "usb1", "", UsbLink::High});
    devices.push_back({kHubVendorId, kExternalHubProductId, 0x0100, true, "1-1", ""});
    for (const auto& device : state_.order) {
        if (!device.isChip) {
            const auto& other = state_.others[static_cast<size_t>(device.index)];
            devices.push_back(
                {other.vendorId, other.productId, 0x0100, false, SimBus::State::OtherPort(device.index), ""});
            continue;
        }
        const auto& chip = state_.Chip(device.index);
        if (chip.plugged())
            devices.push_back({chip.vendorId(), chip.productId(), chip.bcdDevice(), false,
                               SimBus::State::ChipPort(device.index), chip.serial(),
                               chip.fullSpeedLink() ? UsbLink::Full : UsbLink::High});
    }
    return devices;
}

}  // namespace zt::sim

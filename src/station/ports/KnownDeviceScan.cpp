#include "station/ports/KnownDeviceScan.h"

#include <algorithm>

namespace zt::station {

namespace {

// The core stops its own search after this many interfaces; so does the list.
constexpr size_t kMaxInterfaces = 256;

bool InTable(const KnownDeviceTable& table, uint16_t vendorId, uint16_t productId) {
    for (const KnownDevice& row : table) {
        if (row.vendorId == 0) break;
        if (row.vendorId == vendorId && row.productId == productId) return true;
    }
    return false;
}

// FindKnownDevices, also naming the interfaces that could not be opened.
std::vector<PresentDevice> FindKnownDevices(HidBackend& hid, const KnownDeviceTable& table,
                                            std::vector<std::string>* unopened) {
    std::vector<PresentDevice> found;
    const auto paths = hid.ListInterfaces();
    for (size_t i = 0; i < paths.size() && i < kMaxInterfaces; ++i) {
        const Handle handle = hid.Open(paths[i], false);
        if (!IsValidHandle(handle)) {
            unopened->push_back(paths[i]);
            continue;
        }
        uint16_t vendorId = 0, productId = 0;
        const bool known = hid.GetAttributes(handle, vendorId, productId);
        hid.Close(handle);
        if (!known || !InTable(table, vendorId, productId)) continue;
        PresentDevice device;
        device.vendorId = vendorId;
        device.productId = productId;
        device.path = paths[i];
        device.updater = IsUpdaterDevice(vendorId, productId);
        device.port = hid.PortOf(paths[i]);
        found.push_back(std::move(device));
    }
    return found;
}

}  // namespace

std::vector<PresentDevice> FindKnownDevices(HidBackend& hid, const KnownDeviceTable& table,
                                            int* openFailures) {
    std::vector<std::string> unopened;
    auto found = FindKnownDevices(hid, table, &unopened);
    *openFailures = static_cast<int>(unopened.size());
    return found;
}

std::vector<PresentDevice> ScanUnits(HidBackend& hid, UsbTree& usb, const KnownDeviceTable& table,
                                     int* openFailures) {
    std::vector<std::string> unopened;
    auto units = FindKnownDevices(hid, table, &unopened);
    DescribeFromUsbTree(units, usb);
    *openFailures = 0;
    const auto entries = usb.ListDevices();
    for (const std::string& path : unopened) {
        const std::string port = hid.PortOf(path);
        const auto listed = [&](const PresentDevice& unit) { return !port.empty() && unit.port == port; };
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](const UsbDeviceEntry& e) {
            return !e.isHub && !port.empty() && e.port == port;
        });
        if (entry == entries.end() || !InTable(table, entry->vendorId, entry->productId) ||
            std::any_of(units.begin(), units.end(), listed)) {
            ++*openFailures;
            continue;
        }
        PresentDevice unit;
        unit.vendorId = entry->vendorId;
        unit.productId = entry->productId;
        unit.path = path;
        unit.updater = IsUpdaterDevice(entry->vendorId, entry->productId);
        unit.port = port;
        unit.bcdDevice = entry->bcdDevice;
        unit.serial = entry->serial;
        unit.described = true;
        unit.openable = false;
        units.push_back(std::move(unit));
    }
    return units;
}

std::optional<PresentDevice> UnitTheTableSelects(const std::vector<PresentDevice>& devices,
                                                 const KnownDeviceTable& table) {
    for (const KnownDevice& row : table) {
        if (row.vendorId == 0) break;
        for (const PresentDevice& device : devices)
            if (device.vendorId == row.vendorId && device.productId == row.productId) return device;
    }
    return std::nullopt;
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

}  // namespace zt::station

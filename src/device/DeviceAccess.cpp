#include "device/DeviceAccess.h"

#include <algorithm>

namespace zt {

DeviceAccess::DeviceAccess(const Platform& platform, CommandOwner& owner)
    : platform_(platform), owner_(owner), hidLink_(platform.hid, platform.clock) {
    // The link starts closed (handles -1, lengths 0); the filter handle -1.
}

DeviceAccess::~DeviceAccess() {
    const Handle filter = filterHandle_.exchange(kInvalidHandle);
    if (IsValidHandle(filter)) platform_.audio.Close(filter);
    std::lock_guard lock(linkMutex_);
    HidCloseHandles(hidLink_);
}

uint16_t DeviceAccess::OutputReportLength() {
    std::lock_guard lock(linkMutex_);
    return hidLink_.openedOutputLength;
}

std::optional<DeviceIds> DeviceAccess::LastOpenedIds() {
    std::lock_guard lock(linkMutex_);
    return lastOpened_;
}

void DeviceAccess::ForgetLastOpened() {
    std::lock_guard lock(linkMutex_);
    lastOpened_.reset();
}

std::string DeviceAccess::OpenPort() {
    std::lock_guard lock(linkMutex_);
    return IsOpen() ? platform_.hid.PortOf(hidLink_.path) : std::string();
}

bool DeviceAccess::SetTypedIds(DeviceIds ids) {
    std::lock_guard lock(tableMutex_);
    KnownDevice& row0 = knownDevices_[0];
    if (row0.vendorId == ids.vendorId && row0.productId == ids.productId) return false;
    row0.vendorId = ids.vendorId;
    row0.productId = ids.productId;
    return true;
}

KnownDeviceTable DeviceAccess::KnownDevices() const {
    std::lock_guard lock(tableMutex_);
    return knownDevices_;
}

void DeviceAccess::SetVersionBytes(const uint8_t* bytes, size_t count) {
    std::copy(bytes, bytes + std::min(count, versionRecord_.size()), versionRecord_.begin());
}

// The first row with the device's IDs wins. Row 0 holds the typed pair, so a
// device with the typed IDs always matches there.
bool DeviceAccess::MatchKnownDevice(uint16_t vendorId, uint16_t productId) {
    std::lock_guard lock(tableMutex_);
    for (const KnownDevice& row : knownDevices_) {
        if (row.vendorId == 0) break;
        if (row.vendorId == vendorId && row.productId == productId) {
            notifiedVid_.store(row.vendorId);
            notifiedPid_.store(row.productId);
            return true;
        }
    }
    return false;
}

bool DeviceAccess::NoteRemoval() {
    if (notifiedVid_.load() != deviceVendorId_.load() || notifiedPid_.load() != deviceProductId_.load())
        return false;
    deviceRemovalPending_.store(1);
    return true;
}

void DeviceAccess::ForgetNotifiedIds() {
    notifiedVid_.store(0xFFFF);
    notifiedPid_.store(0xFFFF);
}

void DeviceAccess::DropNotices() {
    deviceArrivalPending_.store(0);
    deviceRemovalPending_.store(0);
}

}  // namespace zt

#include <mutex>

#include "device/DeviceAccess.h"
#include "device/HidLink.h"

namespace zt {

namespace {
constexpr uint16_t kNoDeviceId = 0xFFFF;
}  // namespace

// Both opens and the close hold linkMutex from start to end, so the other
// thread never runs an exchange on a half-opened or half-closed link.

Status DeviceAccess::OpenKnownDevice() {
    std::lock_guard lock(linkMutex);
    if (hidLink.isOpen.load()) CloseDevice();

    for (const KnownDevice& row : knownDevices) {
        if (row.vendorId == 0) break;
        deviceVendorId.store(row.vendorId);
        deviceProductId.store(row.productId);
        const bool opened = HidOpenByVidPid(hidLink, row.vendorId, row.productId, &hidLink.openedInputLength,
                                            &hidLink.openedOutputLength);
        hidInputReportLength.store(hidLink.openedInputLength);
        hidLink.isOpen.store(opened ? 1 : 0);
        if (opened) return kOk;
    }

    deviceVendorId.store(kNoDeviceId);
    deviceProductId.store(kNoDeviceId);
    RecordFailure(kOriginOpenKnownDevice, kDeviceNotFound);
    return kFail;
}

Status DeviceAccess::OpenDeviceById(uint16_t vendorId, uint16_t productId) {
    std::lock_guard lock(linkMutex);
    if (hidLink.isOpen.load()) CloseDevice();

    const bool opened = HidOpenByVidPid(hidLink, vendorId, productId, &hidLink.openedInputLength,
                                        &hidLink.openedOutputLength);
    hidInputReportLength.store(hidLink.openedInputLength);
    hidLink.isOpen.store(opened ? 1 : 0);
    if (opened) {
        deviceVendorId.store(vendorId);
        deviceProductId.store(productId);
        return kOk;
    }

    RecordFailure(kOriginOpenDeviceById, kDeviceNotFound);
    deviceVendorId.store(kNoDeviceId);
    deviceProductId.store(kNoDeviceId);
    return kFail;
}

void DeviceAccess::CloseDevice() {
    std::lock_guard lock(linkMutex);
    if (!hidLink.isOpen.load()) return;

    hidLink.openedInputLength = 0;
    hidLink.openedOutputLength = 0;
    HidCloseHandles(hidLink);  // write handle first, then the read handle
    hidLink.isOpen.store(0);
    deviceVendorId.store(kNoDeviceId);
    deviceProductId.store(kNoDeviceId);
    // A removal still pending named the connection just closed. Left standing,
    // it would close whatever device the next arrival opens (a fixture that
    // pulls the device before the re-plug prompt closes it does exactly that).
    deviceRemovalPending.store(0);
}

}  // namespace zt

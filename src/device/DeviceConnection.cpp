#include <mutex>

#include "device/DeviceAccess.h"
#include "device/HidLink.h"

namespace zt {

namespace {
constexpr uint16_t kNoDeviceId = 0xFFFF;
}  // namespace

// Both opens and the close hold linkMutex_ from start to end, so the other
// thread never runs an exchange on a half-opened or half-closed link.

Status DeviceAccess::OpenKnownDevice() {
    std::lock_guard lock(linkMutex_);
    if (hidLink_.isOpen.load()) CloseDevice();

    for (const KnownDevice& row : KnownDevices()) {
        if (row.vendorId == 0) break;
        deviceVendorId_.store(row.vendorId);
        deviceProductId_.store(row.productId);
        const bool opened = HidOpenByVidPid(hidLink_, row.vendorId, row.productId,
                                            &hidLink_.openedInputLength, &hidLink_.openedOutputLength);
        hidInputReportLength_.store(hidLink_.openedInputLength);
        hidLink_.isOpen.store(opened ? 1 : 0);
        if (opened) {
            lastOpened_ = DeviceIds{row.vendorId, row.productId};
            return kOk;
        }
    }

    deviceVendorId_.store(kNoDeviceId);
    deviceProductId_.store(kNoDeviceId);
    owner_.RecordFailure(kOriginOpenKnownDevice, kDeviceNotFound);
    return kFail;
}

Status DeviceAccess::OpenDeviceById(uint16_t vendorId, uint16_t productId) {
    std::lock_guard lock(linkMutex_);
    if (hidLink_.isOpen.load()) CloseDevice();

    const bool opened = HidOpenByVidPid(hidLink_, vendorId, productId, &hidLink_.openedInputLength,
                                        &hidLink_.openedOutputLength);
    hidInputReportLength_.store(hidLink_.openedInputLength);
    hidLink_.isOpen.store(opened ? 1 : 0);
    if (opened) {
        lastOpened_ = DeviceIds{vendorId, productId};
        deviceVendorId_.store(vendorId);
        deviceProductId_.store(productId);
        return kOk;
    }

    owner_.RecordFailure(kOriginOpenDeviceById, kDeviceNotFound);
    deviceVendorId_.store(kNoDeviceId);
    deviceProductId_.store(kNoDeviceId);
    return kFail;
}

void DeviceAccess::CloseDevice() {
    std::lock_guard lock(linkMutex_);
    if (!hidLink_.isOpen.load()) return;

    hidLink_.openedInputLength = 0;
    hidLink_.openedOutputLength = 0;
    HidCloseHandles(hidLink_);  // write handle first, then the read handle
    hidLink_.isOpen.store(0);
    deviceVendorId_.store(kNoDeviceId);
    deviceProductId_.store(kNoDeviceId);
    // A removal still pending named the connection just closed. Left standing,
    // it would close whatever device the next arrival opens (a fixture that
    // pulls the device before the re-plug prompt closes it does exactly that).
    deviceRemovalPending_.store(0);
}

}  // namespace zt

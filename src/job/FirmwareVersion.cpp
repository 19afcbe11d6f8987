#include <cstdio>

#include "job/ProgrammingJob.h"
#include "protocol/CommandExchange.h"

// The engineering command that reads the firmware version of the device typed
// in the ID boxes. It runs on the user-interface thread and blocks it until
// done.
namespace zt {

namespace {
constexpr uint8_t kVersionByteCount = 3;
constexpr const char* kStatusProcessing = "Processing...";
constexpr const char* kStatusFail = "FAIL";
constexpr const char* kStatusSuccess = "SUCCESS";
}  // namespace

void ProgrammingJob::OnGetFirmwareVersion() {
    if (workerStep.load() != 0) {
        view.ShowVersionStatus(kStatusFail);
        events.FirmwareVersionRead(std::nullopt);
        return;
    }

    view.ShowVersionStatus(kStatusProcessing);
    const DeviceIds typed = view.TypedIds();
    deviceVendorId.store(typed.vendorId);
    deviceProductId.store(typed.productId);
    // A vendor ID of 0 shows FAIL, but the query goes on; what follows decides
    // the final text.
    if (deviceVendorId.load() == 0) view.ShowVersionStatus(kStatusFail);

    if (Failed(FindDeviceInUsbTree())) {
        view.ShowVersionStatus(kStatusFail);
        events.FirmwareVersionRead(std::nullopt);
        return;
    }

    OpenKnownDevice();  // leaves the main connection open for the next command when it works

    uint8_t version[4] = {};
    if (Failed(TransferVersionBytes(1, version))) {
        view.ShowVersionStatus(kStatusFail);
        events.FirmwareVersionRead(std::nullopt);
        return;
    }
    versionRecord[0] = version[0];
    versionRecord[1] = version[1];
    versionRecord[2] = version[2];

    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%02X%02X", versionRecord[0], versionRecord[1],
                  versionRecord[2], versionRecord[3], versionRecord[4]);
    view.ShowVersion(text);
    view.ShowVersionStatus(kStatusSuccess);
    events.FirmwareVersionRead(std::string(text));
}

Status ProgrammingJob::TransferVersionBytes(int read, uint8_t* buffer) {
    if (!buffer) return kFail;

    // A connection of its own, beside the main one: both may be open on the
    // same device, which the shared opens allow.
    HidLink link(platform.hid, platform.clock);
    const DeviceIds typed = view.TypedIds();
    const bool opened = HidOpenByVidPid(link, typed.vendorId, typed.productId, &link.openedInputLength,
                                        &link.openedOutputLength);
    // hidInputReportLength describes the main connection (it picks the command
    // path for it), so the temporary link's length stays with the link.
    link.isOpen.store(opened ? 1 : 0);
    if (!opened) {
        HidCloseHandles(link);
        return kFail;
    }

    NextTag();
    const bool transferred =
        HidEepromTransfer(kFirmwareVersionAddress, link, read, kVersionByteCount, buffer, commandTag.load());
    HidCloseHandles(link);
    return transferred ? kOk : kFail;
}

}  // namespace zt

#include <array>
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

void ProgrammingJob::ReadFirmwareVersion(DeviceIds typed) {
    if (workerStep_.load() != 0) {
        observer_.ShowVersionStatus(kStatusFail);
        observer_.FirmwareVersionRead(std::nullopt);
        return;
    }

    observer_.ShowVersionStatus(kStatusProcessing);
    device_.PresetDeviceIds(typed);
    // A vendor ID of 0 shows FAIL, but the query goes on; what follows decides
    // the final text.
    if (typed.vendorId == 0) observer_.ShowVersionStatus(kStatusFail);

    if (Failed(device_.FindDeviceInUsbTree())) {
        observer_.ShowVersionStatus(kStatusFail);
        observer_.FirmwareVersionRead(std::nullopt);
        return;
    }

    device_.OpenKnownDevice();  // leaves the main connection open for the next command when it works

    uint8_t version[4] = {};
    if (Failed(TransferVersionBytes(typed, version))) {
        observer_.ShowVersionStatus(kStatusFail);
        observer_.FirmwareVersionRead(std::nullopt);
        return;
    }
    device_.SetVersionBytes(version, kVersionByteCount);
    const std::array<uint8_t, 16> versionRecord = device_.VersionRecord();

    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%02X%02X", versionRecord[0], versionRecord[1],
                  versionRecord[2], versionRecord[3], versionRecord[4]);
    observer_.ShowVersion(text);
    observer_.ShowVersionStatus(kStatusSuccess);
    observer_.FirmwareVersionRead(std::string(text));
}

Status ProgrammingJob::TransferVersionBytes(DeviceIds typed, uint8_t* buffer) {
    if (!buffer) return kFail;

    // A connection of its own, beside the main one: both may be open on the
    // same device, which the shared opens allow.
    HidLink link(platform_.hid, platform_.clock);
    const bool opened = HidOpenByVidPid(link, typed.vendorId, typed.productId, &link.openedInputLength,
                                        &link.openedOutputLength);
    // hidInputReportLength describes the main connection (it picks the command
    // path for it), so the temporary link's length stays with the link.
    link.isOpen.store(opened ? 1 : 0);
    if (!opened) {
        HidCloseHandles(link);
        return kFail;
    }

    commands_.NextTag();
    const bool transferred =
        HidEepromTransfer(kFirmwareVersionAddress, link, 1, kVersionByteCount, buffer, commands_.Tag());
    HidCloseHandles(link);
    return transferred ? kOk : kFail;
}

}  // namespace zt

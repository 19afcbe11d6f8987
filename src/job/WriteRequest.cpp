#include <algorithm>
#include <mutex>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "chip/HexId.h"
#include "protocol/CommandExchange.h"

// The Write EEPROM button: reset the job, open the device, identify the chip,
// pick and scan its image, and hand the job to the worker. Runs on the
// user-interface thread; nothing is written to the device here.
namespace zt {

namespace {

// Worker steps a job starts with.
constexpr WorkerStep kFirstStep = 1;
constexpr WorkerStep kFirstStepOfUpdater = 5;

// The job's longest read is the read-back's first request (16 bytes) and its
// writes carry up to 8 bytes; all of them go over HID, whichever path the
// identity took.
constexpr uint16_t kJobInputReportLength = kEepromReplyDataOffset + 16;
constexpr uint16_t kJobOutputReportLength = kEepromRequestDataOffset + 8;

// Reads the two ID boxes and makes row 0 of the known-device table the typed
// pair. True when row 0 changed.
bool TakeTypedIds(CZT51xxWriteEepromMPDlg& dlg) {
    const uint16_t vendorId = ParseHexId(dlg.window.GetControlText(kIdVendorId));
    const uint16_t productId = ParseHexId(dlg.window.GetControlText(kIdProductId));
    KnownDevice& row0 = dlg.knownDevices[0];
    if (row0.vendorId == vendorId && row0.productId == productId) return false;
    row0.vendorId = vendorId;
    row0.productId = productId;
    return true;
}

// The detail of the open link's report that is too short for the job, or 0.
uint32_t LinkShortfall(CZT51xxWriteEepromMPDlg& dlg) {
    std::lock_guard lock(dlg.linkMutex);
    if (dlg.hidInputReportLength.load() < kJobInputReportLength) return kDetailInputReportTooShort;
    if (dlg.hidLink.openedOutputLength < kJobOutputReportLength) return kDetailOutputReportTooShort;
    return 0;
}

}  // namespace

void CZT51xxWriteEepromMPDlg::OnWriteEeprom() {
    // The button is disabled while a job runs; a request that reaches us anyway
    // (another front end, a stray command) must not pull the image from under
    // the worker.
    if (workerStep.load() != 0) return;

    window.SetProgressPos(kIdProgress, 0);
    window.EnableControl(kIdWriteEeprom, false);
    window.SetControlText(kIdMarker, " ");

    jobStage.store(0);
    imageLength = kImageSize;
    deviceWaitExpired.store(0);
    notifiedVid.store(0xFFFF);
    notifiedPid.store(0xFFFF);
    jobResult.Reset();
    imageBuffer.fill(0);

    const auto failureExit = [this] {
        ReportJobFailure();
        if (hidLink.isOpen.load()) CloseDevice();
        window.EnableControl(kIdWriteEeprom, true);
    };

    TakeTypedIds(*this);
    if (Failed(OpenKnownDevice())) return failureExit();

    chipStatus = 0xFF;
    chipId = 0xFFFFFFFF;
    if (Failed(ReadChipIdentity(&chipId, &chipStatus))) return failureExit();

    chipId &= kChipIdMask;
    const EepromImage* image = SelectImage(chipId);
    // A chip with no image of ours takes no image file either.
    if (image && overrideImage) image = &*overrideImage;
    if (!image || chipStatus != 0) {
        RecordFailure(kOriginWriteRequest, kClassChipNotSupported, kDetailChipNotSupported);
        return failureExit();
    }
    std::copy(image->begin(), image->end(), imageBuffer.begin());

    if (Failed(ParseImageTags())) return failureExit();

    // A firmware ID other than the expected one is only marked; the job goes on.
    if (hasFirmwareTag) window.SetControlText(kIdImageFirmwareId, FormatHexId(imageFirmwareId));
    if (!hasFirmwareTag || imageFirmwareId != expectedFirmwareId) window.SetControlText(kIdMarker, ".");

    // The operator may have typed other IDs while the chip was being read.
    if (TakeTypedIds(*this)) {
        if (hidLink.isOpen.load()) CloseDevice();
        if (Failed(OpenKnownDevice())) return failureExit();
    }
    if (!hidLink.isOpen.load() && Failed(OpenKnownDevice())) return failureExit();

    // A link whose reports cannot carry the job would fail only after the
    // erase and leave the unit blank; refuse it while the EEPROM is untouched.
    if (const uint32_t shortfall = LinkShortfall(*this); shortfall != 0) {
        RecordFailure(kOriginWriteRequest, kClassLinkTooShort, shortfall);
        return failureExit();
    }

    rewriteMap.fill(1);
    rewriteBudget = 2;
    // Every job field is in place before workerStep hands the job over.
    if (IsUpdaterDevice(deviceVendorId.load(), deviceProductId.load())) {
        restoreHeaderOnFailure = 0;
        workerStep.store(kFirstStepOfUpdater);
    } else {
        restoreHeaderOnFailure = 1;
        workerStep.store(kFirstStep);
    }
    WakeWorker();
}

}  // namespace zt

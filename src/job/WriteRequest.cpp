#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>

#include "chip/ImageIdentity.h"
#include "job/ProgrammingJob.h"
#include "job/Sha256.h"
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
bool TakeTypedIds(ProgrammingJob& job, JobView& view) {
    const DeviceIds typed = view.TypedIds();
    KnownDevice& row0 = job.knownDevices[0];
    if (row0.vendorId == typed.vendorId && row0.productId == typed.productId) return false;
    row0.vendorId = typed.vendorId;
    row0.productId = typed.productId;
    return true;
}

// How reports name the image the job writes.
std::string ImageName(const EepromImage* image, const std::string& fileName) {
    if (image == &kImageA) return "A";
    if (image == &kImageB) return "B";
    return fileName.empty() ? "file" : fileName;
}

// The open link's report that is too short for the job, if one is.
std::optional<Failure> LinkShortfall(ProgrammingJob& job) {
    std::lock_guard lock(job.linkMutex);
    if (job.hidInputReportLength.load() < kJobInputReportLength) return kInputReportTooShort;
    if (job.hidLink.openedOutputLength < kJobOutputReportLength) return kOutputReportTooShort;
    return std::nullopt;
}

}  // namespace

void ProgrammingJob::OnWriteEeprom() {
    // The button is disabled while a job runs; a request that reaches us anyway
    // (another front end, a stray command) must not pull the image from under
    // the worker.
    if (workerStep.load() != 0) return;

    view.ShowProgress(0);
    view.EnableWriteButton(false);
    view.ShowMarker(" ");

    jobStage.store(0);
    imageLength = kImageSize;
    deviceWaitExpired.store(0);
    notifiedVid.store(0xFFFF);
    notifiedPid.store(0xFFFF);
    jobResult.Reset();
    imageBuffer.fill(0);
    jobReport = JobReport{};
    jobReport.start = std::chrono::system_clock::now();

    const auto failureExit = [this] {
        ReportJobFailure();
        if (hidLink.isOpen.load()) CloseDevice();
        view.EnableWriteButton(true);
        events.JobFinished();
    };

    TakeTypedIds(*this, view);
    if (Failed(OpenKnownDevice())) return failureExit();

    chipStatus = 0xFF;
    chipId = 0xFFFFFFFF;
    if (Failed(ReadChipIdentity(&chipId, &chipStatus))) return failureExit();

    chipId &= kChipIdMask;
    jobReport.chipId = chipId;
    const EepromImage* image = SelectImage(chipId);
    // A chip with no image of ours takes no image file either.
    if (image && overrideImage) image = &*overrideImage;
    if (!image || chipStatus != 0) {
        RecordFailure(kOriginWriteRequest, kChipNotSupported);
        return failureExit();
    }
    std::copy(image->begin(), image->end(), imageBuffer.begin());
    jobReport.imageName = ImageName(image, overrideImageName);
    const std::span<uint8_t> written(imageBuffer.data(), image->size());
    if (overrideSerial) {
        // Checked against every image before the job; a refusal here is
        // still caught before anything is erased.
        std::string why;
        if (!PutSerialString(written, *overrideSerial, &why)) {
            RecordFailure(kOriginWriteRequest, kSerialRefused);
            return failureExit();
        }
        jobReport.serialWritten = *overrideSerial;
    }
    jobReport.imageSha256 = Sha256Hex(written);
    jobReport.imageIdentity = IdentityOf(written);

    if (Failed(ParseImageTags())) return failureExit();

    // A firmware ID other than the expected one is only marked; the job goes on.
    if (hasFirmwareTag) view.ShowImageFirmwareId(imageFirmwareId);
    if (!hasFirmwareTag || imageFirmwareId != expectedFirmwareId) view.ShowMarker(".");

    // The operator may have typed other IDs while the chip was being read.
    if (TakeTypedIds(*this, view)) {
        if (hidLink.isOpen.load()) CloseDevice();
        if (Failed(OpenKnownDevice())) return failureExit();
    }
    if (!hidLink.isOpen.load() && Failed(OpenKnownDevice())) return failureExit();

    // A link whose reports cannot carry the job would fail only after the
    // erase and leave the unit blank; refuse it while the EEPROM is untouched.
    if (const std::optional<Failure> shortfall = LinkShortfall(*this)) {
        RecordFailure(kOriginWriteRequest, *shortfall);
        return failureExit();
    }

    rewriteMap.fill(1);
    rewriteBudget = 2;
    jobReport.openedBefore = DeviceIds{deviceVendorId.load(), deviceProductId.load()};
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

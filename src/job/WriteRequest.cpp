#include <algorithm>
#include <chrono>
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

// The re-plug wait counts 10 ms passes.
constexpr uint32_t kReplugWaitPasses = 1000;
constexpr uint32_t kPassesPerSecond = 100;

// How reports name the image the job writes.
std::string ImageName(const EepromImage* image, const std::string& fileName) {
    if (image == &kImageA) return "A";
    if (image == &kImageB) return "B";
    return fileName.empty() ? "file" : fileName;
}

// The open link's report that is too short for the job, if one is.
std::optional<Failure> LinkShortfall(DeviceAccess& device) {
    const auto lock = device.LockLink();
    if (device.InputReportLength() < kJobInputReportLength) return kInputReportTooShort;
    if (device.OutputReportLength() < kJobOutputReportLength) return kOutputReportTooShort;
    return std::nullopt;
}

}  // namespace

DeviceIds ProgrammingJob::RequestedIds(const JobRequest& request) const {
    const KnownDevice row0 = device_.KnownDevices()[0];
    return {request.vendorId.value_or(row0.vendorId), request.productId.value_or(row0.productId)};
}

void ProgrammingJob::Start(const JobRequest& request) {
    // The button is disabled while a job runs; a request that reaches us anyway
    // (another front end, a stray command) must not pull the image from under
    // the worker.
    if (workerStep_.load() != 0) return;

    observer_.ShowProgress(0);
    observer_.EnableWriteButton(false);
    observer_.ShowMarker(" ");

    commands_.SetJobStage(0);
    commands_.SetImageLength(kImageSize);
    deviceWaitExpired_.store(0);
    device_.ForgetNotifiedIds();
    jobResult_.Reset();
    commands_.LoadImage({});
    jobReport_ = JobReport{};
    jobReport_.start = std::chrono::system_clock::now();
    replugWaitPasses_.store(request.replugWait.count() > 0
                                ? static_cast<uint32_t>(request.replugWait.count()) * kPassesPerSecond
                                : kReplugWaitPasses);

    device_.SetTypedIds(RequestedIds(request));
    if (Failed(device_.OpenKnownDevice())) return FailRequest();
    jobReport_.openedBefore = device_.OpenIds();

    chip_ = ChipIdentity{};
    if (Failed(commands_.ReadChipIdentity(&chip_.chipId, &chip_.status))) return FailRequest();
    chip_.chipId &= kChipIdMask;
    jobReport_.chipId = chip_.chipId;
    if (!PickImage(request)) return FailRequest();
    if (Failed(ParseImageTags())) return FailRequest();

    // A firmware ID other than the expected one is only marked; the job goes on.
    if (hasFirmwareTag_) observer_.ShowImageFirmwareId(imageFirmwareId_);
    if (!hasFirmwareTag_ || imageFirmwareId_ != expectedFirmwareId_) observer_.ShowMarker(".");

    if (!device_.IsOpen() && Failed(device_.OpenKnownDevice())) return FailRequest();

    // A link whose reports cannot carry the job would fail only after the
    // erase and leave the unit blank; refuse it while the EEPROM is untouched.
    if (const std::optional<Failure> shortfall = LinkShortfall(device_)) {
        RecordFailure(kOriginWriteRequest, *shortfall);
        return FailRequest();
    }
    HandOver();
}

// The chip's image (or the request's file, for a chip that has an image of
// ours), with the request's serial put in, copied where the commands write
// from. False with the failure recorded.
bool ProgrammingJob::PickImage(const JobRequest& request) {
    const EepromImage* image = SelectImage(chip_.chipId);
    // A chip with no image of ours takes no image file either.
    if (image && request.image) image = &request.image->bytes;
    if (!image || chip_.status != 0) {
        RecordFailure(kOriginWriteRequest, kChipNotSupported);
        return false;
    }
    commands_.LoadImage(*image);
    jobReport_.imageName = ImageName(image, request.image ? request.image->name : std::string());
    const std::span<uint8_t> written = commands_.ImageBuffer().first(image->size());
    if (request.serial) {
        // Checked against every image before the job; a refusal here is
        // still caught before anything is erased.
        std::string why;
        if (!PutSerialString(written, *request.serial, &why)) {
            RecordFailure(kOriginWriteRequest, kSerialRefused);
            return false;
        }
        jobReport_.serialWritten = *request.serial;
    }
    jobReport_.imageSha256 = Sha256Hex(written);
    jobReport_.imageIdentity = IdentityOf(written);
    return true;
}

void ProgrammingJob::FailRequest() {
    ReportJobFailure();
    if (device_.IsOpen()) device_.CloseDevice();
    observer_.EnableWriteButton(true);
    observer_.JobFinished();
}

void ProgrammingJob::HandOver() {
    commands_.MarkWholeBody();
    rewriteBudget_.store(2);
    const DeviceIds opened = device_.OpenIds();
    jobReport_.openedBefore = opened;
    // Every job field is in place before workerStep hands the job over.
    if (IsUpdaterDevice(opened.vendorId, opened.productId)) {
        restoreHeaderOnFailure_ = 0;
        workerStep_.store(kFirstStepOfUpdater);
    } else {
        restoreHeaderOnFailure_ = 1;
        workerStep_.store(kFirstStep);
    }
    WakeWorker();
}

}  // namespace zt

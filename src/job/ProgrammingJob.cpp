#include "job/ProgrammingJob.h"

#include <chrono>

#include "job/EepromRange.h"

namespace zt {

namespace {
constexpr auto kWorkerStopWait = std::chrono::milliseconds(6000);
// Passes the worker may spend opening a device that has just arrived.
constexpr uint32_t kArrivalCountdown = 100;
// The first request after start-up carries tag 1.
constexpr uint8_t kStartTag = 240;
}  // namespace

ProgrammingJob::ProgrammingJob(const Platform& platform, JobObserver& observer)
    : platform_(platform),
      observer_(observer),
      device_(platform, *this),
      commands_(device_, *this, observer) {
    device_.SetAudioDeviceName(std::string(kAudioDeviceName));
}

ProgrammingJob::~ProgrammingJob() {
    // A worker that outlived the close's wait is still joined here: it must
    // not touch the job after it is gone. workerRun is already 0 then, so it
    // ends after its current pass.
    workerRun_.store(0);
    WakeWorker();
    if (workerThread_.joinable()) workerThread_.join();
}

void ProgrammingJob::Launch() {
    commands_.SetTag(kStartTag);
    hasFirmwareTag_ = 0;
    hasChipClassTag_ = 0;
    hasHsDescriptorTag_ = 0;

    device_.OpenKnownDevice();  // no device present is fine: the write request opens again

    commands_.SetJobStage(0);
    deviceWaitExpired_.store(0);

    workerExitEvent_.Reset();
    workerRun_.store(1);
    workerFinished_.store(0);
    workerStep_.store(0);
    workerThread_ = std::thread([this] {
        RunWorker();
        workerExitEvent_.Set();
    });
}

void ProgrammingJob::Stop() {
    device_.DropNotices();
    if (workerRun_.load()) {
        commands_.SetJobStage(0);
        workerRun_.store(0);
        deviceWaitExpired_.store(0);
        WakeWorker();
        // A worker that does not stop in time is not reported; the close goes
        // on and the destructor joins it.
        workerExitEvent_.WaitFor(kWorkerStopWait);
    }
    device_.CloseDevice();
}

void ProgrammingJob::RecordFailure(uint32_t origin, Failure failure) {
    jobResult_.Record(commands_.JobStage(), origin, failure);
}

void ProgrammingJob::ReportJobFailure() {
    const uint32_t code = jobResult_.Code();
    jobReport_.codesShown.push_back(code);
    EndReport(JobOutcome::Failed(jobResult_.Get()));
    observer_.ShowFailure(code);
}

void ProgrammingJob::EndReport(const JobOutcome& outcome) {
    jobReport_.outcome = outcome;
    jobReport_.end = std::chrono::system_clock::now();
    observer_.JobEnded(jobReport_);
}

void ProgrammingJob::WakeWorker() {
    {
        std::lock_guard lock(wakeMutex_);
        wakeRequested_ = true;
    }
    wakeCondition_.notify_one();
}

bool ProgrammingJob::OnDeviceNotice(const DeviceNotice& notice) {
    if (!device_.MatchKnownDevice(notice.vendorId, notice.productId)) return false;
    if (notice.kind == DeviceNotice::Kind::Arrival) {
        // The countdown is stored before the flag that publishes the notice, so
        // the worker never retries a fresh arrival against a spent countdown.
        deviceWaitCountdown_.store(kArrivalCountdown);
        device_.NoteArrival();
        WakeWorker();
    } else if (device_.NoteRemoval()) {
        WakeWorker();
    }
    return true;
}

Status ProgrammingJob::OpenUnit(DeviceIds ids) {
    device_.SetTypedIds(ids);
    device_.CloseDevice();
    return device_.OpenKnownDevice();
}

Status ProgrammingJob::IdentifyUnit(DeviceIds ids, ChipIdentity* identity) {
    if (Failed(OpenUnit(ids))) return kFail;
    return commands_.ReadChipIdentity(&identity->chipId, &identity->status);
}

Status ProgrammingJob::ReadEeprom(uint16_t address, std::span<uint8_t> out,
                                  const std::function<bool(size_t done)>& progress, uint32_t* failedAt) {
    return ReadEepromRange(commands_, address, out, progress, failedAt);
}

JobReport ProgrammingJob::FinishedJobReport() const {
    return workerFinished_.load() ? jobReport_ : JobReport{};
}

JobState ProgrammingJob::State() const {
    JobState state;
    state.step = workerStep_.load();
    state.workerRunning = workerRun_.load() != 0;
    state.workerFinished = workerFinished_.load() != 0;
    state.lastFailure = jobResult_.Get();
    state.jobStage = commands_.JobStage();
    state.commandTag = commands_.Tag();
    state.linkOpen = device_.IsOpen();
    state.openIds = device_.OpenIds();
    // The rest belongs to the thread that has the job; read while none runs.
    state.chip = chip_;
    state.imageLength = commands_.ImageLength();
    state.hasFirmwareTag = hasFirmwareTag_ != 0;
    state.hasChipClassTag = hasChipClassTag_ != 0;
    state.hasHsDescriptorTag = hasHsDescriptorTag_ != 0;
    state.imageFirmwareId = imageFirmwareId_;
    state.imageChipClass = imageChipClass_;
    state.restoreHeaderOnFailure = restoreHeaderOnFailure_ != 0;
    state.rewriteBudget = rewriteBudget_;
    state.verifyMismatchCount = verifyMismatchCount_;
    state.replugWaitPasses = replugWaitPasses_.load();
    state.deviceWaitCountdown = deviceWaitCountdown_.load();
    state.deviceWaitExpired = deviceWaitExpired_.load() != 0;
    state.arrivalPending = device_.ArrivalPending();
    state.removalPending = device_.RemovalPending();
    state.notifiedIds = device_.NotifiedIds();
    return state;
}

}  // namespace zt

#include <algorithm>

#include "chip/EepromImage.h"
#include "job/OperatorMessages.h"
#include "job/ProgrammingJob.h"

// The programming worker: one thread for the dialog's whole life. Each pass
// runs the step that workerStep_ names, then consumes the device notices the
// user-interface thread left behind. Between jobs it sleeps on wakeCondition_
// until a job or a notice arrives.
namespace zt {

namespace {

// While waiting for the re-plugged device, every pass of step 4 takes this long.
constexpr uint32_t kDeviceWaitPassMs = 10;
// Passes the worker waits for the re-plugged device (and for a device at start-up).
constexpr uint32_t kDeviceWaitCountdown = 1000;

// Body verify limits: a rewrite pass only for this many differing bytes or fewer.
constexpr uint32_t kMaxRewriteMismatches = 16;

enum Step : WorkerStep {
    kIdle = 0,
    kPrepareRegister = 1,
    kPrepareErase = 2,
    kAskReplug = 3,
    kWaitForDevice = 4,
    kControlRegister = 5,
    kClearHeader = 6,
    kWriteBody = 8,
    kWriteHeaderTail = 9,
    kWriteHeaderHead = 10,
    kComplete = 11,
    kEndJob = 13,
};

// Counts one pass off a countdown that the other thread may reset at any
// moment; a reset is never overwritten by a stale decrement. False when the
// countdown had already run out.
bool CountDown(std::atomic<uint32_t>& countdown) {
    uint32_t left = countdown.load();
    while (left > 0)
        if (countdown.compare_exchange_weak(left, left - 1)) return true;
    return false;
}

}  // namespace

void ProgrammingJob::RunWorker() {
    while (workerRun_.load()) {
        RunWorkerStep();
        RunDeviceEventBlock();
        WaitWhileIdle();
    }
    workerFinished_.store(1);
}

void ProgrammingJob::WaitWhileIdle() {
    // Only an idle worker with nothing pending waits; everything that gives it
    // work (the write request, a notice, the close) calls WakeWorker.
    std::unique_lock lock(wakeMutex_);
    wakeCondition_.wait(lock, [this] {
        return wakeRequested_ || workerStep_.load() != kIdle || device_.ArrivalPending() ||
               device_.RemovalPending() || !workerRun_.load();
    });
    wakeRequested_ = false;
}

void ProgrammingJob::RunWorkerStep() {
    switch (workerStep_.load()) {
        case kIdle:
            return;
        case kPrepareRegister:
            return PrepareRegister();
        case kPrepareErase:
            return PrepareErase();
        case kAskReplug:
            return AskReplug();
        case kWaitForDevice:
            return WaitForDevice();
        case kControlRegister:
            return WriteControlRegisterAgain();
        case kClearHeader:
            return ClearHeader();
        case kWriteBody:
            return WriteBody();
        case kWriteHeaderTail:
            return WriteTail();
        case kWriteHeaderHead:
            return WriteHead();
        case kComplete:
            return Complete();
        case kEndJob:
            return EndJob();
        default:
            // 7 and 12 are not steps, and nothing above 13 is.
            workerStep_.store(kIdle);
            return;
    }
}

// A failing command has already filled jobResult_; the report shows it once
// (not while the job is stopping: whoever shows it is going away, and a box
// now could never be answered).
void ProgrammingJob::ReportAndEnd() {
    if (workerRun_.load()) ReportJobFailure();
    workerStep_.store(kEndJob);
}

void ProgrammingJob::RecordReportAndEnd(Failure failure) {
    RecordFailure(kOriginWorker, failure);
    ReportAndEnd();
}

void ProgrammingJob::PrepareRegister() {
    if (Failed(commands_.WriteControlRegister())) return ReportAndEnd();
    workerStep_.store(kPrepareErase);
}

void ProgrammingJob::PrepareErase() {
    if (Failed(commands_.WriteProgressMarker(1)) || Failed(commands_.EraseEeprom())) return ReportAndEnd();
    workerStep_.store(kAskReplug);
}

void ProgrammingJob::AskReplug() {
    // Every re-plug gets the whole wait the request asked for, whatever an
    // earlier arrival left of the countdown. Set before the prompt, so that
    // the unit's arrival while the prompt is up shortens it as usual.
    deviceWaitCountdown_.store(replugWaitPasses_.load());
    deviceWaitExpired_.store(0);
    // The port is the link's, so it is asked for before the close.
    ReplugRequest request{device_.OpenPort(), replugWaitPasses_.load(), jobTexts_.replugPrompt};
    device_.CloseDevice();
    // While the job is stopping, the prompt could never be answered.
    if (workerRun_.load()) observer_.ReplugRequested(request);
    workerStep_.store(kWaitForDevice);
}

void ProgrammingJob::WaitForDevice() {
    if (device_.IsOpen()) {
        // The image was chosen for the chip the request read. A board swapped
        // during the re-plug would get an image that is not its own, so the
        // chip is asked again before anything is written, and must answer as
        // the preflight requires: the same identifier and a status of 0.
        jobReport_.openedAfter = device_.OpenIds();
        uint32_t returnedId = 0xFFFFFFFF;
        uint8_t returnedStatus = 0xFF;
        if (Failed(commands_.ReadChipIdentity(&returnedId, &returnedStatus))) return ReportAndEnd();
        if ((returnedId & kChipIdMask) != chip_.chipId || returnedStatus != 0)
            return RecordReportAndEnd(kChipIdentifierDiffers);
        workerStep_.store(kControlRegister);
    } else if (!deviceWaitExpired_.load()) {
        platform_.clock.SleepMs(kDeviceWaitPassMs);
    } else {
        deviceWaitExpired_.store(0);
        RecordReportAndEnd(kDeviceNotBack);
    }
}

void ProgrammingJob::WriteControlRegisterAgain() {
    if (Failed(commands_.WriteControlRegister())) return ReportAndEnd();
    workerStep_.store(kClearHeader);
}

void ProgrammingJob::ClearHeader() {
    if (Failed(commands_.WriteProgressMarker(1)) || Failed(commands_.ClearImageHeader()) ||
        Failed(commands_.ReadBackHeader()))
        return ReportAndEnd();
    if (commands_.ReadBackBlank(8)) {
        workerStep_.store(kWriteBody);
        return;
    }

    RecordFailure(kOriginWorker, kHeaderNotBlank);
    if (!restoreHeaderOnFailure_) return ReportAndEnd();

    // The device keeps a copy of its header; put it back, once the operator
    // has seen the failure, so that the chip still boots as itself. A restore
    // that did not take leaves the unit without a valid header, which the
    // operator must know: its own record is shown after the first. The job
    // has already ended with the failure above, so the report carries both
    // codes and the restore's is a box, not a new end.
    const JobResult failure = jobResult_.Get();
    if (workerRun_.load()) observer_.ShowFailure(failure.Code());
    const bool restored = Succeeded(commands_.RestoreHeaderFromBackup());
    if (!restored) jobReport_.restoreCode = jobResult_.Code();
    if (workerRun_.load()) {
        jobReport_.codesShown.push_back(failure.Code());
        if (!restored) jobReport_.codesShown.push_back(*jobReport_.restoreCode);
        EndReport(JobOutcome::Failed(failure));
        if (!restored) observer_.ShowFailure(*jobReport_.restoreCode);
    }
    workerStep_.store(kEndJob);
}

void ProgrammingJob::WriteBody() {
    if (Failed(commands_.WriteProgressMarker(2)) || Failed(commands_.WriteImageBody()) ||
        Failed(commands_.ReadBackImage()))
        return ReportAndEnd();
    if (!VerifyImageBody()) return RecordReportAndEnd(kBodyDiffers);
}

void ProgrammingJob::WriteTail() {
    if (Failed(commands_.WriteProgressMarker(3)) || Failed(commands_.WriteHeaderTail()) ||
        Failed(commands_.ReadBackHeaderTail()))
        return ReportAndEnd();
    if (!commands_.ReadBackMatches(5, 7)) return RecordReportAndEnd(kHeaderTailDiffers);
    workerStep_.store(kWriteHeaderHead);
}

void ProgrammingJob::WriteHead() {
    if (Failed(commands_.WriteProgressMarker(4)) || Failed(commands_.WriteHeaderHead()) ||
        Failed(commands_.ReadBackHeaderHead()))
        return ReportAndEnd();
    if (!commands_.ReadBackMatches(0, 4)) return RecordReportAndEnd(kHeaderHeadDiffers);
    workerStep_.store(kComplete);
}

void ProgrammingJob::Complete() {
    observer_.ShowProgress(100);
    if (Failed(commands_.WriteProgressMarker(0))) return ReportAndEnd();
    deviceWaitExpired_.store(0);
    deviceWaitCountdown_.store(kDeviceWaitCountdown);
    device_.CloseDevice();
    if (workerRun_.load()) EndReport(JobOutcome::Ok());
    if (workerRun_.load()) observer_.ShowCompletion(jobTexts_.completion);
    workerStep_.store(kEndJob);
}

void ProgrammingJob::EndJob() {
    // Idle before the button comes back: a click that the enabled button lets
    // through must find the worker ready for the next job.
    workerStep_.store(kIdle);
    if (!workerRun_.load()) return;
    observer_.EnableWriteButton(true);
    observer_.JobFinished();
}

bool ProgrammingJob::VerifyImageBody() {
    verifyMismatchCount_.store(commands_.MarkDifferingBody());
    if (verifyMismatchCount_.load() == 0) {
        workerStep_.store(kWriteHeaderTail);
        return true;
    }
    if (rewriteBudget_.load() > 0 && verifyMismatchCount_.load() <= kMaxRewriteMismatches) {
        // Stay in step 8: the next pass rewrites only the marked groups.
        --rewriteBudget_;
        ++jobReport_.rewritePasses;
        return true;
    }
    return false;
}

void ProgrammingJob::RunDeviceEventBlock() {
    if (device_.ArrivalPending()) {
        if (device_.IsOpen()) {
            // Already connected: an arrival while a device is open is dropped.
            device_.DropArrival();
        } else if (Succeeded(device_.OpenDeviceById(device_.NotifiedIds().vendorId,
                                                    device_.NotifiedIds().productId))) {
            device_.DropArrival();
        } else if (!CountDown(deviceWaitCountdown_)) {
            // The notice stays pending while the countdown lasts; each failed
            // open uses one pass of it.
            device_.DropArrival();
            deviceWaitExpired_.store(1);
        }
        return;
    }

    if (device_.RemovalPending()) {
        device_.DropRemoval();
        if (device_.IsOpen()) device_.CloseDevice();
        return;
    }

    if (workerStep_.load() == kWaitForDevice && !CountDown(deviceWaitCountdown_)) deviceWaitExpired_.store(1);
}

}  // namespace zt

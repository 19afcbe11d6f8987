#include <algorithm>

#include "chip/EepromImage.h"
#include "job/OperatorMessages.h"
#include "job/ProgrammingJob.h"

// The programming worker: one thread for the dialog's whole life. Each pass
// runs the step that workerStep names, then consumes the device notices the
// user-interface thread left behind. Between jobs it sleeps on wakeCondition
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

template <size_t N>
bool SameBytes(const std::array<uint8_t, N>& a, const std::array<uint8_t, N>& b, size_t first, size_t last) {
    return std::equal(a.begin() + first, a.begin() + last + 1, b.begin() + first);
}

}  // namespace

void ProgrammingJob::WorkerThreadMain(ProgrammingJob* job) {
    if (!job) return;
    job->RunWorker();
    job->workerExitEvent.Set();
}

void ProgrammingJob::RunWorker() {
    while (workerRun.load()) {
        RunWorkerStep();
        RunDeviceEventBlock();
        WaitWhileIdle();
    }
    workerFinished.store(1);
}

void ProgrammingJob::WaitWhileIdle() {
    // Only an idle worker with nothing pending waits; everything that gives it
    // work (the write request, a notice, the close) calls WakeWorker.
    std::unique_lock lock(wakeMutex);
    wakeCondition.wait(lock, [this] {
        return wakeRequested || workerStep.load() != kIdle || deviceArrivalPending.load() ||
               deviceRemovalPending.load() || !workerRun.load();
    });
    wakeRequested = false;
}

void ProgrammingJob::ShowJobMessage(std::string_view text) {
    // While the dialog closes, the user-interface thread is waiting for us and
    // the window is going away: a box now could never be answered.
    if (workerRun.load()) view.ShowJobBox(text);
}

void ProgrammingJob::RunWorkerStep() {
    switch (workerStep.load()) {
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
            workerStep.store(kIdle);
            return;
    }
}

// A failing command has already filled jobResult; the report shows it once
// (not while the dialog is closing, for the reason ShowJobMessage gives).
void ProgrammingJob::ReportAndEnd() {
    if (workerRun.load()) ReportJobFailure();
    workerStep.store(kEndJob);
}

void ProgrammingJob::RecordReportAndEnd(Failure failure) {
    RecordFailure(kOriginWorker, failure);
    ReportAndEnd();
}

void ProgrammingJob::PrepareRegister() {
    if (Failed(WriteControlRegister())) return ReportAndEnd();
    workerStep.store(kPrepareErase);
}

void ProgrammingJob::PrepareErase() {
    if (Failed(WriteProgressMarker(1)) || Failed(EraseEeprom())) return ReportAndEnd();
    workerStep.store(kAskReplug);
}

void ProgrammingJob::AskReplug() {
    // Every re-plug gets the whole wait the request asked for, whatever an
    // earlier arrival left of the countdown. Set before the prompt, so that
    // the unit's arrival while the prompt is up shortens it as usual.
    deviceWaitCountdown.store(replugWaitPasses);
    deviceWaitExpired.store(0);
    CloseDevice();
    if (workerRun.load()) events.ReplugRequested();
    ShowJobMessage(jobTexts.replugPrompt);
    workerStep.store(kWaitForDevice);
}

void ProgrammingJob::WaitForDevice() {
    if (hidLink.isOpen.load()) {
        // The image was chosen for the chip the request read. A board swapped
        // during the re-plug would get an image that is not its own, so the
        // chip is asked again before anything is written, and must answer as
        // the preflight requires: the same identifier and a status of 0.
        jobReport.openedAfter = DeviceIds{deviceVendorId.load(), deviceProductId.load()};
        uint32_t returnedId = 0xFFFFFFFF;
        uint8_t returnedStatus = 0xFF;
        if (Failed(ReadChipIdentity(&returnedId, &returnedStatus))) return ReportAndEnd();
        if ((returnedId & kChipIdMask) != chipId || returnedStatus != 0)
            return RecordReportAndEnd(kChipIdentifierDiffers);
        workerStep.store(kControlRegister);
    } else if (!deviceWaitExpired.load()) {
        platform.clock.SleepMs(kDeviceWaitPassMs);
    } else {
        deviceWaitExpired.store(0);
        RecordReportAndEnd(kDeviceNotBack);
    }
}

void ProgrammingJob::WriteControlRegisterAgain() {
    if (Failed(WriteControlRegister())) return ReportAndEnd();
    workerStep.store(kClearHeader);
}

void ProgrammingJob::ClearHeader() {
    if (Failed(WriteProgressMarker(1)) || Failed(ClearImageHeader()) || Failed(ReadBackHeader()))
        return ReportAndEnd();
    if (std::none_of(readBackBuffer.begin(), readBackBuffer.begin() + 8, [](uint8_t b) { return b != 0; })) {
        workerStep.store(kWriteBody);
        return;
    }

    RecordFailure(kOriginWorker, kHeaderNotBlank);
    if (!restoreHeaderOnFailure) return ReportAndEnd();

    // The device keeps a copy of its header; put it back, once the operator
    // has seen the failure, so that the chip still boots as itself. A restore
    // that did not take leaves the unit without a valid header, which the
    // operator must know: its own record is shown after the first. The job
    // has already ended with the failure above, so the report carries both
    // codes and the restore's is a box, not a new end.
    const JobResult failure = jobResult.Get();
    if (workerRun.load()) view.ShowFailureBox(failure.Code());
    const bool restored = Succeeded(RestoreHeaderFromBackup());
    if (!restored) jobReport.restoreCode = jobResult.Code();
    if (workerRun.load()) {
        jobReport.codesShown.push_back(failure.Code());
        if (!restored) jobReport.codesShown.push_back(*jobReport.restoreCode);
        EndReport(JobOutcome::Failed(failure));
        if (!restored) view.ShowFailureBox(*jobReport.restoreCode);
    }
    workerStep.store(kEndJob);
}

void ProgrammingJob::WriteBody() {
    if (Failed(WriteProgressMarker(2)) || Failed(WriteImageBody()) || Failed(ReadBackImage()))
        return ReportAndEnd();
    if (!VerifyImageBody()) return RecordReportAndEnd(kBodyDiffers);
}

void ProgrammingJob::WriteTail() {
    if (Failed(WriteProgressMarker(3)) || Failed(WriteHeaderTail()) || Failed(ReadBackHeaderTail()))
        return ReportAndEnd();
    if (!SameBytes(imageBuffer, readBackBuffer, 5, 7)) return RecordReportAndEnd(kHeaderTailDiffers);
    workerStep.store(kWriteHeaderHead);
}

void ProgrammingJob::WriteHead() {
    if (Failed(WriteProgressMarker(4)) || Failed(WriteHeaderHead()) || Failed(ReadBackHeaderHead()))
        return ReportAndEnd();
    if (!SameBytes(imageBuffer, readBackBuffer, 0, 4)) return RecordReportAndEnd(kHeaderHeadDiffers);
    workerStep.store(kComplete);
}

void ProgrammingJob::Complete() {
    view.ShowProgress(100);
    if (Failed(WriteProgressMarker(0))) return ReportAndEnd();
    deviceWaitExpired.store(0);
    deviceWaitCountdown.store(kDeviceWaitCountdown);
    CloseDevice();
    if (workerRun.load()) EndReport(JobOutcome::Ok());
    ShowJobMessage(jobTexts.completion);
    workerStep.store(kEndJob);
}

void ProgrammingJob::EndJob() {
    // Idle before the button comes back: a click that the enabled button lets
    // through must find the worker ready for the next job.
    workerStep.store(kIdle);
    if (!workerRun.load()) return;
    view.EnableWriteButton(true);
    events.JobFinished();
}

bool ProgrammingJob::VerifyImageBody() {
    rewriteMap.fill(0);
    verifyMismatchCount = 0;
    // The image length counts in 16 bits; the buffers bound it too.
    const uint32_t end = std::min<uint32_t>(static_cast<uint16_t>(imageLength), kImageBufferSize);
    for (uint32_t i = 8; i < end; ++i) {
        if (imageBuffer[i] != readBackBuffer[i]) {
            rewriteMap[i & ~7u] = 1;
            ++verifyMismatchCount;
        }
    }

    if (verifyMismatchCount == 0) {
        workerStep.store(kWriteHeaderTail);
        return true;
    }
    if (rewriteBudget > 0 && verifyMismatchCount <= kMaxRewriteMismatches) {
        // Stay in step 8: the next pass rewrites only the marked groups.
        --rewriteBudget;
        ++jobReport.rewritePasses;
        return true;
    }
    return false;
}

void ProgrammingJob::RunDeviceEventBlock() {
    if (deviceArrivalPending.load()) {
        if (hidLink.isOpen.load()) {
            // Already connected: an arrival while a device is open is dropped.
            deviceArrivalPending.store(0);
        } else if (Succeeded(OpenDeviceById(notifiedVid.load(), notifiedPid.load()))) {
            deviceArrivalPending.store(0);
        } else if (!CountDown(deviceWaitCountdown)) {
            // The notice stays pending while the countdown lasts; each failed
            // open uses one pass of it.
            deviceArrivalPending.store(0);
            deviceWaitExpired.store(1);
        }
        return;
    }

    if (deviceRemovalPending.load()) {
        deviceRemovalPending.store(0);
        if (hidLink.isOpen.load()) CloseDevice();
        return;
    }

    if (workerStep.load() == kWaitForDevice && !CountDown(deviceWaitCountdown)) deviceWaitExpired.store(1);
}

}  // namespace zt

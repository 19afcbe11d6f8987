#include <algorithm>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "chip/EepromImage.h"
#include "job/OperatorMessages.h"

// The programming worker: one thread for the dialog's whole life. Each pass
// runs the step that workerStep names, then consumes the device notices the
// user-interface thread left behind. Between jobs it sleeps on wakeCondition
// until a job or a notice arrives.
namespace zt {

namespace {

// While waiting for the re-plugged device, every pass of step 4 takes this long.
constexpr uint32_t kDeviceWaitPassMs = 10;
// Passes the worker waits for a device after a completed job (and at start-up).
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

void CZT51xxWriteEepromMPDlg::WorkerThreadMain(CZT51xxWriteEepromMPDlg* dlg) {
    if (!dlg) return;
    dlg->RunWorker();
    dlg->workerExitEvent.Set();
}

void CZT51xxWriteEepromMPDlg::RunWorker() {
    while (workerRun.load()) {
        RunWorkerStep();
        RunDeviceEventBlock();
        WaitWhileIdle();
    }
    workerFinished.store(1);
}

void CZT51xxWriteEepromMPDlg::WaitWhileIdle() {
    // Only an idle worker with nothing pending waits; everything that gives it
    // work (the write request, a notice, the close) calls WakeWorker.
    std::unique_lock lock(wakeMutex);
    wakeCondition.wait(lock, [this] {
        return wakeRequested || workerStep.load() != kIdle || deviceArrivalPending.load() ||
               deviceRemovalPending.load() || !workerRun.load();
    });
    wakeRequested = false;
}

void CZT51xxWriteEepromMPDlg::ShowJobMessage(std::string_view text) {
    // While the dialog closes, the user-interface thread is waiting for us and
    // the window is going away: a box now could never be answered.
    if (workerRun.load())
        window.ShowMessageBox(std::string(text), std::string(jobTexts.caption), MessageBoxIcon::Information);
}

void CZT51xxWriteEepromMPDlg::RunWorkerStep() {
    // A failing command has already filled jobResult; the report shows it once
    // (not while the dialog is closing, for the reason ShowJobMessage gives).
    const auto reportAndEnd = [this] {
        if (workerRun.load()) ReportJobFailure();
        workerStep.store(kEndJob);
    };
    const auto recordReportAndEnd = [&](uint32_t errorClass, uint32_t errorDetail) {
        RecordFailure(kOriginWorker, errorClass, errorDetail);
        reportAndEnd();
    };

    switch (workerStep.load()) {
        case kIdle:
            return;

        case kPrepareRegister:
            if (Failed(WriteControlRegister())) return reportAndEnd();
            workerStep.store(kPrepareErase);
            return;

        case kPrepareErase:
            if (Failed(WriteProgressMarker(1)) || Failed(EraseEeprom())) return reportAndEnd();
            workerStep.store(kAskReplug);
            return;

        case kAskReplug:
            deviceWaitExpired.store(0);
            CloseDevice();
            if (workerRun.load()) window.ReplugRequested();
            ShowJobMessage(jobTexts.replugPrompt);
            workerStep.store(kWaitForDevice);
            return;

        case kWaitForDevice:
            if (hidLink.isOpen.load()) {
                // The image was chosen for the chip the request read. A board
                // swapped during the re-plug would get an image that is not its
                // own, so the chip is asked again before anything is written.
                uint32_t returnedId = 0xFFFFFFFF;
                uint8_t returnedStatus = 0xFF;
                if (Failed(ReadChipIdentity(&returnedId, &returnedStatus))) return reportAndEnd();
                if ((returnedId & kChipIdMask) != chipId)
                    return recordReportAndEnd(kClassUnitChanged, kDetailChipClassDiffers);
                workerStep.store(kControlRegister);
            } else if (!deviceWaitExpired.load()) {
                platform.clock.SleepMs(kDeviceWaitPassMs);
            } else {
                deviceWaitExpired.store(0);
                recordReportAndEnd(kClassDeviceWait, kDetailDeviceNotBack);
            }
            return;

        case kControlRegister:
            if (Failed(WriteControlRegister())) return reportAndEnd();
            workerStep.store(kClearHeader);
            return;

        case kClearHeader:
            if (Failed(WriteProgressMarker(1)) || Failed(ClearImageHeader()) || Failed(ReadBackHeader()))
                return reportAndEnd();
            if (std::any_of(readBackBuffer.begin(), readBackBuffer.begin() + 8,
                            [](uint8_t b) { return b != 0; })) {
                RecordFailure(kOriginWorker, kClassVerify, kDetailHeaderNotBlank);
                if (workerRun.load()) ReportJobFailure();
                // The device keeps a copy of its header; put it back so that the
                // chip still boots as itself. A restore that did not take leaves
                // the unit without a valid header, which the operator must know:
                // its own record is shown after the first. The job has already
                // ended with the failure above, so this is a box, not a new end.
                if (restoreHeaderOnFailure && Failed(RestoreHeaderFromBackup()) && workerRun.load())
                    window.ShowMessageBox(FailureMessage(jobResult.Code()), "", MessageBoxIcon::None);
                workerStep.store(kEndJob);
                return;
            }
            workerStep.store(kWriteBody);
            return;

        case kWriteBody:
            if (Failed(WriteProgressMarker(2)) || Failed(WriteImageBody()) || Failed(ReadBackImage()))
                return reportAndEnd();
            if (!VerifyImageBody()) return recordReportAndEnd(kClassVerify, kDetailBodyDiffers);
            return;

        case kWriteHeaderTail:
            if (Failed(WriteProgressMarker(3)) || Failed(WriteHeaderTail()) || Failed(ReadBackHeaderTail()))
                return reportAndEnd();
            if (!SameBytes(imageBuffer, readBackBuffer, 5, 7))
                return recordReportAndEnd(kClassVerify, kDetailHeaderTailDiffers);
            workerStep.store(kWriteHeaderHead);
            return;

        case kWriteHeaderHead:
            if (Failed(WriteProgressMarker(4)) || Failed(WriteHeaderHead()) || Failed(ReadBackHeaderHead()))
                return reportAndEnd();
            if (!SameBytes(imageBuffer, readBackBuffer, 0, 4))
                return recordReportAndEnd(kClassVerify, kDetailHeaderHeadDiffers);
            workerStep.store(kComplete);
            return;

        case kComplete:
            window.SetProgressPos(kIdProgress, 100);
            if (Failed(WriteProgressMarker(0))) return reportAndEnd();
            deviceWaitExpired.store(0);
            deviceWaitCountdown.store(kDeviceWaitCountdown);
            CloseDevice();
            if (workerRun.load()) window.JobEnded(JobOutcome::Ok());
            ShowJobMessage(jobTexts.completion);
            workerStep.store(kEndJob);
            return;

        case kEndJob:
            // Idle before the button comes back: a click that the enabled button
            // lets through must find the worker ready for the next job.
            workerStep.store(kIdle);
            if (workerRun.load()) window.EnableControl(kIdWriteEeprom, true);
            return;

        default:
            // 7 and 12 are not steps, and nothing above 13 is.
            workerStep.store(kIdle);
            return;
    }
}

bool CZT51xxWriteEepromMPDlg::VerifyImageBody() {
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
        return true;
    }
    return false;
}

void CZT51xxWriteEepromMPDlg::RunDeviceEventBlock() {
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

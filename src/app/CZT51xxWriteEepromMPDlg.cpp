#include "app/CZT51xxWriteEepromMPDlg.h"

#include <chrono>

#include "app/DialogTemplate.h"
#include "chip/HexId.h"

namespace zt {

namespace {
constexpr uint16_t kDefaultVendorId = 0x3C4D;
constexpr uint16_t kDefaultProductId = 0x7351;
constexpr auto kWorkerStopWait = std::chrono::milliseconds(6000);
}  // namespace

CZT51xxWriteEepromMPDlg::CZT51xxWriteEepromMPDlg(DialogWindow& window, const Platform& platform)
    : window(window), platform(platform), hidLink(platform.hid, platform.clock) {
    // hidLink starts closed (handles -1, lengths 0); filterHandle -1.
}

CZT51xxWriteEepromMPDlg::~CZT51xxWriteEepromMPDlg() {
    // A worker that outlived the close procedure's wait is still joined here:
    // it must not touch the dialog after it is gone. workerRun is already 0,
    // so it ends after its current pass.
    workerRun.store(0);
    WakeWorker();
    if (workerThread.joinable()) workerThread.join();

    const Handle filter = filterHandle.exchange(kInvalidHandle);
    if (IsValidHandle(filter)) platform.audio.Close(filter);
    std::lock_guard lock(linkMutex);
    HidCloseHandles(hidLink);
}

bool CZT51xxWriteEepromMPDlg::OnInitDialog() {
    window.SetWindowTitle(std::string(kMainWindowTitle));

    window.SetControlText(kIdExpectedFirmwareId, "4C21");
    expectedFirmwareId = ParseHexId(window.GetControlText(kIdExpectedFirmwareId));

    audioDeviceName = "MarluUAC";
    notifyWindow = &window;

    deviceNotifyHandle = 0;
    deviceArrivalPending.store(0);
    deviceRemovalPending.store(0);
    deviceWaitCountdown.store(1000);
    RegisterForDeviceNotifications();  // a failed registration only means no notices

    window.SetControlText(kIdVendorId, FormatHexId(kDefaultVendorId));
    window.SetControlText(kIdProductId, FormatHexId(kDefaultProductId));
    window.SetControlText(kIdVersionBox, "0.1.0.1");
    window.SetProgressRange(kIdProgress, 0, 100);
    window.SetCheck(kIdWriteProtect, true);
    window.ShowControl(kIdFileNameLabel, false);
    window.ShowControl(kIdFileNameEdit, false);
    window.ShowControl(kIdBrowse, false);

    commandTag.store(240);  // the first request after start-up carries tag 1
    hasFirmwareTag = 0;
    hasChipClassTag = 0;
    hasHsDescriptorTag = 0;

    OpenKnownDevice();  // no device present is fine: the write request opens again

    jobStage.store(0);
    deviceWaitExpired.store(0);

    workerExitEvent.Reset();
    workerRun.store(1);
    workerFinished.store(0);
    workerStep.store(0);
    workerThread = std::thread(&CZT51xxWriteEepromMPDlg::WorkerThreadMain, this);

    cornerSpotClicks[0] = cornerSpotClicks[1] = 0;
    window.StartTimer(kIdleTimerId, kIdleTimerPeriodMs);
    return true;
}

void CZT51xxWriteEepromMPDlg::DestroyWindow() {
    window.StopTimer(kIdleTimerId);

    if (IsValidHandle(static_cast<Handle>(deviceNotifyHandle))) {
        platform.notices.Unregister(deviceNotifyHandle);
        deviceNotifyHandle = 0;
    }
    deviceArrivalPending.store(0);
    deviceRemovalPending.store(0);

    if (workerRun.load()) {
        jobStage.store(0);
        workerRun.store(0);
        deviceWaitExpired.store(0);
        WakeWorker();
        // A worker that does not stop in time is not reported; the close goes
        // on and the destructor joins it.
        workerExitEvent.WaitFor(kWorkerStopWait);
    }

    CloseDevice();
}

void CZT51xxWriteEepromMPDlg::OnOK() { window.EndDialog(1); }

void CZT51xxWriteEepromMPDlg::OnCancel() { window.EndDialog(2); }

void CZT51xxWriteEepromMPDlg::OnTimer(uint32_t) {
    // The idle timer's ticks have no work of their own.
}

void CZT51xxWriteEepromMPDlg::OnBrowse(const std::string& chosenPath) {
    // Nothing reads the file-name box; it only shows the chosen path.
    window.SetControlText(kIdFileNameEdit, chosenPath.substr(0, 1023));
}

void CZT51xxWriteEepromMPDlg::OnCornerSpot(int) {
    // The corner spots are inert by design.
}

void CZT51xxWriteEepromMPDlg::RecordFailure(uint32_t origin, uint32_t errorClass, uint32_t errorDetail) {
    jobResult.Record(jobStage.load(), origin, errorClass, errorDetail);
}

void CZT51xxWriteEepromMPDlg::ReportJobFailure() {
    window.JobEnded(JobOutcome::Failed(jobResult.Get()));
    window.ShowMessageBox(FailureMessage(jobResult.Code()), "", MessageBoxIcon::None);
}

void CZT51xxWriteEepromMPDlg::WakeWorker() {
    {
        std::lock_guard lock(wakeMutex);
        wakeRequested = true;
    }
    wakeCondition.notify_one();
}

}  // namespace zt

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
    : ProgrammingJob(platform, *this, window), window(window) {}

CZT51xxWriteEepromMPDlg::~CZT51xxWriteEepromMPDlg() {
    // A worker that outlived the close procedure's wait is still joined here:
    // it must not touch the dialog after it is gone. workerRun is already 0,
    // so it ends after its current pass.
    workerRun.store(0);
    WakeWorker();
    if (workerThread.joinable()) workerThread.join();
    // The layers below close the link and the filter handle.
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
    workerThread = std::thread(&ProgrammingJob::WorkerThreadMain, static_cast<ProgrammingJob*>(this));

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

void CZT51xxWriteEepromMPDlg::ShowRequestedIds(const JobRequest& request) {
    if (request.vendorId) window.SetControlText(kIdVendorId, FormatHexId(*request.vendorId));
    if (request.productId) window.SetControlText(kIdProductId, FormatHexId(*request.productId));
}

void CZT51xxWriteEepromMPDlg::StartJob(const JobRequest& request) {
    ShowRequestedIds(request);
    if (request.image) {
        overrideImage = request.image->bytes;
        overrideImageName = request.image->name;
    } else {
        overrideImage.reset();
        overrideImageName.clear();
    }
    overrideSerial = request.serial;
    // The dialog's wait counts 10 ms passes.
    replugWaitPasses =
        request.replugWait.count() > 0 ? static_cast<uint32_t>(request.replugWait.count()) * 100 : 1000;
    OnWriteEeprom();
}

Status CZT51xxWriteEepromMPDlg::OpenUnitWithIds(DeviceIds ids) {
    knownDevices[0].vendorId = ids.vendorId;
    knownDevices[0].productId = ids.productId;
    CloseDevice();
    return OpenKnownDevice();
}

DeviceIds CZT51xxWriteEepromMPDlg::OpenDeviceIds() const {
    return {static_cast<uint16_t>(deviceVendorId.load()), static_cast<uint16_t>(deviceProductId.load())};
}

void CZT51xxWriteEepromMPDlg::ShowProgress(int percent) { window.SetProgressPos(kIdProgress, percent); }

void CZT51xxWriteEepromMPDlg::ShowJobBox(std::string_view text) {
    window.ShowMessageBox(std::string(text), std::string(jobTexts.caption), MessageBoxIcon::Information);
}

void CZT51xxWriteEepromMPDlg::ShowFailureBox(uint32_t code) {
    window.ShowMessageBox(FailureMessage(code), "", MessageBoxIcon::None);
}

void CZT51xxWriteEepromMPDlg::EnableWriteButton(bool enable) { window.EnableControl(kIdWriteEeprom, enable); }

void CZT51xxWriteEepromMPDlg::ShowMarker(std::string_view text) {
    window.SetControlText(kIdMarker, std::string(text));
}

void CZT51xxWriteEepromMPDlg::ShowImageFirmwareId(uint16_t firmwareId) {
    window.SetControlText(kIdImageFirmwareId, FormatHexId(firmwareId));
}

DeviceIds CZT51xxWriteEepromMPDlg::TypedIds() {
    const uint16_t vendorId = ParseHexId(window.GetControlText(kIdVendorId));
    const uint16_t productId = ParseHexId(window.GetControlText(kIdProductId));
    return {vendorId, productId};
}

void CZT51xxWriteEepromMPDlg::ShowVersionStatus(std::string_view text) {
    window.SetControlText(kIdVersionStatus, std::string(text));
}

void CZT51xxWriteEepromMPDlg::ShowVersion(const std::string& text) {
    window.SetControlText(kIdVersionBox, text);
}

}  // namespace zt

#include "app/CZT51xxWriteEepromMPDlg.h"

#include "app/DialogTemplate.h"
#include "chip/HexId.h"
#include "job/JobResult.h"

namespace zt {

namespace {
constexpr uint16_t kDefaultVendorId = 0x3C4D;
constexpr uint16_t kDefaultProductId = 0x7351;
}  // namespace

CZT51xxWriteEepromMPDlg::CZT51xxWriteEepromMPDlg(DialogWindow& window, const Platform& platform)
    : window(window), platform(platform), job_(platform, *this) {}

// The job's destructor joins a worker that outlived the close procedure's
// wait before anything it shows on is gone.
CZT51xxWriteEepromMPDlg::~CZT51xxWriteEepromMPDlg() = default;

bool CZT51xxWriteEepromMPDlg::OnInitDialog() {
    window.SetWindowTitle(std::string(kMainWindowTitle));

    window.SetControlText(kIdExpectedFirmwareId, "4C21");
    job_.SetExpectedFirmwareId(ParseHexId(window.GetControlText(kIdExpectedFirmwareId)));
    job_.Device().SetAudioDeviceName("MarluUAC");
    notifyWindow = &window;

    deviceNotifyHandle = 0;
    RegisterForDeviceNotifications();  // a failed registration only means no notices

    window.SetControlText(kIdVendorId, FormatHexId(kDefaultVendorId));
    window.SetControlText(kIdProductId, FormatHexId(kDefaultProductId));
    window.SetControlText(kIdVersionBox, "0.1.0.1");
    window.SetProgressRange(kIdProgress, 0, 100);
    window.SetCheck(kIdWriteProtect, true);
    window.ShowControl(kIdFileNameLabel, false);
    window.ShowControl(kIdFileNameEdit, false);
    window.ShowControl(kIdBrowse, false);

    job_.Launch();

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
    job_.Stop();
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

void CZT51xxWriteEepromMPDlg::OnCommand(int id) {
    switch (id) {
        case kIdExit:
            if (!JobRunning() || window.ConfirmCloseDuringJob()) OnOK();
            break;
        case kIdWriteEeprom:
            // The request does nothing while the worker still ends the last
            // job; no new job may be counted as begun then.
            if (job_.UnderWay()) break;
            window.CommandStarting(id);
            OnWriteEeprom();
            break;
        case kIdErase:
            window.CommandStarting(id);
            OnEraseEeprom();
            break;
        case kIdGetFwVersion:
            window.CommandStarting(id);
            OnGetFirmwareVersion();
            break;
        case kIdBrowse:
            if (const auto path = window.ChooseFile()) OnBrowse(*path);
            break;
        case kIdCornerTopLeft:
        case kIdCornerTopRight:
            OnCornerSpot(id);
            break;
        default:
            break;
    }
}

void CZT51xxWriteEepromMPDlg::OnWriteEeprom() {
    if (job_.UnderWay()) return;
    const DeviceIds typed = TypedIds();
    JobRequest request;
    request.vendorId = typed.vendorId;
    request.productId = typed.productId;
    jobEndPending.store(true);
    job_.Start(request);
}

void CZT51xxWriteEepromMPDlg::OnEraseEeprom() { job_.Erase(); }

void CZT51xxWriteEepromMPDlg::OnGetFirmwareVersion() { job_.ReadFirmwareVersion(TypedIds()); }

bool CZT51xxWriteEepromMPDlg::JobRunning() const {
    // The worker alone would also count the completion box, when the EEPROM is
    // already whole; the button alone would also count a job whose worker has
    // gone idle without a word. The end is announced before the last box.
    return job_.UnderWay() && jobEndPending.load();
}

DeviceIds CZT51xxWriteEepromMPDlg::TypedIds() {
    return {ParseHexId(window.GetControlText(kIdVendorId)), ParseHexId(window.GetControlText(kIdProductId))};
}

void CZT51xxWriteEepromMPDlg::ShowProgress(int percent) { window.SetProgressPos(kIdProgress, percent); }

void CZT51xxWriteEepromMPDlg::EnableWriteButton(bool enable) { window.EnableControl(kIdWriteEeprom, enable); }

void CZT51xxWriteEepromMPDlg::ShowMarker(std::string_view text) {
    window.SetControlText(kIdMarker, std::string(text));
}

void CZT51xxWriteEepromMPDlg::ShowImageFirmwareId(uint16_t firmwareId) {
    window.SetControlText(kIdImageFirmwareId, FormatHexId(firmwareId));
}

void CZT51xxWriteEepromMPDlg::ShowVersionStatus(std::string_view text) {
    window.SetControlText(kIdVersionStatus, std::string(text));
}

void CZT51xxWriteEepromMPDlg::ShowVersion(const std::string& text) {
    window.SetControlText(kIdVersionBox, text);
}

void CZT51xxWriteEepromMPDlg::ReplugRequested(const ReplugRequest& request) {
    window.ReplugRequested(request);
    window.ShowMessageBox(std::string(request.prompt), std::string(kJobTexts.caption),
                          MessageBoxIcon::Information);
}

void CZT51xxWriteEepromMPDlg::ShowCompletion(std::string_view text) {
    window.ShowMessageBox(std::string(text), std::string(kJobTexts.caption), MessageBoxIcon::Information);
}

void CZT51xxWriteEepromMPDlg::ShowFailure(uint32_t code) {
    window.ShowMessageBox(FailureMessage(code), "", MessageBoxIcon::None);
}

void CZT51xxWriteEepromMPDlg::JobEnded(const JobReport& report) {
    jobEndPending.store(false);
    window.JobEnded(report);
}

void CZT51xxWriteEepromMPDlg::JobFinished() { window.JobFinished(); }

void CZT51xxWriteEepromMPDlg::EraseEnded(const JobOutcome& outcome) { window.EraseEnded(outcome); }

void CZT51xxWriteEepromMPDlg::FirmwareVersionRead(const std::optional<std::string>& version) {
    window.FirmwareVersionRead(version);
}

}  // namespace zt

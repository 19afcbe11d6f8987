#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/DialogWindow.h"
#include "chip/DeviceIds.h"
#include "job/JobObserver.h"
#include "job/JobRequest.h"
#include "job/ProgrammingJob.h"
#include "platform/Platform.h"

namespace zt {

// The main dialog: the window, its handlers and the device notices. It has
// a programming job and shows what the job reports on its window's controls
// and boxes; the job's events go on to the window.
//
// Threads: the user-interface thread runs the handlers (On...), the device
// notices and the close procedure; the job's worker calls the observer
// methods while a job runs. The job (and its worker) is destroyed before
// the rest of the dialog.
class CZT51xxWriteEepromMPDlg : private JobObserver {
public:
    CZT51xxWriteEepromMPDlg(DialogWindow& window, const Platform& platform);
    ~CZT51xxWriteEepromMPDlg() override;
    CZT51xxWriteEepromMPDlg(const CZT51xxWriteEepromMPDlg&) = delete;
    CZT51xxWriteEepromMPDlg& operator=(const CZT51xxWriteEepromMPDlg&) = delete;

    // ---- Start-up and main window ---------------------------------------
    bool OnInitDialog();   // the window and its controls exist
    void DestroyWindow();  // the close procedure; the front end calls it once the modal loop ends
    void OnOK();           // Exit button, Enter
    void OnCancel();       // Escape
    void OnTimer(uint32_t timerId);
    void OnBrowse(const std::string& chosenPath);  // "..." confirmed with a path
    void OnCornerSpot(int id);
    // A press of one of template 102's buttons, as every window delivers it.
    void OnCommand(int id);

    // ---- The job's handlers -----------------------------------------------
    // Write EEPROM: a request for the unit the ID boxes name.
    void OnWriteEeprom();
    void OnEraseEeprom();
    void OnGetFirmwareVersion();
    // Whether a job runs as the operator sees it: from Write EEPROM until the
    // job has announced its end, just before its last box.
    bool JobRunning() const;

    // ---- Device presence monitoring ---------------------------------------
    int RegisterForDeviceNotifications();
    int HandleDeviceChange(const DeviceNotice& notice);
    // Whether the registration for device notices took.
    bool ReceivesDeviceNotices() const { return deviceNotifyHandle != 0; }

    // The job, for what a front end reads of it (State, the last report).
    const ProgrammingJob& Job() const { return job_; }
    ProgrammingJob& Job() { return job_; }

private:
    // The IDs typed in the ID boxes, read now.
    DeviceIds TypedIds();

    // ---- JobObserver: what the job shows, on this window -------------------
    void ShowProgress(int percent) override;
    void EnableWriteButton(bool enable) override;
    void ShowMarker(std::string_view text) override;
    void ShowImageFirmwareId(uint16_t firmwareId) override;
    void ShowVersionStatus(std::string_view text) override;
    void ShowVersion(const std::string& text) override;
    void ReplugRequested(const ReplugRequest& request) override;
    void ShowCompletion(std::string_view text) override;
    void ShowFailure(uint32_t code) override;
    void JobEnded(const JobReport& report) override;
    void JobFinished() override;
    void EraseEnded(const JobOutcome& outcome) override;
    void FirmwareVersionRead(const std::optional<std::string>& version) override;

    DialogWindow& window;
    const Platform platform;

    // Start-up and main window
    DialogWindow* notifyWindow = nullptr;
    int cornerSpotClicks[2] = {0, 0};
    // Device presence monitoring
    uintptr_t deviceNotifyHandle = 0;
    // Set by Write EEPROM, cleared when the job announces its end.
    std::atomic<bool> jobEndPending = false;

    // Last, so that it (and its worker) goes first.
    ProgrammingJob job_;
};

}  // namespace zt

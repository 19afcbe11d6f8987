#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "app/DialogWindow.h"
#include "job/JobRequest.h"
#include "job/JobView.h"
#include "job/ProgrammingJob.h"
#include "platform/Platform.h"

namespace zt {

// The main dialog: the window, its handlers and the device notices. The
// layers below own the rest (the job and its worker in ProgrammingJob, the
// commands in DeviceCommandSet, the link in DeviceAccess); the dialog shows
// what the job reports on its window, as its JobView, and passes the job's
// events on to the front end's window.
//
// Threads: the user-interface thread runs the handlers (On...), the device
// notices and the close procedure; the worker thread runs RunWorker for the
// dialog's whole life. The destructor joins the worker before any layer
// below is torn down.
class CZT51xxWriteEepromMPDlg : public JobView, public ProgrammingJob {
public:
    CZT51xxWriteEepromMPDlg(DialogWindow& window, const Platform& platform);
    ~CZT51xxWriteEepromMPDlg() override;

    // ---- Start-up and main window ---------------------------------------
    bool OnInitDialog();   // the window and its controls exist
    void DestroyWindow();  // the close procedure; the front end calls it once the modal loop ends
    void OnOK();           // Exit button, Enter
    void OnCancel();       // Escape
    void OnTimer(uint32_t timerId);
    void OnBrowse(const std::string& chosenPath);  // "..." confirmed with a path
    void OnCornerSpot(int id);

    // Starts a write job as the button does, after typing the request's IDs
    // into the ID boxes and taking its image file (or, without one, the
    // embedded images). The port and the re-plug mode belong to the station
    // code that binds the unit; the dialog does not look at them.
    void StartJob(const JobRequest& request);
    // Shows the request's IDs in the ID boxes (an unset one keeps its box),
    // where the write, erase and version commands read them.
    void ShowRequestedIds(const JobRequest& request);

    // ---- What a front end may ask of the job -------------------------------
    // Front ends learn what the job does through these and the JobEvents of
    // their window, never through the job's fields.
    // Whether a write job is under way: from the request until the worker's
    // last step has run.
    bool JobUnderWay() const { return workerStep.load() != 0; }
    // Whether the worker still takes steps (the close procedure stops it).
    bool WorkerRunning() const { return workerRun.load() != 0; }
    // The last write job's report once its worker has finished with it;
    // empty before.
    JobReport FinishedJobReport() const { return workerFinished.load() ? jobReport : JobReport{}; }
    // The failure the last command recorded.
    JobResult LastFailure() const { return jobResult.Get(); }
    // Closes the link and opens the unit the IDs select, as the write request
    // would: the pair in row 0 of the known-device table, then the rest.
    Status OpenUnitWithIds(DeviceIds ids);
    // The same with the IDs typed in the ID boxes.
    Status OpenTypedUnit() { return OpenUnitWithIds(TypedIds()); }
    // The IDs of the device the link has open (0xFFFF each when none).
    DeviceIds OpenDeviceIds() const;

    // ---- Device presence monitoring ---------------------------------------
    int RegisterForDeviceNotifications();
    int HandleDeviceChange(const DeviceNotice& notice);
    int MatchKnownDeviceName(uint16_t vendorId, uint16_t productId);

    // ---- What the job shows, on this window ---------------------------------
    void ShowProgress(int percent) override;
    void ShowJobBox(std::string_view text) override;
    void ShowFailureBox(uint32_t code) override;
    void EnableWriteButton(bool enable) override;
    void ShowMarker(std::string_view text) override;
    void ShowImageFirmwareId(uint16_t firmwareId) override;
    DeviceIds TypedIds() override;
    void ShowVersionStatus(std::string_view text) override;
    void ShowVersion(const std::string& text) override;

    // ---- Fields -------------------------------------------------------------
    DialogWindow& window;

    // Start-up and main window
    DialogWindow* notifyWindow = nullptr;
    int cornerSpotClicks[2] = {0, 0};

    // Device presence monitoring
    uintptr_t deviceNotifyHandle = 0;
};

}  // namespace zt

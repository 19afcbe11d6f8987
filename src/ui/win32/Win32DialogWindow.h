#pragma once
#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "app/DialogWindow.h"
#include "station/presentation/UiCallQueue.h"

namespace zt {
class CZT51xxWriteEepromMPDlg;
}

namespace zt::win32 {

// Template 102 as a native Windows dialog, and the dialog object's view of it.
//
// The window is made from the in-memory template that DialogTemplateBuilder
// writes from the control table, so its controls have the table's
// identifiers, captions, styles and dialog-unit rectangles in the template's
// font. It runs modeless with its own message loop (IsDialogMessage gives the
// dialog keys: Enter presses Exit, the default button; Escape cancels).
//
// Threads: the window belongs to the thread that runs RunModal. Calls from the
// worker are queued and the UI thread is nudged with a posted message; the
// worker waits until its call has been handled, and its message boxes run on
// the UI thread, owned by the dialog. Once the close procedure has begun,
// worker calls return at once, so the close can wait for the worker without
// either side waiting for the other.
//
// Safety: while a job runs, Escape does nothing and Exit, Enter or a close
// request ask first whether to leave the EEPROM incomplete. The outcome of
// the last job stays visible on the bottom row until the next job starts.
class Win32DialogWindow : public DialogWindow {
public:
    Win32DialogWindow();
    ~Win32DialogWindow() override;
    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    // Creates the window, runs the dialog's initialisation, the message loop
    // until the dialog ends, and its close procedure. Returns the dialog's
    // result (1 Exit, 2 Escape), or -1 when the window could not be made.
    int RunModal(CZT51xxWriteEepromMPDlg& dialog);

    HWND Window() const { return window_; }
    // True from the write request until the worker has ended the job.
    bool JobRunning() const;

    // Hooks, run on the UI thread. Tests and demos use them to answer boxes
    // (post IDOK or IDNO to `box`) and to watch the progress bar.
    std::function<void()> onInitialised;
    std::function<void(HWND box, const std::string& text)> onMessageBoxShown;
    std::function<void(int position)> onProgressChanged;
    // Run on the worker thread when the job asks for a re-plug, before the
    // prompt shows; the simulated machine re-plugs its chip here.
    std::function<void()> onReplugRequested;
    // Run on the UI thread just before a write job, an erase or a version
    // query starts from its button: the command chooses its own unit.
    std::function<void()> onCommandStarting;
    // Run when a write job, an erase or a version query has ended, on the
    // thread that ended it; the unit it worked on is free for the next one.
    std::function<void()> onCommandEnded;

    // How the last write job ended; none before the first one.
    std::optional<JobOutcome> LastOutcome();
    // The report of the last write job, once it has ended.
    std::optional<JobReport> LastReport();
    // A known device arrived on another port. While the job waits for its
    // own unit to come back, the line below the progress bar says so at
    // once; the job goes on waiting. Any thread.
    void ShowArrivedElsewhere(const std::string& arrivedPort, const std::string& waitingPort);

    // The text of the close question asked while a job runs.
    static const char* CloseDuringJobQuestion();

    // DialogWindow
    void SetWindowTitle(const std::string& title) override;
    void SetControlText(int id, const std::string& text) override;
    std::string GetControlText(int id) override;
    void EnableControl(int id, bool enable) override;
    void ShowControl(int id, bool show) override;
    void SetProgressRange(int id, int minimum, int maximum) override;
    void SetProgressPos(int id, int position) override;
    void SetCheck(int id, bool checked) override;
    int ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) override;
    void StartTimer(uint32_t timerId, uint32_t periodMs) override;
    void StopTimer(uint32_t timerId) override;
    void EndDialog(int result) override;
    void PostDeviceChange(const DeviceNotice& notice) override;

    // The job's events, passed on by the dialog
    void ReplugRequested(const ReplugRequest& request) override;
    void CommandStarting(int id) override;
    bool ConfirmCloseDuringJob() override;
    std::optional<std::string> ChooseFile() override;
    void JobEnded(const JobReport& report) override;
    void EraseEnded(const JobOutcome& outcome) override;
    void FirmwareVersionRead(const std::optional<std::string>& version) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id);
    void AskToClose();
    void ForgetLastOutcome();
    int ShowBox(const std::string& text, const std::string& caption, UINT flags);
    void DeliverDeviceChanges();

    HWND window_ = nullptr;
    CZT51xxWriteEepromMPDlg* dialog_ = nullptr;
    UiCallQueue calls_;
    bool ended_ = false;
    int result_ = 0;

    std::mutex noticeMutex_;
    std::deque<DeviceNotice> notices_;

    std::mutex outcomeMutex_;
    std::optional<JobReport> lastReport_;
    // From the re-plug request until the unit's own arrival or the job's end.
    std::atomic<bool> awaitingReplug_{false};
};

}  // namespace zt::win32

#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/UiCallQueue.h"
#include "job/JobRequest.h"
#include "station/MultiUnitWrite.h"
#include "station/PreCheck.h"
#include "station/RecordKeeper.h"
#include "station/StationLog.h"
#include "station/WindowStationDisplay.h"

namespace zt {
class DeviceBackend;
}

namespace zt::win32 {

// The station window on Windows: one row per unit present (port, IDs,
// progress, result) and one Write EEPROM button that writes every present
// unit at once, each with its own dialog object and worker, on a thread of
// the window's own. The window is made from a control table
// (StationTemplate.h), as the dialog is from template 102.
//
// While no job runs the units present are looked for once a second. A unit
// that goes away keeps its row while it shows a result, so a unit pulled
// during the job still shows its code; a unit that arrives starts with an
// empty result. Units whose port the system does not tell cannot be kept
// apart, so they get no row and the status line says so; units beyond the
// rows of the table are not written either, and the status line says so.
//
// While a job runs, Escape and Enter do nothing and Exit or a close request
// ask first (default No); a close that goes ahead stops the job, releases the
// unit threads waiting on the window and waits for them.
//
// Threads: the window belongs to the thread that runs RunModal; the units
// reach it only through their display, whose calls run there.
class Win32StationWindow final : public station::WindowStationDisplay::Rows {
public:
    explicit Win32StationWindow(DeviceBackend& backend);
    ~Win32StationWindow() override;
    Win32StationWindow(const Win32StationWindow&) = delete;
    Win32StationWindow& operator=(const Win32StationWindow&) = delete;

    // How the units are re-plugged: by the operator (the default), or by
    // switching their hub ports where the hubs can (a unit whose port cannot
    // be switched is left to the operator's prompt).
    void SetReplugMode(ReplugMode mode) { replug_ = mode; }
    // Asked before each unit is touched; none: nobody.
    void SetPreCheck(const station::PreCheck* check) { preCheck_ = check; }
    // The station log each unit's job appends its line to; none by default.
    // The lines are written on the job's thread as the job ends, so a job
    // stopped by a close still leaves them.
    void SetLog(station::StationLog* log) { records_ = std::make_unique<station::RecordKeeper>(log); }

    // Creates the window and runs its message loop until it ends. Returns 1
    // for Exit, 2 for a close or Escape, -1 when the window could not be made.
    int RunModal();
    // Ends the window with `result` without asking, stopping a running job.
    // UI thread.
    void Close(int result);

    HWND Window() const { return window_; }
    bool JobRunning() const { return running_; }
    // True once a unit of any job of this window has not ended OK.
    bool AnyUnitFailed() const { return anyFailed_.load(); }
    // Looks for the units present now (only while no job runs). UI thread.
    void Refresh();
    // The text of one cell, as the window shows it. UI thread.
    std::string CellText(size_t row, int column) const;
    int CellProgress(size_t row) const;
    size_t RowCount() const { return rows_.size(); }

    // Hooks, run on the UI thread: the window is up; the re-plug prompt or
    // the close question is up (answer by posting WM_COMMAND IDOK, IDYES or
    // IDNO to `box`); a job has ended.
    std::function<void()> onInitialised;
    std::function<void(HWND box)> onReplugPromptShown;
    std::function<void(HWND box)> onCloseQuestionShown;
    std::function<void(const std::vector<station::UnitResult>&)> onJobEnded;

    static const char* CloseDuringJobQuestion();

private:
    struct Row {
        std::string port;
        std::string ids;
        bool present = false;
        int progress = 0;
        std::string result;
        bool hasResult = false;
    };

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id);
    bool ConfirmClose();
    void StartJob();
    void FinishJob(const std::vector<station::UnitResult>& results,
                   const std::vector<std::string>& logErrors);
    void StopJob();
    void ShowRows();
    void UpdateButton();
    void SetStatus(const std::string& text);
    int ShowBox(const std::string& text, const char* caption, UINT flags,
                const std::function<void(HWND)>& shown);

    // station::WindowStationDisplay::Rows
    void ShowProgress(size_t index, int percent) override;
    void ShowText(size_t index, const std::string& text) override;
    void AskToReplug(const std::string& text, std::function<void()> answered) override;

    DeviceBackend& backend_;
    UiCallQueue calls_;
    HWND window_ = nullptr;
    bool ended_ = false;
    int result_ = 0;
    std::vector<Row> rows_;
    std::string status_;
    bool running_ = false;
    std::atomic<bool> anyFailed_{false};  // set on the job's thread
    ReplugMode replug_ = ReplugMode::Operator;
    const station::PreCheck* preCheck_ = nullptr;
    // Every unit's record, before its row shows the result.
    std::unique_ptr<station::RecordKeeper> records_ = std::make_unique<station::RecordKeeper>(nullptr);
    HWND openBox_ = nullptr;  // the re-plug prompt or the close question while it is up

    std::atomic<bool> stopping_{false};
    std::unique_ptr<station::WindowStationDisplay> display_;  // the running job's; outlives its thread
    std::thread job_;
};

}  // namespace zt::win32

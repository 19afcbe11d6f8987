#pragma once
#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "job/JobRequest.h"
#include "station/presentation/StationPorts.h"
#include "station/presentation/UiCallQueue.h"
#include "station/presentation/WindowStationDisplay.h"
#include "station/records/RecordKeeper.h"
#include "station/records/StationIdentity.h"
#include "station/records/StationLog.h"
#include "station/run/MultiUnitWrite.h"
#include "station/serials/SerialNumbers.h"
#include "station/unit/PreCheck.h"
#include "ui/win32/StationList.h"
#include "ui/win32/StationRowLook.h"
#include "ui/win32/StationTally.h"

namespace zt {
class DeviceBackend;
}

namespace zt::win32 {

// The station window on Windows: one row per unit (port, IDs, progress,
// result, what a failure means) in a list that scrolls, and two ways to
// write: Write EEPROM writes every present unit at once, each with its own
// dialog object and worker, on a thread of the window's own; Run station,
// until pressed again, writes each unit by itself as it is plugged (its own
// re-plug, checked after its last; taking it out readies the port for the
// next), on the station engine the command line's station runs. The window
// is made from a control table (StationTemplate.h), as the dialog is from
// template 102.
//
// Above the rows: who runs the station (Station ID, Operator, Work order),
// taken into every record when a run starts and editable while nothing
// runs, and the Barcode field, whose codes (Enter after each) go to the units
// Run station starts, one each, in the order scanned. Below them the
// counters (passed, failed, units per hour) over the window's whole run.
//
// While no job runs the units present are looked for once a second. A unit
// that goes away keeps its row while it shows a result, so a unit pulled
// during the job still shows its code; a unit that arrives starts with an
// empty result. Under Run station each row says where its unit stands
// (writing, re-plug it now, checking) and its result, PASS or FAIL with its
// code, stays on the row until the next unit on that port starts writing. Units whose port the system does
// not tell cannot be kept apart, so they get no row and the status line says so.
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
    // Who runs the station, as the fields first show it.
    void SetIdentity(const station::StationIdentity& identity) { identity_ = identity; }
    // Where Run station's units take their serials from; none: each image
    // keeps its own.
    void SetSerials(station::SerialNumbers* serials) { serials_ = serials; }

    // Creates the window and runs its message loop until it ends. Returns 1
    // for Exit, 2 for a close or Escape, -1 when the window could not be made.
    int RunModal();
    // Ends the window with `result` without asking, stopping a running job.
    // UI thread.
    void Close(int result);
    // Closes the window as Close(1) once `milliseconds` have passed, from
    // when the window is up. UI thread.
    void CloseWithin(unsigned milliseconds);

    HWND Window() const { return window_; }
    bool JobRunning() const { return running_; }
    bool StationRunning() const { return mode_ == Mode::RunStation; }
    // True once a unit of any job of this window has not ended OK.
    bool AnyUnitFailed() const { return anyFailed_.load(); }
    // True once a unit's record could not be written.
    bool LogFailed() const { return records_->Failed(); }
    // Looks for the units present now (only while no job runs). UI thread.
    void Refresh();
    // The text of one cell, as the window shows it. UI thread.
    std::string CellText(size_t row, int column) const;
    int CellProgress(size_t row) const;
    size_t RowCount() const { return rows_.size(); }
    // Rows whose result stays while their port waits for its next unit.
    size_t RowsReadyWithResult() const;
    std::string ControlText(int id) const;

    // Hooks, run on the UI thread: the window is up; the re-plug prompt or
    // the close question is up (answer by posting WM_COMMAND IDOK, IDYES or
    // IDNO to `box`); a job has ended.
    std::function<void()> onInitialised;
    std::function<void(HWND box)> onReplugPromptShown;
    std::function<void(HWND box)> onCloseQuestionShown;
    std::function<void(const std::vector<station::UnitResult>&)> onJobEnded;
    // Run station: each unit's result, once its row shows it.
    std::function<void(const station::UnitResult&)> onUnitResult;
    // Run station has stopped and its units under way have ended.
    std::function<void()> onStationStopped;
    // The rows have just been shown anew.
    std::function<void()> onRowsChanged;

    static const char* CloseDuringJobQuestion();

private:
    enum class Mode { WriteAll, RunStation };
    using Row = StationRow;

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id);
    bool ConfirmClose();
    void ShowCaptions();
    // Who runs the job about to start, from the fields; none when a field
    // cannot go into a record, and a box says why.
    std::optional<station::StationIdentity> TakeIdentity();
    void EnableIdentity(bool on);
    void TakeScannedCode();
    std::string NextBarcode();
    void ShowBarcodes(const std::string& note = "");
    void StartStation();
    void StopStation();
    void ShowUnitResult(const station::UnitResult& unit);
    size_t RowOf(size_t index) const;
    void SortRows();
    void StartJob();
    void FinishJob(const std::vector<station::UnitResult>& results,
                   const std::vector<std::string>& logErrors);
    void StopJob();
    void ShowRows();
    void ShowRow(size_t index);
    StationList::Line LineOf(const Row& row) const;
    void ShowCounters();
    void UpdateButton();
    void SetStatus(const std::string& text);
    int ShowBox(const std::string& text, const char* caption, UINT flags,
                const std::function<void(HWND)>& shown);

    // station::WindowStationDisplay::Rows
    void ShowProgress(size_t index, int percent) override;
    void ShowText(size_t index, const std::string& text) override;
    void ShowState(size_t index, const station::PortStatus& status) override;
    void AskToReplug(const std::string& text, std::function<void()> answered) override;
    void BindPort(size_t index, const std::string& port) override;

    DeviceBackend& backend_;
    UiCallQueue calls_;
    HWND window_ = nullptr;
    bool ended_ = false;
    int result_ = 0;
    std::vector<Row> rows_;
    StationList list_;
    std::string status_;
    Mode mode_ = Mode::WriteAll;
    station::StationIdentity identity_;
    station::SerialNumbers* serials_ = nullptr;
    std::deque<std::string> barcodes_;  // scanned, not yet handed to a unit
    StationTally tally_;
    bool running_ = false;
    std::atomic<bool> anyFailed_{false};  // set on the job's thread
    ReplugMode replug_ = ReplugMode::Operator;
    const station::PreCheck* preCheck_ = nullptr;
    // Every unit's record, before its row shows the result.
    std::unique_ptr<station::RecordKeeper> records_ = std::make_unique<station::RecordKeeper>(nullptr);
    HWND openBox_ = nullptr;  // the re-plug prompt or the close question while it is up

    std::atomic<bool> stopping_{false};
    std::atomic<bool> stationOn_{false};
    station::StationPorts stationPorts_;                      // the station's port of each index
    std::unique_ptr<station::WindowStationDisplay> display_;  // the running job's; outlives its thread
    std::thread job_;
};

}  // namespace zt::win32

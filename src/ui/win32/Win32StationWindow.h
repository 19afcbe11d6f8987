#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "station/presentation/UiCallQueue.h"
#include "station/presenter/StationPresenter.h"
#include "ui/win32/StationFields.h"
#include "ui/win32/StationList.h"

namespace zt {
class DeviceBackend;
}

namespace zt::win32 {

// The station window on Windows: one row per unit (port, IDs, progress,
// result, what a failure means) in a list that scrolls, Write EEPROM and Run
// station as the station's presenter runs them
// (station/presenter/StationPresenter.h). The window is made from a
// control table (StationTemplate.h), as the dialog is from template 102.
//
// Above the rows: who runs the station (Station ID, Operator, Work order),
// taken into every record when a run starts and editable while nothing
// runs, and the Barcode field, whose codes (Enter after each) go to the units
// Run station starts, one each, in the order scanned. Below them the
// counters (passed, failed, units per hour) over the window's whole run.
// Write EEPROM's rows show each job's own words to its end; under Run station
// each row says where its unit stands and keeps its result until the next
// unit on that port starts writing. Units whose port the system does not tell
// cannot be kept apart, so they get no row and the status line says so.
//
// While a job runs, Escape and Enter do nothing and Exit or a close request
// ask first (default No); a close that goes ahead stops the job, releases the
// unit threads waiting on the window and waits for them.
//
// Threads: the window belongs to the thread that runs RunModal; the units
// reach it only through the presenter, whose calls run there.
class Win32StationWindow final : private station::StationView {
public:
    explicit Win32StationWindow(DeviceBackend& backend);
    ~Win32StationWindow() override;
    Win32StationWindow(const Win32StationWindow&) = delete;
    Win32StationWindow& operator=(const Win32StationWindow&) = delete;

    // See StationPresenter.
    void SetReplugMode(ReplugMode mode) { presenter_.SetReplugMode(mode); }
    void SetPreCheck(const station::PreCheck* check) { presenter_.SetPreCheck(check); }
    void SetLog(station::StationLog* log) { presenter_.SetLog(log); }
    void SetSerials(station::SerialNumbers* serials) { presenter_.SetSerials(serials); }
    // Who runs the station, as the fields first show it.
    void SetIdentity(const station::StationIdentity& identity) { identity_ = identity; }

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
    bool JobRunning() const { return presenter_.Running(); }
    bool StationRunning() const {
        return presenter_.CurrentMode() == station::StationPresenter::Mode::RunStation;
    }
    // True once a unit of any job of this window has not ended OK.
    bool AnyUnitFailed() const { return presenter_.AnyUnitFailed(); }
    // True once a unit's record could not be written.
    bool LogFailed() const { return presenter_.LogFailed(); }
    // Looks for the units present now (only while no job runs). UI thread.
    void Refresh() { presenter_.Refresh(); }
    // The text of one cell, as the window shows it. UI thread.
    std::string CellText(size_t row, int column) const { return list_.CellText(row, column); }
    int CellProgress(size_t row) const { return list_.Progress(row); }
    size_t RowCount() const { return presenter_.Rows().size(); }
    // Rows whose result stays while their port waits for its next unit.
    size_t RowsReadyWithResult() const { return presenter_.RowsReadyWithResult(); }
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
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Initialise(HWND window);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id);
    bool ConfirmClose();
    void ShowCaptions();
    void SetStatus(const std::string& text);
    int ShowBox(const std::string& text, const char* caption, UINT flags,
                const std::function<void(HWND)>& shown);

    // station::StationView
    void ShowRows(const std::vector<station::RowShown>& rows) override;
    void ShowStatus(const std::string& text) override { SetStatus(text); }
    void ShowCounters(const std::string& text) override;
    void ShowButtons(const station::StationButtons& buttons) override;
    void AskToReplug(const std::string& text, std::function<void()> answered) override;
    std::optional<station::StationIdentity> TakeIdentity() override;
    std::string NextBarcode() override { return fields_.NextBarcode(); }
    void LogNotWritten(const std::vector<std::string>& errors) override;
    void StationStarted() override;
    void StationStopped() override;
    void JobEnded(const std::vector<station::UnitResult>& results) override;
    void UnitShown(const station::UnitResult& unit) override;

    UiCallQueue calls_;
    HWND window_ = nullptr;
    bool ended_ = false;
    int result_ = 0;
    StationList list_;
    std::string status_;
    station::StationIdentity identity_;  // as the fields first show it
    StationFields fields_;
    HWND openBox_ = nullptr;  // the re-plug prompt or the close question while it is up
    station::StationPresenter presenter_;
};

}  // namespace zt::win32

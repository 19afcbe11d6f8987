#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "station/presenter/StationPresenter.h"
#include "ui/qt/StationTable.h"

class QLabel;
class QListWidget;
class QMessageBox;
class QPushButton;

namespace zt {
class DeviceBackend;
}

namespace zt::qt {

class BarcodeScanField;
class QtInstanceLock;
class StationIdentityFields;
class UiThreadCalls;

// The station window: one row per unit (port, IDs, progress, result and what
// a failure's code means), Write EEPROM and Run station as the station's
// presenter runs them (station/presenter/StationPresenter.h). A failed
// unit's bar turns red; a row's result is PASS in green or FAIL in red with
// its code and what to do. Above the table: who runs the station (Station ID,
// Operator, Work order), written into every unit's record and editable while
// nothing runs, and the Barcode field, whose scanned codes go to the units Run
// station starts, one each, in the order scanned (Write EEPROM leaves them
// waiting). Below it the station's counters and the list of this shift's
// failures, over every job since the window opened.
//
// Keyboard: the table has the focus first and Enter there starts the job, as
// does Alt+W anywhere; Tab goes on to Write EEPROM, Run station and Exit,
// where Space presses the button, and on round to the fields above the
// table (Alt+S, Alt+O, Alt+K, Alt+B). Run station puts the keyboard in the
// Barcode field, for the scanner. Enter elsewhere starts and ends nothing.
//
// Closing while units are under way asks first (default No); a close that
// goes ahead stops the job and waits for its units, each of which still in
// its job then leaves an INTERRUPTED line in the station log.
//
// Threads: the window belongs to the user-interface thread; the units reach
// it only through the presenter, whose calls run there.
class StationWindow : public QDialog, private station::StationView {
    Q_OBJECT

public:
    using Mode = station::StationPresenter::Mode;

    explicit StationWindow(DeviceBackend& backend, QWidget* parent = nullptr);
    ~StationWindow() override;

    // See StationPresenter.
    void SetReplugMode(ReplugMode mode) { presenter_.SetReplugMode(mode); }
    void SetPreCheck(const station::PreCheck* check) { presenter_.SetPreCheck(check); }
    void SetLog(station::StationLog* log) { presenter_.SetLog(log); }
    void SetSerials(station::SerialNumbers* serials) { presenter_.SetSerials(serials); }
    // Rings the system's bell when a unit fails.
    void SetBell(bool bell) { bell_ = bell; }

    // Who runs the station, as the fields first show it.
    void SetIdentity(const station::StationIdentity& identity);

    // Makes the window the instance a second start of the tool finds.
    void SetInstanceLock(QtInstanceLock* lock);

    // Looks for the units present now (only while no job runs).
    void Refresh() { presenter_.Refresh(); }
    bool JobRunning() const { return presenter_.Running(); }

    QPushButton* WriteButton() const { return write_; }
    QPushButton* RunStationButton() const { return runStation_; }
    Mode CurrentMode() const { return presenter_.CurrentMode(); }
    QPushButton* ExitButton() const { return exit_; }
    StationTable* Table() const { return table_; }
    StationIdentityFields* IdentityFields() const { return identity_; }
    BarcodeScanField* Barcodes() const { return barcodes_; }
    QLabel* CountersLine() const { return counters_; }
    // "12:04:31  1-1.2  FAIL 020B0601: ...", one line per failed unit since the window opened.
    QListWidget* FailuresList() const { return failures_; }
    const station::StationTally& Counters() const { return presenter_.Tally(); }

    bool AnyUnitFailed() const { return presenter_.AnyUnitFailed(); }
    bool LogFailed() const { return presenter_.LogFailed(); }

    // Hooks, each run on the UI thread: the re-plug prompt once it is up
    // (answered with its OK button), the question whether to close during a
    // job (its Yes or No button), and the end of a job.
    std::function<void(QMessageBox&)> onReplugPromptShown;
    std::function<void(QMessageBox&)> onCloseQuestionShown;
    std::function<void(const std::vector<station::UnitResult>&)> onJobEnded;
    // Run station: each unit's result as its row shows it.
    std::function<void(const station::UnitResult&)> onUnitResult;

    // Ends the window with `result` without asking, stopping a running job.
    void done(int result) override;

protected:
    void reject() override;

private:
    void Build();
    void StartJob();
    void StopJob();
    bool ConfirmClose();

    // station::StationView
    void ShowRows(const std::vector<station::RowShown>& rows) override;
    void ShowStatus(const std::string& text) override;
    void ShowCounters(const std::string& text) override;
    void ShowButtons(const station::StationButtons& buttons) override;
    void AskToReplug(const std::string& text, std::function<void()> answered) override;
    std::optional<station::StationIdentity> TakeIdentity() override;
    std::string NextBarcode() override;
    void UnitFailed(const std::string& port, const std::string& words) override;
    void LogNotWritten(const std::vector<std::string>& errors) override;
    void StationStarted() override;
    void JobEnded(const std::vector<station::UnitResult>& results) override;
    void UnitShown(const station::UnitResult& unit) override;

    UiThreadCalls* calls_;
    StationTable* table_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* exit_ = nullptr;
    QPushButton* runStation_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* counters_ = nullptr;
    QListWidget* failures_ = nullptr;
    StationIdentityFields* identity_ = nullptr;
    BarcodeScanField* barcodes_ = nullptr;
    bool bell_ = false;
    QPointer<QMessageBox> replugBox_;
    QPointer<QMessageBox> closeQuestion_;
    // Where the keyboard was when the job started; the disabled button loses
    // it to Exit meanwhile, where a second Space would close the tool.
    QPointer<QWidget> focusBeforeJob_;
    station::StationPresenter presenter_;
};

}  // namespace zt::qt

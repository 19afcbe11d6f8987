#pragma once
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "station/presentation/PortLine.h"
#include "station/presentation/StationPorts.h"
#include "station/presentation/WindowStationDisplay.h"
#include "station/records/RecordKeeper.h"
#include "station/records/StationIdentity.h"
#include "station/run/MultiUnitWrite.h"
#include "station/unit/PreCheck.h"
#include "ui/qt/StationCounters.h"

class QLabel;
class QListWidget;
class QMessageBox;
class QPushButton;
class QTableWidget;

namespace zt {
class DeviceBackend;
}

namespace zt::qt {

class BarcodeScanField;
class QtInstanceLock;
class StationIdentityFields;
class UiThreadCalls;

// The station window: one row per unit present (port, IDs, progress, result
// and what a failure's code means) and one Write EEPROM button that writes
// every present unit at once, each with its own dialog object and worker, on
// a thread of the window's own. A failed unit's bar turns red.
//
// Above the table: who runs the station (Station ID, Operator, Work order),
// written into every unit's record and editable while nothing runs, and the
// Barcode field, whose scanned codes go to the units Run station starts, one
// each, in the order scanned (Write EEPROM leaves them waiting).
//
// Keyboard: the table has the focus first and Enter there starts the job, as
// does Alt+W anywhere; Tab goes on to Write EEPROM, Run station and Exit,
// where Space presses the button, and on round to the fields above the
// table (Alt+S, Alt+O, Alt+K, Alt+B). Run station puts the keyboard in the
// Barcode field, for the scanner. Enter elsewhere starts and ends nothing.
//
// Each row says where its unit stands (writing, re-plug it now, being
// checked) and keeps its last result, PASS in green or FAIL in red with its
// code and what to do, until the next unit on its port starts, a unit pulled
// mid-job included. Below the table the station's counters (passed, failed,
// units per hour) and the list of this shift's failures cover every job since
// the window opened.
//
// While no job runs the units present are looked for once a second; a unit
// that goes away keeps its row while it shows a result, so a unit pulled
// during the job still shows its code, and a unit that arrives on a port
// starts with an empty result. The button is disabled while a job runs and
// while no unit is present. Closing during a job asks first (default No);
// a close that goes ahead stops the job, releases every unit thread that
// waits on the window, and waits for them before the window goes; each unit
// still in its job then leaves an INTERRUPTED line in the station log.
//
// Threads: the window belongs to the user-interface thread; the units reach
// it only through their display, whose calls run there.
class StationWindow : public QDialog, public station::WindowStationDisplay::Rows {
    Q_OBJECT

public:
    // How units are written: every unit present at once when Write EEPROM is
    // pressed, or, while Run station is on, each unit by itself as it
    // arrives (its own re-plug on its own row, checked after its last
    // re-plug; taking it out readies the port for the next).
    enum class Mode { WriteAll, RunStation };

    explicit StationWindow(DeviceBackend& backend, QWidget* parent = nullptr);
    ~StationWindow() override;

    // How the units are re-plugged: by the operator (the default), or by
    // switching their hub ports off and on where the hubs can (a unit whose
    // port cannot be switched is left to the operator's prompt).
    void SetReplugMode(ReplugMode mode) { replug_ = mode; }
    // Asked before each unit is touched, in both modes; none: nobody.
    void SetPreCheck(const station::PreCheck* check) { preCheck_ = check; }
    // The station log each unit's job appends its line to; none by default.
    void SetLog(station::StationLog* log) { records_ = std::make_unique<station::RecordKeeper>(log); }

    // Where each unit's serial comes from; none keeps each image's own.
    void SetSerials(station::SerialNumbers* serials) { serials_ = serials; }
    // Rings the system's bell when a unit fails.
    void SetBell(bool bell) { bell_ = bell; }

    // Who runs the station, as the fields first show it.
    void SetIdentity(const station::StationIdentity& identity);

    // Makes the window the instance a second start of the tool finds.
    void SetInstanceLock(QtInstanceLock* lock);

    // Looks for the units present now (only while no job runs).
    void Refresh();
    bool JobRunning() const { return running_; }

    QPushButton* WriteButton() const { return write_; }
    QPushButton* RunStationButton() const { return runStation_; }
    Mode CurrentMode() const { return mode_; }
    QPushButton* ExitButton() const { return exit_; }
    QTableWidget* Table() const { return table_; }
    StationIdentityFields* IdentityFields() const { return identity_; }
    BarcodeScanField* Barcodes() const { return barcodes_; }
    QLabel* CountersLine() const { return counters_; }
    // "12:04:31  1-1.2  FAIL 020B0601: ...", one line per failed unit since the window opened.
    QListWidget* FailuresList() const { return failures_; }
    const StationCounters& Counters() const { return tally_; }

    // Over the window's whole run: a unit that did not end OK (failed,
    // interrupted by the close, or not written at all), and a station-log
    // line that could not be written.
    bool AnyUnitFailed() const { return tally_.Failed() > 0; }
    bool LogFailed() const { return records_->Failed(); }

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
    enum Column { kPort, kIds, kProgress, kResult, kMeaning, kColumns };

    struct Row {
        std::string port;
        QString ids;
        bool present = false;
        station::PortLine line;  // where its unit stands, and its last result
        bool stated = false;     // a job has said where the unit stands
        QString result;          // instead of the line: a unit that was not written at all
        QString resultTip;       // the outcome with its code's name
        QString meaning;         // what to do about the code, from the failure catalogue
        QString meaningTip;      // what the code means, in full, under the pointer
        bool hasResult = false;  // the line keeps a result
    };

    // Who runs the job about to start, from the fields; none when a field
    // cannot go into a record, and a box says why.
    std::optional<station::StationIdentity> TakeIdentity();
    void StartJob();
    // Run station: on starts the station thread; off stops taking units,
    // and the mode ends once the units under way have their results.
    void StartStation();
    void StopStation();
    void ShowUnitResult(const station::UnitResult& unit);
    size_t RowOf(size_t index) const;
    // The results of the job that ended, once: on the UI thread when the job
    // thread hands them over, or by the close after it has joined the thread.
    void FinishJob();
    // The records that did not reach the log; false when there were any.
    static bool RecordErrors(const std::vector<station::UnitResult>& results, QStringList* errors);
    void StopJob();
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool ConfirmClose();
    // A unit is being written, or waits to be re-plugged or checked: closing
    // now would spoil it.
    bool UnitsUnderWay() const;
    static QString ResultText(const Row& row);
    void ShowRows();
    void UpdateButton();

    // station::WindowStationDisplay::Rows
    void ShowProgress(size_t index, int percent) override;
    void ShowText(size_t index, const std::string& text) override;
    void ShowState(size_t index, const station::PortStatus& status) override;
    void AskToReplug(const std::string& text, std::function<void()> answered) override;
    void BindPort(size_t index, const std::string& port) override;

    DeviceBackend& backend_;
    UiThreadCalls* calls_;
    QTableWidget* table_;
    QPushButton* write_;
    QPushButton* exit_;
    QPushButton* runStation_;
    QLabel* status_;
    QLabel* counters_;
    QListWidget* failures_;
    StationIdentityFields* identity_;
    BarcodeScanField* barcodes_;
    StationCounters tally_;
    Mode mode_ = Mode::WriteAll;
    std::vector<Row> rows_;
    bool running_ = false;
    ReplugMode replug_ = ReplugMode::Operator;
    station::SerialNumbers* serials_ = nullptr;
    bool bell_ = false;
    const station::PreCheck* preCheck_ = nullptr;
    // Every unit's record, before its row shows the result.
    std::unique_ptr<station::RecordKeeper> records_ = std::make_unique<station::RecordKeeper>(nullptr);
    QPointer<QMessageBox> replugBox_;
    QPointer<QMessageBox> closeQuestion_;
    // Where the keyboard was when the job started; the disabled button loses
    // it to Exit meanwhile, where a second Space would close the tool.
    QPointer<QWidget> focusBeforeJob_;

    std::atomic<bool> stopping_{false};
    std::atomic<bool> stationOn_{false};
    station::StationPorts stationPorts_;                      // the station's port of each index
    std::unique_ptr<station::WindowStationDisplay> display_;  // the running job's; outlives its thread
    std::thread job_;
    std::mutex resultsMutex_;
    std::optional<std::vector<station::UnitResult>> results_;  // the job thread's, not yet finished
};

}  // namespace zt::qt

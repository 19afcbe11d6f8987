#pragma once
#include <QDialog>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "station/MultiUnitWrite.h"
#include "ui/qt/QtStationDisplay.h"

class QLabel;
class QMessageBox;
class QPushButton;
class QTableWidget;

namespace zt {
class DeviceBackend;
}

namespace zt::qt {

class QtInstanceLock;
class UiThreadCalls;

// The station window: one row per unit present (port, IDs, progress, result)
// and one Write EEPROM button that writes every present unit at once, each
// with its own dialog object and worker, on a thread of the window's own.
//
// While no job runs the units present are looked for once a second; a unit
// that goes away keeps its row while it shows a result, so a unit pulled
// during the job still shows its code, and a unit that arrives on a port
// starts with an empty result. The button is disabled while a job runs and
// while no unit is present. Closing during a job asks first (default No);
// a close that goes ahead stops the job, releases every unit thread that
// waits on the window, and waits for them before the window goes.
//
// Threads: the window belongs to the user-interface thread; the units reach
// it only through their display, whose calls run there.
class StationWindow : public QDialog, public QtStationDisplay::Rows {
    Q_OBJECT

public:
    explicit StationWindow(DeviceBackend& backend, QWidget* parent = nullptr);
    ~StationWindow() override;

    // How the units are re-plugged: by the operator (the default), or by
    // switching their hub ports off and on where the hubs can (a unit whose
    // port cannot be switched is left to the operator's prompt).
    void SetReplugMode(ReplugMode mode) { replug_ = mode; }
    // The station log each unit's job appends its line to; none by default.
    void SetLog(station::StationLog* log) { log_ = log; }

    // Makes the window the instance a second start of the tool finds.
    void SetInstanceLock(QtInstanceLock* lock);

    // Looks for the units present now (only while no job runs).
    void Refresh();
    bool JobRunning() const { return running_; }

    QPushButton* WriteButton() const { return write_; }
    QTableWidget* Table() const { return table_; }

    // Hooks, each run on the UI thread: the re-plug prompt once it is up
    // (answered with its OK button), the question whether to close during a
    // job (its Yes or No button), and the end of a job.
    std::function<void(QMessageBox&)> onReplugPromptShown;
    std::function<void(QMessageBox&)> onCloseQuestionShown;
    std::function<void(const std::vector<station::UnitResult>&)> onJobEnded;

    // Ends the window with `result` without asking, stopping a running job.
    void done(int result) override;

protected:
    void reject() override;

private:
    enum Column { kPort, kIds, kProgress, kResult, kColumns };

    struct Row {
        std::string port;
        QString ids;
        bool present = false;
        int progress = 0;
        QString result;     // the job's own last words, its result box
        QString resultTip;  // the outcome with its code's name
        bool hasResult = false;
        bool ok = false;
    };

    void StartJob();
    void FinishJob(const std::vector<station::UnitResult>& results);
    void StopJob();
    bool ConfirmClose();
    void ShowRows();
    void UpdateButton();

    // QtStationDisplay::Rows
    void ShowProgress(size_t index, int percent) override;
    void ShowText(size_t index, const std::string& text) override;
    void AskToReplug(const std::string& text, std::function<void()> answered) override;

    DeviceBackend& backend_;
    UiThreadCalls* calls_;
    QTableWidget* table_;
    QPushButton* write_;
    QLabel* status_;
    std::vector<Row> rows_;
    bool running_ = false;
    ReplugMode replug_ = ReplugMode::Operator;
    station::StationLog* log_ = nullptr;
    QPointer<QMessageBox> replugBox_;
    QPointer<QMessageBox> closeQuestion_;

    std::atomic<bool> stopping_{false};
    std::unique_ptr<QtStationDisplay> display_;  // the running job's; outlives its thread
    std::thread job_;
};

}  // namespace zt::qt

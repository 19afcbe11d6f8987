#pragma once
#include <QDialog>
#include <QList>
#include <QPointer>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

#include "app/DialogWindow.h"
#include "ui/qt/DialogUnits.h"

class QEvent;
class QKeyEvent;
class QLabel;
class QMessageBox;

namespace zt {
class CZT51xxWriteEepromMPDlg;
}

namespace zt::qt {

class QtInstanceLock;
class UiThreadCalls;

// Template 102 as a Qt window, and the dialog object's view of it.
//
// The controls are built from the one control table: identifiers, kinds,
// captions, rectangles converted from dialog units with the font's metrics,
// and the template's visibility. The window has a title bar without a close
// box; Exit is the default button, so Enter (also in an ID box) closes the
// tool, and Escape closes it through the dialog's cancel.
//
// While a write job runs, Enter and Escape do nothing (a stray key must not
// leave the unit erased), and Exit or the window manager's close asks first.
// Below the progress bar, in a spot the template leaves empty, a line keeps
// the last job's outcome until the next job starts.
//
// Threads: the window belongs to the user-interface thread. Calls from the
// worker are run there and return when handled; its message boxes block only
// the worker (the window stays live, the box is modal to it). Once the close
// procedure has begun, worker calls return at once, so the close can wait for
// the worker without either side waiting for the other.
class QtDialogWindow : public QDialog, public DialogWindow {
    Q_OBJECT

public:
    explicit QtDialogWindow(QWidget* parent = nullptr);
    ~QtDialogWindow() override;

    // With a lock, the window becomes findable by a second start as soon as it
    // takes its title, and comes to the front when that start asks for it.
    void SetInstanceLock(QtInstanceLock* lock);

    // The modal run of a dialog object on this window: initialisation, the
    // event loop until the dialog ends, the close procedure. Returns the
    // dialog's result (1 Exit, 2 Escape).
    int RunModal(CZT51xxWriteEepromMPDlg& dialog);

    // The control with a template identifier, or null (labels without one).
    QWidget* Control(int id) const;
    const DialogUnits& Units() const { return units_; }

    // Hooks, each run on the UI thread. Tests and demos use them to answer
    // message boxes (click OK) and to watch the progress bar.
    std::function<void(QMessageBox&)> onMessageBoxShown;
    std::function<void(int position)> onProgressChanged;
    // Run on the worker thread when the job asks for a re-plug, before the
    // prompt shows; the simulated machine re-plugs its chip here.
    std::function<void()> onReplugRequested;
    // Run on the UI thread once the question whether to close during a job is
    // up; the answer is its Yes (close) or No button.
    std::function<void(QMessageBox&)> onCloseQuestionShown;
    // Run on the UI thread when a write job has ended, before or while its
    // last box shows.
    std::function<void(const JobOutcome&)> onJobEnded;
    // Run with the report of every write job as it ends, on the thread that
    // ends it, while the job's unit is still its own (before onCommandEnded).
    // A job that the close stopped is reported as INTERRUPTED once the close
    // procedure has run.
    std::function<void(const JobReport&)> onJobReport;
    // Run on the UI thread just before a write job, an erase or a version
    // query starts from its button: the command chooses its own unit.
    std::function<void()> onCommandStarting;
    // Run when a write job, an erase or a version query has ended, on the
    // thread that ended it; the unit it worked on is free for the next one.
    std::function<void()> onCommandEnded;

    // True from the hand-over of a write job to the worker until the job's
    // end is announced. Only then would closing leave the EEPROM incomplete.
    bool JobRunning();

    // How the last write job ended; none before the first one.
    std::optional<JobOutcome> LastOutcome();
    // A known device arrived on another port. While the job waits for its
    // own unit to come back, the line below the progress bar says so at
    // once; the job goes on waiting. Any thread.
    void ShowArrivedElsewhere(const std::string& arrivedPort, const std::string& waitingPort);

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
    std::optional<std::string> ChooseFile() override;
    bool ConfirmCloseDuringJob() override;
    void JobEnded(const JobReport& report) override;
    void EraseEnded(const JobOutcome& outcome) override;
    void FirmwareVersionRead(const std::optional<std::string>& version) override;

protected:
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    Q_INVOKABLE void DeliverDeviceChanges();
    Q_INVOKABLE void DeliverJobEnd();

    void BuildControls();
    void OnCommand(int id);
    void BeginClosing();
    bool IsSwallowedDuringJob(const QEvent* event);
    bool ConfirmClose();
    void ShowLastOutcome(const JobOutcome& outcome);
    void DismissUiThreadBoxes();
    QMessageBox* MakeMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon);
    void AnnounceShown(QMessageBox* box);

    DialogUnits units_;
    UiThreadCalls* calls_;
    std::map<int, QWidget*> controls_;
    std::map<int, uint32_t> timers_;  // Qt timer id -> the dialog's timer id
    QList<QPointer<QMessageBox>> workerBoxes_;
    QList<QPointer<QMessageBox>> uiThreadBoxes_;  // each runs its own loop on the UI thread
    QLabel* lastResult_ = nullptr;
    bool ending_ = false;  // EndDialog has run: no new boxes on the UI thread
    CZT51xxWriteEepromMPDlg* dialog_ = nullptr;
    QtInstanceLock* instanceLock_ = nullptr;

    std::mutex noticeMutex_;
    std::deque<DeviceNotice> notices_;

    std::mutex progressMutex_;
    std::map<int, int> lastProgress_;  // the last position set on each bar

    std::mutex outcomeMutex_;
    std::optional<JobOutcome> lastOutcome_;
    // From the re-plug request until the unit's own arrival or the job's end.
    std::atomic<bool> awaitingReplug_{false};
    bool jobEndAnnounced_ = true;  // for the job the Write EEPROM button started last (none yet)
    bool jobEndToShow_ = false;    // announced, not yet shown on the UI thread
};

}  // namespace zt::qt

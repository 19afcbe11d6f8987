#pragma once
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/DialogWindow.h"
#include "station/operator/OperatorInput.h"
#include "station/unit/ConsoleView.h"
#include "station/unit/UiLoop.h"

namespace zt {
class CZT51xxWriteEepromMPDlg;
}

namespace zt::station {

// The dialog's window on a terminal. It keeps the controls' state (texts,
// enabled flags, the progress position) and shows what an operator must see
// through a ConsoleView: the progress bar, the marker and the message boxes.
//
// Threads: the thread that constructs the window is its user-interface
// thread and runs the UiLoop. Device notices are posted to that loop and reach
// the dialog there. Calls from the worker are handled at once under the
// window's lock: a terminal has no thread affinity, so this keeps the promise
// of a synchronous window message (handled before the call returns) and can
// never deadlock against a close procedure that is waiting for the worker.
class ConsoleWindow final : public DialogWindow {
public:
    struct Options {
        bool autoAnswer = false;  // --yes: prompts answer themselves
        // Runs when the re-plug prompt is due, before it is shown. A front end
        // that re-plugs the unit by itself (the simulated chip, a hub port
        // switched off and on) does it here and returns true: the prompt then
        // answers itself.
        std::function<bool()> onReplugPrompt;
        std::function<bool()> cancelled;  // stops waiting for the operator
    };

    ConsoleWindow(UiLoop& loop, ConsoleView& view, OperatorInput& input, Options options);

    // The dialog that notices and timer ticks go to; null detaches it.
    void Attach(CZT51xxWriteEepromMPDlg* dialog) { dialog_.store(dialog); }

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

    // JobEvents
    void ReplugRequested() override;
    void JobEnded(const JobReport& report) override;
    void JobFinished() override;
    void EraseEnded(const JobOutcome& outcome) override;
    void FirmwareVersionRead(const std::optional<std::string>& version) override;

    // What the operator has seen, for the front end's commands.
    bool IsEnabled(int id);
    int ProgressPos();
    std::vector<std::string> MessagesShown();  // every box's text, prompts included
    bool DialogEnded();
    // The report of the last job, the outcome of the last erase or version
    // query since the last call; none when the dialog did not say (it was
    // closed under the job).
    std::optional<JobReport> TakeJobReport();
    // Whether the job started last has finished (its report came and the
    // worker is idle again); StartingJob clears it.
    bool JobFinishedSinceStart();
    void StartingJob();
    std::optional<JobOutcome> TakeEraseOutcome();
    std::optional<std::optional<std::string>> TakeFirmwareVersion();
    // From the re-plug request until the unit's own arrival (or the job's
    // end): the job waits for its unit to come back.
    bool AwaitingReplug();
    // Any thread: names a unit that arrived on another port, between the
    // job's own lines (the worker prints its boxes at the same time).
    void ShowArrivalElsewhere(const std::string& arrivedPort, const std::string& waitingPort);

private:
    void AnswerPrompt(bool replugged);

    UiLoop& loop_;
    ConsoleView& view_;
    OperatorInput& input_;
    Options options_;
    const std::thread::id uiThread_;
    std::atomic<CZT51xxWriteEepromMPDlg*> dialog_{nullptr};

    std::mutex mutex_;
    std::string title_;
    std::map<int, std::string> texts_;
    std::map<int, bool> enabled_;
    std::map<int, bool> shown_;
    std::map<int, bool> checked_;
    int progressMin_ = 0;
    int progressMax_ = 100;
    int progressPos_ = 0;
    std::vector<std::string> messages_;
    bool ended_ = false;
    bool promptNext_ = false;  // the next box is the re-plug prompt
    std::optional<JobReport> jobReport_;
    bool awaitingReplug_ = false;
    bool jobFinished_ = false;
    std::optional<JobOutcome> eraseOutcome_;
    std::optional<std::optional<std::string>> version_;
};

}  // namespace zt::station

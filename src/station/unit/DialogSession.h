#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "device/PortScope.h"
#include "job/JobOutcome.h"
#include "job/JobReport.h"
#include "job/JobRequest.h"
#include "platform/Platform.h"
#include "station/operator/OperatorInput.h"
#include "station/ports/CancellableHidBackend.h"
#include "station/unit/ConsoleView.h"
#include "station/unit/ConsoleWindow.h"
#include "station/unit/UiLoop.h"

namespace zt::station {

// One run of the dialog on a terminal: the console window, its
// user-interface loop and the dialog object, started and closed as the
// application's start-up routine would. The thread that creates the session
// is the user-interface thread; every method runs on it.
class DialogSession {
public:
    struct Options {
        bool autoAnswer = false;
        std::function<bool()> onReplugPrompt;  // see ConsoleWindow::Options
        std::function<bool()> interrupted = [] { return false; };
    };

    DialogSession(const Platform& platform, ConsoleView& view, OperatorInput& input, Options options);
    ~DialogSession();  // closes the dialog if it is still open
    DialogSession(const DialogSession&) = delete;
    DialogSession& operator=(const DialogSession&) = delete;

    // The dialog initialisation: defaults, notices, device open, worker, timer.
    void Start();
    // A write job as `request` asks for it, then runs the loop until the job
    // has ended (the button is back and the worker idle) or an interrupt
    // came. The report says how it ended.
    JobReport WriteEeprom(const JobRequest& request = {});
    // The hidden Erase button, with the request's IDs in the boxes. The
    // dialog shows nothing for it; a failure carries the record it left.
    JobOutcome EraseEeprom(const JobRequest& request = {});
    // The hidden Get FW Ver. button, with the request's IDs in the boxes: the
    // status label's text, and the version read (none when the query failed).
    std::optional<std::string> GetFirmwareVersion(std::string* status, const JobRequest& request = {});

    // While the session lives, a known device that arrives on another port
    // of `scope` while the job waits for its unit to come back is named to
    // the operator at once; the job goes on waiting. Arrivals on `awaitedPorts`
    // are not named: other jobs of the same station wait for those units.
    void WatchArrivalsElsewhere(PortScope& scope, std::vector<std::string> awaitedPorts = {});

    // The dialog left alone for a while: the loop handles notices and ticks.
    void RunFor(std::chrono::milliseconds duration);

    // The close procedure, once; stops waiting prompts first.
    void Close();

    CZT51xxWriteEepromMPDlg& Dialog() { return *dialog_; }
    ConsoleWindow& Window() { return window_; }

private:
    // Whether a read waiting for a reply gives up now: on the user-interface
    // thread after an interrupt, on any thread once the close has begun.
    bool ReadsCancelled() const;

    Options options_;
    std::atomic<bool> closing_{false};
    const std::thread::id uiThread_;
    CancellableHidBackend hid_;
    UiLoop loop_;
    ConsoleWindow window_;
    std::unique_ptr<CZT51xxWriteEepromMPDlg> dialog_;
    PortScope* watched_ = nullptr;
    bool started_ = false;
    bool closed_ = false;
};

}  // namespace zt::station

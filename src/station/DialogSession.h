#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "job/JobOutcome.h"
#include "platform/Platform.h"
#include "station/CancellableHidBackend.h"
#include "station/ConsoleView.h"
#include "station/ConsoleWindow.h"
#include "station/OperatorInput.h"
#include "station/UiLoop.h"

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
    // The operator types the IDs into boxes 1004 and 1005.
    void TypeIds(uint16_t vendorId, uint16_t productId);

    // Write EEPROM: presses the button, then runs the loop until the job has
    // ended (the button is back and the worker idle) or an interrupt came.
    JobOutcome WriteEeprom();
    // The hidden Erase button. The dialog shows nothing for it; a failure
    // carries the record it left.
    JobOutcome EraseEeprom();
    // The hidden Get FW Ver. button: the status label's text, and the version
    // read (none when the query failed).
    std::optional<std::string> GetFirmwareVersion(std::string* status);

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
    bool started_ = false;
    bool closed_ = false;
};

}  // namespace zt::station

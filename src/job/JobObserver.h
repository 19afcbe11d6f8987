#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "job/JobOutcome.h"
#include "job/JobReport.h"
#include "protocol/ProgressView.h"

namespace zt {

// The re-plug the job asks for between the erase and the write: the device
// has been closed, and the worker waits for it to come back once the request
// returns.
struct ReplugRequest {
    // The unit's USB port as the job's link found it; "" when the backend
    // cannot tell.
    std::string port;
    // Passes of 10 ms the worker then waits for the unit.
    uint32_t countdown = 0;
    // The design's prompt, in the job's texts.
    std::string_view prompt;
};

// Everything the job shows and tells, to whoever runs it: the dialog (on its
// window's controls and boxes), a runner without a window (on a terminal or
// a station's rows), a test. Every method has an empty default, so an
// observer overrides only what it uses.
//
// Threads: calls come from the thread that produced them: the
// user-interface thread for the write request's preflight and the hidden
// commands, the worker for the job's steps. The Show... calls and the
// re-plug request return only once handled (a box once dismissed); the
// others must return promptly and must not call back into the job.
class JobObserver : public ProgressView {
public:
    // ---- What the job shows on the dialog's controls ---------------------
    void ShowProgress(int percent) override { (void)percent; }
    virtual void EnableWriteButton(bool enable) { (void)enable; }
    // The one-character marker beside the progress bar.
    virtual void ShowMarker(std::string_view text) { (void)text; }
    virtual void ShowImageFirmwareId(uint16_t firmwareId) { (void)firmwareId; }
    virtual void ShowVersionStatus(std::string_view text) { (void)text; }
    virtual void ShowVersion(const std::string& text) { (void)text; }

    // ---- The job's boxes: each returns once dismissed ----------------------
    // Worker thread: have the unit re-plugged (the prompt, or hands that do it).
    virtual void ReplugRequested(const ReplugRequest& request) { (void)request; }
    // Worker thread: the completion box.
    virtual void ShowCompletion(std::string_view text) { (void)text; }
    // The failure box for a code: "Fail to Write EEPROM! [XXXXXXXX]".
    virtual void ShowFailure(uint32_t code) { (void)code; }

    // ---- What happened, as values ------------------------------------------
    // The write job is over, just before its last box (completion or failure)
    // is shown; after a failed header clear that restores the header, once
    // the restore has run, so that the report carries the restore's code too.
    // Worker thread, or the user-interface thread when the preflight failed.
    // Not called while the job is stopping.
    virtual void JobEnded(const JobReport& report) { (void)report; }
    // The last box is gone, the worker is idle and Write EEPROM is enabled
    // again: the next job may start. Not called while the job is stopping.
    virtual void JobFinished() {}
    // User-interface thread: the hidden Erase button's command has ended.
    virtual void EraseEnded(const JobOutcome& outcome) { (void)outcome; }
    // User-interface thread: the firmware-version query has ended; no value
    // when it failed.
    virtual void FirmwareVersionRead(const std::optional<std::string>& version) { (void)version; }
};

}  // namespace zt

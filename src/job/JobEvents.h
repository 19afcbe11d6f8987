#pragma once
#include <optional>
#include <string>

#include "job/JobOutcome.h"
#include "job/JobReport.h"

namespace zt {

// What the dialog tells a front end about its jobs, as values. The operator
// still reads the design's texts in the boxes and labels; a front end that
// has to act on what happened (answer the re-plug prompt, print a result line,
// keep the last outcome on screen) listens here instead of reading those
// texts back.
//
// Threads: each call comes on the thread that produced the event, named
// below; it must return promptly and must not call back into the dialog.
// Every method has an empty default, so a front end overrides only what it
// uses.
class JobEvents {
public:
    virtual ~JobEvents() = default;

    // Worker thread: the device has been closed and the re-plug prompt is
    // about to be shown. The next message box is that prompt.
    virtual void ReplugRequested() {}

    // The write job is over, just before its last box (completion or failure)
    // is shown; after a failed header clear that restores the header, once
    // the restore has run, so that the report carries the restore's code too.
    // Worker thread, or the user-interface thread when the write request's
    // preflight failed. Not called while the dialog is closing.
    virtual void JobEnded(const JobReport& report) { (void)report; }

    // The write job's last box is gone, the worker is idle and Write EEPROM
    // is enabled again: the next job may start. Worker thread, or the
    // user-interface thread when the preflight failed. Not called while the
    // dialog is closing.
    virtual void JobFinished() {}

    // User-interface thread: the hidden Erase button's command has ended.
    virtual void EraseEnded(const JobOutcome& outcome) { (void)outcome; }

    // User-interface thread: the firmware-version query has ended; no value
    // when it failed (the version box then keeps whatever it showed).
    virtual void FirmwareVersionRead(const std::optional<std::string>& version) { (void)version; }
};

}  // namespace zt

#pragma once

namespace zt::station {

// Exit codes of every front end: the command line, the Qt dialogs and the
// Win32 dialog. A station script reads them the same way whichever program
// ran the job.
enum ExitCode : int {
    kExitOk = 0,
    kExitJobFailed = 1,  // the device job ran and failed; the code was shown
    kExitUsage = 2,      // bad command line (unknown option, bad ID, unknown fault)
    kExitNoDevice = 3,   // no device to talk to (or no permission to open it), or no backend for real devices
    kExitIoError = 4,    // a file could not be written or read (the station log included)
    kExitUnitBusy = 5,   // the unit is held by another job (another process, or another unit's job here)
    kExitUnitLock = 6,   // the unit's lock could not be taken (its lock folder is missing or not writable)
    // An exception reached the top of the program: a fault of the tool
    // itself, reported in one line instead of an abort.
    kExitInternalError = 70,
    // A signal stopped the program: the dialog was closed properly, the job
    // did not finish. 128 plus the signal's number, as a shell reports a
    // process that the signal ended.
    kExitSignalBase = 128,
    kExitHangup = 129,       // SIGHUP: the terminal or SSH session went away; closed as for SIGTERM
    kExitInterrupted = 130,  // Ctrl-C (SIGINT)
    kExitTerminated = 143,   // SIGTERM
};

}  // namespace zt::station

#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "job/JobRequest.h"

namespace zt {
class DeviceBackend;
}

namespace zt::win32 {

// zt51xx-mp-gui.exe --station: the station window instead of the dialog.
//   --log FILE                      every unit's job appends its line to FILE
//   --replug power                  re-plug by switching hub ports where they can
//   --simulate [--units N] [--fault F]... [--updater] [--variant V] [--sim-clock]
//   --auto-ok                       answer the re-plug prompt with OK
//   --write                         press Write EEPROM once the window is up,
//                                   and close once that job has ended
//   --screenshot FILE               as --write, and save the window as a PNG
//                                   when the rows show their results
struct StationOptions {
    std::string logPath;
    ReplugMode replug = ReplugMode::Operator;
    bool simulate = false;
    int units = 1;
    std::vector<std::string> faults;
    bool updater = false;
    std::string variant = "A";
    bool simClock = false;
    bool autoOk = false;
    bool writeOnce = false;
    std::string screenshotPath;
    // --pre-check CMD [--pre-check-timeout SECONDS]: asked before each unit
    // is touched (cmd /c); "" asks nobody.
    std::string preCheck;
    int preCheckTimeoutMs = 10000;
    // Run by itself: the station engine that writes each unit as it is
    // plugged, with no button to press, gets its switch here and its loop in
    // RunStation, beside the window's.
};

bool WantsStation(const std::vector<std::string>& args);
std::optional<StationOptions> ParseStationOptions(const std::vector<std::string>& args, std::string& error);

// Runs the station window on `backend` until it is closed; returns the exit
// code: 1 when a unit of any job failed (or the window could not be made),
// 4 when the log cannot be opened (before any job), else 0. `tell` gets what
// the operator must read when the window cannot say it.
int RunStation(DeviceBackend& backend, const StationOptions& options,
               const std::function<void(const std::string&)>& tell);

// The whole process for --station: options, the single-instance rule, the
// machine's devices or the simulated ones, the window. Returns the exit code.
int StationMain(const std::vector<std::string>& args);

}  // namespace zt::win32

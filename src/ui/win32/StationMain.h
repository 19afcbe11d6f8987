#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "job/JobRequest.h"
#include "station/records/StationIdentity.h"

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
//   --run                           press Run station once the window is up:
//                                   each unit is written as it is plugged; with
//                                   --screenshot, the picture is taken once as
//                                   many units as --units (else one) have their
//                                   results and the window then closes
//   --serial counter:START[:STEP] | file:PATH
//                                   give each unit its own serial, under Write
//                                   EEPROM and Run station alike, entered in the
//                                   state folder's ledger as on the command line
//   --station-id ID --operator NAME --work-order WO [--config FILE]
//                                   who runs the station, as the fields first
//                                   show it; what is not given comes from the
//                                   station settings
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
    bool runStation = false;
    std::optional<std::string> serial;
    station::GivenIdentity identity;
    std::string configFile;
    // --pre-check CMD [--pre-check-timeout SECONDS]: asked before each unit
    // is touched (cmd /c); "" asks nobody.
    std::string preCheck;
    int preCheckTimeoutMs = 10000;
};

bool WantsStation(const std::vector<std::string>& args);
std::optional<StationOptions> ParseStationOptions(const std::vector<std::string>& args, std::string& error);

// Runs the station window on `backend` until it is closed; returns the exit
// code: 1 when a unit of any job failed (or the window could not be made),
// 4 when the log cannot be opened or the ledger of serials cannot be used
// (before any job) or a unit's record could not be written, 2 for station
// settings or a serial source that cannot be used, else 0. `tell` gets what
// the operator must read when the window cannot say it.
int RunStation(DeviceBackend& backend, const StationOptions& options,
               const std::function<void(const std::string&)>& tell);

// The whole process for --station: options, the single-instance rule, the
// machine's devices or the simulated ones, the window. Returns the exit code.
int StationMain(const std::vector<std::string>& args);

}  // namespace zt::win32

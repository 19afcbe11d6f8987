#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/BackendSelection.h"
#include "cli/Commands.h"
#include "station/config/SimulationArguments.h"
#include "station/publish/BrokerOptions.h"

namespace CLI {
class App;
}

namespace zt::cli {

// The options of the device commands as typed, and what they mean once checked.
struct DeviceOptions {
    std::optional<std::string> vid;  // not given: the dialog's default
    std::optional<std::string> pid;
    bool yes = false;
    bool json = false;
    std::string port;                     // "": the first known device found
    std::vector<std::string> ports;       // write: every --port given; several are written at once
    bool all = false;                     // write: every known unit present at the start
    int replugWaitSeconds = 0;            // several units: 0 means the default for their number
    bool replugByPower = false;           // write: --replug power
    std::vector<std::string> logTargets;  // write: each --log as typed (or ZT_LOG): a file, or "journal"
    std::string log;                      // write: the station log file to append to; "": none
    bool journal = false;                 // write: each record also goes to the system's journal
    std::string imageFile;                // write: an image file instead of the built-in one ("": built-in)
    std::string imageSha256;              // write: the SHA-256 the image file must have ("": any)
    bool simulate = false;
    sim::SimulationArguments simulation;  // its unit count comes from `units`
    std::optional<std::string> units;     // --units as typed; not given: one unit
    // A station's: each unit's serial (none keeps the image's), who runs it,
    // and how the units are checked after their last re-plug.
    std::optional<std::string> serial;
    std::optional<std::string> stationId, operatorName, workOrder;
    std::string configFile;       // "": the system's and the user's station.conf
    bool confirm = false;         // write: check the unit after its last re-plug
    int confirmWaitSeconds = 10;  // from the unit leaving until it must be back
    bool barcode = false;         // station: one scanned code per unit on standard input
    int stopAfter = 0;            // station: stop after this many units (0: run until stopped)
    bool bell = false;            // write and station at a terminal: a failed unit rings the bell
    bool logGiven = false;        // --log was typed, even as ""
    // write and station: the program asked before each unit is touched, and
    // how long it has to answer.
    std::optional<std::string> preCheck;
    double preCheckTimeoutSeconds = 10;
    station::BrokerOptions broker;  // write and station: --mqtt and its options
};

struct CheckedDeviceOptions {
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
    BackendChoice backend;
    bool severalUnits = false;  // --all or more than one --port
};

// The options of the simulated machine, in a group of their own in --help so
// that a station engineer reads the station options apart from them.
// `withUpdater`: also --updater (the chip starts as an updater device).
void AddSimulatorOptions(CLI::App* command, DeviceOptions& options, bool withUpdater);

// Checks everything before any device is touched. False with one line for
// the operator in `error`.
bool CheckDeviceOptions(const DeviceOptions& options, CheckedDeviceOptions* checked, std::string* error);

// The backend the checked options choose, on the command's clock and unit
// lock folder (tests give their own); nullptr with the reason in `error`.
std::unique_ptr<DeviceBackend> SelectCommandBackend(const CheckedDeviceOptions& checked,
                                                    const CommandContext& ctx, std::string* error);

}  // namespace zt::cli

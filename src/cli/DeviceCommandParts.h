#pragma once
#include <memory>
#include <mutex>
#include <optional>

#include "chip/KnownDeviceTable.h"
#include "cli/Commands.h"
#include "cli/DeviceOptions.h"
#include "job/JobOutcome.h"
#include "job/JobRequest.h"
#include "station/operator/OperatorInput.h"
#include "station/publish/RecordPublisher.h"
#include "station/records/StationLog.h"
#include "station/run/StationDisplay.h"
#include "station/run/StationRun.h"
#include "station/serials/SerialNumbers.h"
#include "station/unit/PreCheck.h"

namespace CLI {
class App;
}

// What the device commands share with the station command.
namespace zt::cli {

// What a command brings along before it touches a device: its checked
// options, the station log it appends to, an image file checked on its own,
// and where the units' serials come from.
struct CommandSetup {
    CheckedDeviceOptions checked;
    StationLog log;
    std::optional<ImageFile> image;
    std::unique_ptr<SerialNumbers> serials;
    StationIdentity identity;
    std::unique_ptr<PreCheck> preCheck;  // --pre-check; none asks nobody
    // With --mqtt: ships the log's records to the broker while the command runs.
    std::unique_ptr<RecordPublisher> publisher;
    // Held by every thread that prints while units run.
    std::mutex outMutex;
};

int ExitCodeOf(ResultKind kind);

// The known-device table with the typed IDs in row 0.
KnownDeviceTable TableFor(const CheckedDeviceOptions& checked);

// The display of several units: lines redrawn in place at a terminal,
// tagged lines on a pipe or a file, JSON events with --json.
std::unique_ptr<StationDisplay> MakeStationDisplay(const DeviceOptions& options, CommandContext& ctx,
                                                   std::mutex& outMutex, OperatorInput& input);

// The serial source, the pre-check and who runs the station, from the options and the
// configuration files; false with the exit code set and one line printed.
bool SetUpStationParts(const DeviceOptions& options, CommandSetup& setup, CommandContext& ctx);

// --station-id, --operator, --work-order and --config: who runs the station,
// for every command that leaves a record (SetUpStationParts resolves them).
void AddIdentityOptions(CLI::App* sub, DeviceOptions& options);

// --serial, --pre-check, --pre-check-timeout, --station-id, --operator,
// --work-order, --config (write and station); --confirm and --confirm-wait for write; --barcode and
// --stop-after for the station.
void AddStationPartOptions(CLI::App* sub, DeviceOptions& options, bool station);

// The station: every unit written as it arrives, until Ctrl-C or SIGTERM.
void RunStation(DeviceBackend& backend, const DeviceOptions& options, CommandSetup& setup,
                OperatorInput& input, CommandContext& ctx);

}  // namespace zt::cli

#include "cli/DeviceCommandParts.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

#include "chip/EepromImage.h"
#include "chip/ImageIdentity.h"
#include "cli/InterruptSignal.h"
#include "cli/StreamStationDisplay.h"
#include "cli/TerminalStationDisplay.h"
#include "host/HostSystem.h"
#include "station/config/StationConfig.h"
#include "station/records/StationIdentity.h"

namespace zt::cli {

int ExitCodeOf(ResultKind kind) {
    switch (kind) {
        case ResultKind::Ok:
            return kExitOk;
        case ResultKind::Interrupted:
            return InterruptSignal::ExitCode();
        case ResultKind::Failed:
        case ResultKind::Cancelled:
            return kExitJobFailed;
    }
    return kExitJobFailed;
}

KnownDeviceTable TableFor(const CheckedDeviceOptions& checked) {
    KnownDeviceTable table = kInitialKnownDevices;
    if (checked.vendorId) table[0].vendorId = *checked.vendorId;
    if (checked.productId) table[0].productId = *checked.productId;
    return table;
}

// The display of several units: lines redrawn in place at a terminal,
// tagged lines on a pipe or a file, JSON events with --json.
std::unique_ptr<StationDisplay> MakeStationDisplay(const DeviceOptions& options, CommandContext& ctx,
                                                   std::mutex& outMutex, OperatorInput& input) {
    const int columns =
        (&ctx.out == &std::cout && !options.json) ? HostStandardStreams().RedrawableTerminalColumns() : 0;
    if (columns > 0) {
        // Asked at each redraw, so the lines follow a resized window.
        auto size = [columns] {
            StandardStreams& streams = HostStandardStreams();
            const int now = streams.TerminalColumns();
            return TerminalSize{now > 0 ? now : columns, streams.TerminalLines()};
        };
        return std::make_unique<TerminalStationDisplay>(ctx.out, outMutex, size, input, options.yes,
                                                        InterruptSignal::Requested, options.bell);
    }
    return std::make_unique<StreamStationDisplay>(options.json, ctx.out, outMutex, input, options.yes,
                                                  InterruptSignal::Requested);
}

bool SetUpStationParts(const DeviceOptions& options, CommandSetup& setup, CommandContext& ctx) {
    auto refuse = [&](const std::string& line, int code) {
        ctx.err << "zt51xx-mp: " << line << '\n';
        ctx.exitCode = code;
        return false;
    };
    // The settings file has been read into the options already.
    const StationConfig noFile;
    std::string error;
    if (!ResolveIdentity({options.stationId, options.operatorName, options.workOrder}, noFile,
                         &setup.identity, &error))
        return refuse(error, kExitUsage);
    if (options.preCheck) {
        if (options.preCheck->empty()) return refuse("--pre-check needs a command", kExitUsage);
        setup.preCheck = std::make_unique<PreCheck>(
            *options.preCheck,
            std::chrono::milliseconds(static_cast<int64_t>(options.preCheckTimeoutSeconds * 1000 + 0.5)));
    }
    if (!options.serial) return true;
    if (options.serial->empty())
        return refuse("--serial needs counter:START[:STEP] or file:PATH", kExitUsage);
    // Refused before anything is erased: a serial that cannot go into the
    // images this command writes.
    const auto length = ImageSerialLength(setup.image, &error);
    if (!length) return refuse("--serial: " + error, kExitUsage);
    int exitCode = kExitUsage;
    setup.serials = SerialNumbers::Parse(*options.serial, *length, "", &error, &exitCode);
    if (!setup.serials) return refuse(error, exitCode);
    return true;
}

void AddIdentityOptions(CLI::App* sub, DeviceOptions& options) {
    sub->add_option("--station-id", options.stationId, "this station's name in every record");
    sub->add_option("--operator", options.operatorName, "the operator's name in every record");
    sub->add_option("--work-order", options.workOrder, "the work order in every record");
    sub->add_option("--config", options.configFile,
                    "take the options the command line leaves out from this file instead of "
                    "/etc/zt51xx-mp/station.conf and ~/.config/zt51xx-mp/station.conf: \"key = value\" "
                    "lines, each key an option's long name (\"replug = power\", \"barcode = true\", a "
                    "second \"port =\" line adds a port), # starts a comment, a value may stand in double "
                    "quotes");
}

void AddStationPartOptions(CLI::App* sub, DeviceOptions& options, bool station) {
    sub->add_option("--serial", options.serial,
                    "give each unit its own USB serial string, written into its image at the serial's place "
                    "and length and checked like every byte: counter:START[:STEP] counts up (an all-digit "
                    "START is padded with zeros) from the highest it ever handed out, file:PATH takes one "
                    "line per unit in order; every serial is entered in the serial ledger of the state "
                    "folder (ZT_STATE_DIR, /var/lib/zt51xx-mp or ~/.local/state/zt51xx-mp) before its unit "
                    "is touched, so no run or station sharing that folder hands it out again");
    sub->add_option("--pre-check", options.preCheck,
                    "before each unit is touched, run COMMAND (through /bin/sh -c; cmd /c on Windows) with "
                    "the unit's facts as one JSON line on its standard input (host, stationId, operator, "
                    "workOrder, port, vid, pid, barcode, serial); exit status 0 lets the unit be written, "
                    "anything else, a crash or no answer in time refuses it untouched with 00011A01 or "
                    "00011A02 and its first output line in the record; {\"serial\":\"...\"} on its "
                    "standard output gives the unit that serial instead (entered in the serial ledger; one "
                    "that does not fit the image or was handed out before refuses it with 00011A03)")
        ->type_name("COMMAND");
    sub->add_option("--pre-check-timeout", options.preCheckTimeoutSeconds,
                    "seconds the --pre-check program has to answer before it is killed and the unit refused "
                    "(default 10; decimals allowed)")
        ->check(CLI::Range(0.1, 600.0));
    // --replug-wait comes with the options of several units; 0 would leave
    // no unit any time to come back, so it is refused like any bad number.
    if (CLI::Option* wait = sub->get_option_no_throw("--replug-wait")) wait->check(CLI::Range(1, 3600));
    AddIdentityOptions(sub, options);
    sub->add_option("--confirm-wait", options.confirmWaitSeconds,
                    "seconds a unit has from leaving for its last re-plug until it must be back (default 10)")
        ->check(CLI::Range(1, 600));
    sub->add_flag("--bell", options.bell, "ring the terminal's bell when a unit fails (at a terminal)");
    if (station) {
        sub->add_flag("--barcode", options.barcode,
                      "read one scanned code per unit from standard input; each goes into the record of "
                      "the next unit to start");
        sub->add_option("--stop-after", options.stopAfter, "stop once this many units have a result")
            ->check(CLI::Range(1, 1000000));
        // The simulated operator: with --simulate a station has hands that
        // take each finished unit out (and put fresh ones in).
        options.simulation.handlingMs = 500;
        const char* group = "Simulated chip (no hardware needed)";
        sub->add_option("--sim-handling-ms", options.simulation.handlingMs,
                        "--simulate: the operator's time to swap a finished unit for the next, half to take "
                        "it out and half to put a fresh one in (default 500)")
            ->check(CLI::Range(0, 600000))
            ->group(group);
        sub->add_option("--sim-stagger-ms", options.simulation.staggerMs,
                        "--simulate: the units arrive one after another, this far apart (default 0: all "
                        "there at the start)")
            ->check(CLI::Range(0, 600000))
            ->group(group);
        sub->add_option("--sim-fresh", options.simulation.freshUnits,
                        "--simulate: fresh units put in after the first ones, in all (-1: no end; default 0)")
            ->check(CLI::Range(-1, 1000000))
            ->group(group);
    } else {
        sub->add_flag("--confirm", options.confirm,
                      "after an OK job, re-plug the unit once more (by hand, or by its port with --replug "
                      "power) and check it comes back with the image's IDs, bcdDevice and serial");
    }
}

}  // namespace zt::cli

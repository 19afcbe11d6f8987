#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>

#include "app/DialogTemplate.h"
#include "backends/BackendSelection.h"
#include "chip/HexId.h"
#include "cli/Commands.h"
#include "cli/ConfigOptions.h"
#include "cli/DeviceCommandParts.h"
#include "cli/DeviceOptions.h"
#include "cli/InterruptSignal.h"
#include "cli/RecordPublishing.h"
#include "cli/StreamStationDisplay.h"
#include "cli/TerminalStationDisplay.h"
#include "cli/TextConsoleView.h"
#include "cli/UnitClaimRefusal.h"
#include "cli/UnitView.h"
#include "device/PortScope.h"
#include "host/HostSystem.h"
#include "job/JobResult.h"
#include "job/Sha256.h"
#include "station/config/SimFaultNames.h"
#include "station/image/ImageFileCheck.h"
#include "station/operator/OperatorText.h"
#include "station/ports/KnownDeviceScan.h"
#include "station/ports/PowerReplug.h"
#include "station/presentation/JsonEvents.h"
#include "station/records/StationLog.h"
#include "station/run/MultiUnitWrite.h"
#include "station/unit/JobRunner.h"
#include "station/unit/StationRecordCollector.h"
#include "station/unit/UnitConfirmation.h"
#include "station/unit/UnitPipeline.h"

// The commands that work on a device through the programming job, exactly as
// the dialog's buttons would: write, erase, version, and the list of known
// devices.
namespace zt::cli {

using namespace zt::station;

namespace {

enum class DeviceCommand { Write, Erase, Version, List, Station };

// The commands that write units, and so take an image file and a log.
bool Writes(DeviceCommand command) {
    return command == DeviceCommand::Write || command == DeviceCommand::Station;
}

void Usage(CommandContext& ctx, const std::string& line) {
    ctx.err << "zt51xx-mp: " << line << '\n';
    ctx.exitCode = kExitUsage;
}

std::unique_ptr<ConsoleView> MakeView(const DeviceOptions& options, CommandContext& ctx) {
    if (options.json) return std::make_unique<JsonEvents>(ctx.out);
    const bool terminal =
        (&ctx.out == &std::cout) && HostStandardStreams().IsTerminal(StandardStream::Output);
    return std::make_unique<TextConsoleView>(ctx.out, terminal);
}

// The job never reached a device: the open itself failed (the version query
// records no code; it fails there too when it cannot open the device). With a
// node of ours that refused us, that is no device to talk to, and the fix is
// the udev rule rather than the device.
bool NoDeviceOpened(const JobOutcome& outcome) {
    if (!outcome.failure) return true;
    const uint32_t origin = outcome.failure->origin;
    return origin == kOriginOpenKnownDevice || origin == kOriginOpenDeviceById ||
           origin == kOriginVersionQuery;
}

// Erasing leaves the device unable to start its firmware until it is written
// again, so an operator at a terminal confirms it with "y" or "yes"; --yes
// confirms too. Without a terminal only --yes does (see RunDeviceCommand): a
// piped answer is not read as consent.
bool ConfirmErase(ConsoleView& view, OperatorInput& input) {
    view.Info(
        OperatorText("Station", "Erase the EEPROM of the unit the IDs select? Type y and Enter to go on:"));
    const auto answer = input.ReadLine(InterruptSignal::Requested);
    return answer && (*answer == "y" || *answer == "yes");
}

// `askPower`: say per unit whether --replug power can re-plug it (only the
// JSON objects carry it; asking reads each unit's hub descriptor).
void ListDevices(DeviceBackend& backend, const CheckedDeviceOptions& checked, ConsoleView& view,
                 bool askPower, CommandContext& ctx) {
    const KnownDeviceTable table = TableFor(checked);
    int openFailures = 0;
    const Platform platform = backend.AsPlatform();
    auto devices = ScanUnits(platform.hid, platform.usb, table, &openFailures);
    bool unopenable = false;
    for (auto& device : devices) {
        unopenable = unopenable || !device.openable;
        if (askPower && backend.Power() && !device.port.empty())
            device.powerReplug = PowerReplugRefusal(backend.Power(), device.port).empty();
        view.Device(device);
    }
    // "None" is the list's result; with --json it ends the list as a result
    // event like every other command's.
    if (devices.empty() && !askPower) ctx.out << "no known device present\n";
    if (openFailures > 0 || unopenable) {
        const std::string hint = backend.PermissionHint();
        if (!hint.empty()) ctx.err << hint << '\n';
    }
    // A unit listed but not openable cannot be worked on either.
    const bool none = devices.empty() || unopenable;
    if (askPower)
        view.Result(none ? JobOutcome::Failed({0, kOriginOpenKnownDevice, kDeviceNotFound.errorClass,
                                               kDeviceNotFound.errorDetail})
                         : JobOutcome::Ok());
    ctx.exitCode = none ? kExitNoDevice : kExitOk;
}

// --replug power: every unit the job may work on must allow it, or nothing
// is started. True when the job may go on.
bool PowerReplugAllowed(DeviceBackend& backend, const std::vector<std::string>& ports, CommandContext& ctx) {
    for (const auto& port : ports) {
        const std::string refusal = PowerReplugRefusal(backend.Power(), port);
        if (refusal.empty()) continue;
        ctx.err << "zt51xx-mp: --replug power is not possible for the unit at port " << port << ": "
                << refusal << '\n';
        ctx.exitCode = kExitUsage;
        return false;
    }
    return true;
}

// write --all / --port P --port Q: every unit in parallel, then one summary
// line per unit. Exit 0 only when every unit is OK.
void WriteSeveralUnits(DeviceBackend& backend, const DeviceOptions& options, CommandSetup& setup,
                       OperatorInput& input, CommandContext& ctx) {
    const CheckedDeviceOptions& checked = setup.checked;
    StationLog& log = setup.log;
    MultiUnitRequest request;
    request.job.image = setup.image;
    request.job.vendorId = checked.vendorId;
    request.job.productId = checked.productId;
    request.job.replug = options.replugByPower ? ReplugMode::Power : ReplugMode::Operator;
    request.ports = options.ports;
    if (options.all) {
        // A unit that cannot be opened is written too: its job fails with
        // its own code rather than the unit being left out unseen.
        int openFailures = 0;
        const Platform platform = backend.AsPlatform();
        const auto devices = ScanUnits(platform.hid, platform.usb, TableFor(checked), &openFailures);
        for (const auto& device : devices) {
            // A device whose port the backend cannot tell cannot be kept
            // apart from the others, so it is not written.
            if (device.port.empty()) {
                ctx.err << "zt51xx-mp: skipping " << device.path << ": its USB port is unknown\n";
                continue;
            }
            if (std::find(request.ports.begin(), request.ports.end(), device.port) == request.ports.end())
                request.ports.push_back(device.port);
        }
        if (request.ports.empty()) {
            ctx.err << "zt51xx-mp: no known device present\n";
            const std::string hint = backend.PermissionHint();
            if (openFailures > 0 && !hint.empty()) ctx.err << hint << '\n';
            ctx.exitCode = kExitNoDevice;
            return;
        }
    }
    if (options.replugByPower && !PowerReplugAllowed(backend, request.ports, ctx)) return;
    request.replugWait = options.replugWaitSeconds > 0 ? std::chrono::seconds(options.replugWaitSeconds)
                                                       : DefaultReplugWait(request.ports.size());
    std::mutex& outMutex = setup.outMutex;
    UnitView(options.json ? "all" : "", options.json, ctx.out, outMutex)
        .Info(FillIn(OperatorText("Station", "Writing %1 units (%2)"),
                     {std::to_string(request.ports.size()), backend.Describe()}));
    const auto display = ShowDelivery(MakeStationDisplay(options, ctx, outMutex, input), setup);
    request.identity = setup.identity;
    request.preCheck = setup.preCheck.get();
    RecordKeeper records(&log);
    const auto results = WriteUnits(backend, request, *display, records, InterruptSignal::Requested);

    // The summary: one line per unit, in the order the units were named;
    // each unit's log line went to disk as its job ended.
    bool allOk = true, anyBusy = false, anyLockFailed = false, interrupted = false;
    for (const UnitResult& unit : results) {
        UnitView summary(unit.port, options.json, ctx.out, outMutex);
        if (unit.claim.outcome != ClaimOutcome::Claimed)
            ctx.err << "zt51xx-mp: " << UnitClaimRefusal(unit.port, unit.claim) << '\n';
        if (!unit.recordError.empty()) ctx.err << "zt51xx-mp: " << unit.recordError << '\n';
        if (unit.record) summary.SetUnit(UnitFactsOf(*unit.record));
        summary.Result(unit.outcome);
        allOk = allOk && unit.outcome.kind == ResultKind::Ok;
        anyBusy = anyBusy || unit.Busy();
        anyLockFailed = anyLockFailed || unit.claim.outcome == ClaimOutcome::CannotLock;
        interrupted = interrupted || unit.outcome.kind == ResultKind::Interrupted;
    }
    if (interrupted)
        ctx.exitCode = ExitCodeOf(ResultKind::Interrupted);
    else if (records.Failed())
        ctx.exitCode = kExitIoError;
    else if (allOk)
        ctx.exitCode = kExitOk;
    else if (!std::all_of(results.begin(), results.end(), [](const UnitResult& u) {
                 return u.claim.outcome != ClaimOutcome::Claimed || u.outcome.kind == ResultKind::Ok;
             }))
        ctx.exitCode = kExitJobFailed;
    else
        ctx.exitCode = anyLockFailed ? kExitUnitLock : anyBusy ? kExitUnitBusy : kExitJobFailed;
}

// The image file is the one the station was set up for: a file changed or
// swapped on the disk is refused before any unit is touched.
bool ImageIsTheExpectedOne(const DeviceOptions& options, std::span<const uint8_t> bytes,
                           CommandContext& ctx) {
    if (options.imageSha256.empty()) return true;
    std::string expected = options.imageSha256;
    std::transform(expected.begin(), expected.end(), expected.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (expected.size() != 64 || expected.find_first_not_of("0123456789abcdef") != std::string::npos) {
        Usage(ctx, "--image-sha256 wants the image's SHA-256 as 64 hex digits");
        return false;
    }
    const std::string actual = Sha256Hex(bytes);
    if (actual == expected) return true;
    Usage(ctx, options.imageFile + " refused: its SHA-256 is " + actual + ", not the " + expected +
                   " the station expects (--image-sha256); no unit was touched");
    return false;
}

// False (with the exit code set) when the command stops before any device.
bool SetUpCommand(DeviceCommand command, const DeviceOptions& options, CommandContext& ctx,
                  CommandSetup& setup) {
    std::string error;
    if (!CheckDeviceOptions(options, &setup.checked, &error)) {
        Usage(ctx, error);
        return false;
    }
    // A log that cannot take the job's line stops the job before it starts.
    const bool logs = Writes(command) || command == DeviceCommand::Erase;
    if (logs && ((!options.log.empty() && !setup.log.Open(options.log, &error)) ||
                 (options.journal && !setup.log.OpenJournal(&error)))) {
        ctx.err << "zt51xx-mp: " << error << '\n';
        ctx.exitCode = kExitIoError;
        return false;
    }
    if (Writes(command) && options.imageFile.empty() && !options.imageSha256.empty()) {
        Usage(ctx, "--image-sha256 checks an --image file; the built-in images are the tool's own");
        return false;
    }
    if (!Writes(command) || options.imageFile.empty()) return true;
    // Only a regular file of at most one image is read: a folder, a device
    // or a FIFO is refused before a byte is taken.
    const RegularFileContents file = ReadRegularFile(options.imageFile, kImageSize);
    if (file.outcome == RegularFileContents::Outcome::CannotRead) {
        ctx.err << "zt51xx-mp: cannot read " << options.imageFile << ": " << file.reason << '\n';
        ctx.exitCode = kExitIoError;
        return false;
    }
    if (file.outcome == RegularFileContents::Outcome::TooLarge) {
        Usage(ctx, options.imageFile + " refused, length: the file holds " + std::to_string(file.size) +
                       " bytes, an image " + std::to_string(kImageSize));
        return false;
    }
    const auto image = CheckImageFile(file.bytes, TableFor(setup.checked), &error);
    if (!image) {
        Usage(ctx, options.imageFile + " refused, " + error);
        return false;
    }
    setup.image = ImageFile{*image, options.imageFile};
    return ImageIsTheExpectedOne(options, file.bytes, ctx);
}

// --replug power for one unit: the one on --port, or else the one the typed
// IDs select (the one the job's open will pick). With none present there is
// nothing to ask about: the job then fails as it would without the option.
bool PowerReplugAllowedForOne(DeviceBackend& backend, const DeviceOptions& options,
                              const CheckedDeviceOptions& checked, CommandContext& ctx) {
    std::vector<std::string> ports{options.port};
    if (options.port.empty()) {
        int openFailures = 0;
        const KnownDeviceTable table = TableFor(checked);
        const auto unit =
            UnitTheTableSelects(FindKnownDevices(backend.AsPlatform().hid, table, &openFailures), table);
        ports.clear();
        if (unit) ports = {unit->port};
    }
    return PowerReplugAllowed(backend, ports, ctx);
}

// After a command that could not open its device: why, when a claim was the
// reason or the system refused us.
void ExplainNoDevice(const std::vector<std::string>& heldElsewhere, const PortScope::LockFailure& lockFailure,
                     DeviceBackend& backend, const JobOutcome& outcome, CommandContext& ctx) {
    const bool notOpened = outcome.kind == ResultKind::Failed && NoDeviceOpened(outcome);
    if (notOpened && !lockFailure.port.empty()) {
        const UnitClaim claim{ClaimOutcome::CannotLock, lockFailure.reason};
        ctx.err << "zt51xx-mp: " << UnitClaimRefusal(lockFailure.port, claim) << '\n';
        ctx.exitCode = ExitCodeOfRefusal(claim);
    } else if (notOpened && !heldElsewhere.empty()) {
        ctx.err << "zt51xx-mp: " << UnitClaimRefusal(heldElsewhere.front(), {ClaimOutcome::Held}) << '\n';
        ctx.exitCode = kExitUnitBusy;
    } else if (outcome.kind == ResultKind::Failed) {
        const std::string hint = backend.PermissionHint();
        if (!hint.empty()) {
            ctx.err << hint << '\n';
            if (NoDeviceOpened(outcome)) ctx.exitCode = kExitNoDevice;
        }
    }
}

// The exit code and the diagnostics of a single write, once its result is shown.
void EndOneWrite(const UnitResult& unit, DeviceBackend& backend, CommandContext& ctx) {
    if (!unit.recordError.empty()) {
        ctx.exitCode = kExitIoError;
        return;
    }
    switch (unit.refusal) {
        case UnitRefusal::Held:
        case UnitRefusal::CannotLock:
            ctx.exitCode = ExitCodeOfRefusal(unit.claim);
            return;
        case UnitRefusal::NoSerial:
            ctx.exitCode = kExitIoError;
            return;
        case UnitRefusal::ImageMisfit:
        case UnitRefusal::PreCheck:
            ctx.exitCode = kExitJobFailed;
            return;
        case UnitRefusal::None:
            break;
    }
    ctx.exitCode = ExitCodeOf(unit.outcome.kind);
    ExplainNoDevice(unit.heldElsewhere, unit.lockFailure, backend, unit.outcome, ctx);
}

// write on the one unit the request chooses: its road from the claim to the
// result line, with the operator at the keyboard.
void WriteOneUnit(const DeviceOptions& options, CommandSetup& setup, DeviceBackend& backend,
                  ConsoleView& view, OperatorInput& input, CommandContext& ctx) {
    UnitTask task;
    task.port = options.port;
    task.job.vendorId = setup.checked.vendorId;
    task.job.productId = setup.checked.productId;
    task.job.image = setup.image;
    task.job.replug = options.replugByPower ? ReplugMode::Power : ReplugMode::Operator;
    // write --confirm: the unit is re-plugged once more and must come back
    // as its image describes; its record says what came back.
    task.confirm = options.confirm;
    task.comeBackWithin = std::chrono::seconds(options.confirmWaitSeconds);
    if (!task.port.empty()) view.SetUnit(UnitFacts::AtPort(task.port));

    UnitHooks hooks;
    hooks.input = &input;
    hooks.autoAnswer = options.yes;
    hooks.replug = [&backend, byPower = options.replugByPower](ConsoleView& unitView,
                                                               const std::string& port) {
        if (byPower && ReplugByPortPower(backend.Power(), port,
                                         [&unitView](const std::string& line) { unitView.Info(line); }))
            return true;
        if (OperatorHands* hands = backend.Hands()) hands->Replug(port);  // the simulated operator
        return false;
    };
    hooks.nameArrivalsElsewhere = true;
    hooks.interrupted = InterruptSignal::Requested;
    hooks.starting = [&view, &backend](DeviceIds ids) {
        view.Info(FillIn(OperatorText("Station", "Writing the EEPROM of %1:%2 (%3)"),
                         {FormatHexId(ids.vendorId), FormatHexId(ids.productId), backend.Describe()}));
    };
    hooks.show = [&](const UnitResult& unit) {
        switch (unit.refusal) {
            case UnitRefusal::Held:
            case UnitRefusal::CannotLock:
                ctx.err << "zt51xx-mp: " << UnitClaimRefusal(options.port, unit.claim) << '\n';
                break;
            case UnitRefusal::NoSerial:
                ctx.err << "zt51xx-mp: --serial: " << unit.refusalReason << '\n';
                break;
            case UnitRefusal::ImageMisfit:
                ctx.err << "zt51xx-mp: " << options.imageFile << " refused, " << unit.refusalReason << '\n';
                break;
            case UnitRefusal::PreCheck:
                ctx.err << "zt51xx-mp: " << PreCheckRefusalLine(unit) << '\n';
                break;
            case UnitRefusal::None:
                if (unit.outcome.kind == ResultKind::Interrupted)
                    ctx.err << "zt51xx-mp: interrupted; closing the device\n";
                break;
        }
        if (!unit.recordError.empty()) ctx.err << "zt51xx-mp: " << unit.recordError << '\n';
        if (unit.record) view.SetUnit(UnitFactsOf(*unit.record));
        view.Result(unit.outcome);
    };
    RecordKeeper records(&setup.log);
    const UnitPipeline pipeline(backend, records, setup.serials.get(), setup.identity, setup.preCheck.get());
    EndOneWrite(pipeline.Run(task, view, hooks), backend, ctx);
}

// erase or version on the one unit the IDs or --port select.
void RunOnOneUnit(DeviceCommand command, const DeviceOptions& options, CommandSetup& setup,
                  DeviceBackend& backend, ConsoleView& view, OperatorInput& input, CommandContext& ctx) {
    JobRequest request;
    request.port = options.port;
    request.vendorId = setup.checked.vendorId;
    request.productId = setup.checked.productId;
    // Erase and version work on the link the dialog opens at start-up and on
    // the USB walk, neither of which reads the typed IDs: their unit, the one
    // the IDs select, is fixed before the dialog starts.
    if (request.port.empty()) {
        int openFailures = 0;
        const KnownDeviceTable table = TableFor(setup.checked);
        const auto selected =
            UnitTheTableSelects(FindKnownDevices(backend.AsPlatform().hid, table, &openFailures), table);
        if (selected) request.port = selected->port;
    }
    // The command sees one unit: the one on --port, or the one the IDs select.
    PortScope unit(backend.AsPlatform(), backend.Locks());
    if (const UnitClaim claim =
            request.port.empty() ? UnitClaim{ClaimOutcome::Claimed} : unit.Pin(request.port);
        !claim.Claimed()) {
        ctx.err << "zt51xx-mp: " << UnitClaimRefusal(request.port, claim) << '\n';
        ctx.exitCode = ExitCodeOfRefusal(claim);
        return;
    }
    if (!request.port.empty()) view.SetUnit(UnitFacts::AtPort(request.port));
    const Platform platform = unit.AsPlatform();
    JobRunner runner(platform, view, input,
                     JobRunner::Options{options.yes, nullptr, InterruptSignal::Requested});
    runner.Start();
    runner.WatchArrivalsElsewhere(unit);
    if (request.port.empty()) unit.BindOnJobOpen();

    JobReport report;
    report.start = std::chrono::system_clock::now();
    std::string status;
    std::optional<std::string> version;
    if (command == DeviceCommand::Erase) {
        report = runner.Erase();
    } else {
        version = runner.FirmwareVersion(request, &status);
        // The query records nothing of its own. It looks for the typed
        // pair on the bus first: whether that is there tells a missing
        // device from one that did not answer.
        const KnownDevice typed = TableFor(setup.checked)[0];
        const auto devices = platform.usb.ListDevices();
        const bool present = std::any_of(devices.begin(), devices.end(), [&](const UsbDeviceEntry& d) {
            return d.vendorId == typed.vendorId && d.productId == typed.productId;
        });
        const Failure failure = present ? kHidExchangeFailed : kDeviceNotFound;
        report.outcome =
            version ? JobOutcome::Ok()
                    : JobOutcome::Failed({0, kOriginVersionQuery, failure.errorClass, failure.errorDetail});
    }
    JobOutcome& outcome = report.outcome;
    outcome = WithInterrupt(outcome, InterruptSignal::Requested());
    if (outcome.kind == ResultKind::Interrupted) ctx.err << "zt51xx-mp: interrupted; closing the device\n";
    runner.Close();

    const StationRecord record = CollectStationRecord(
        {report, unit.Port(), &platform.usb, report.start, std::chrono::system_clock::now(),
         command == DeviceCommand::Erase ? "erase" : "version", &setup.identity});
    view.SetUnit(UnitFactsOf(record));
    // The line is on disk before the station hears the result.
    std::string logError;
    const bool logged = !setup.log.IsOpen() || setup.log.Append(FormatStationRecord(record), &logError);
    if (!logged) ctx.err << "zt51xx-mp: " << logError << '\n';

    if (command == DeviceCommand::Version) view.Version(status, version);
    view.Result(outcome);
    ctx.exitCode = logged ? ExitCodeOf(outcome.kind) : kExitIoError;
    if (logged) ExplainNoDevice(unit.HeldElsewhere(), unit.LastLockFailure(), backend, outcome, ctx);
}

void RunDeviceCommand(DeviceCommand command, const DeviceOptions& options, CommandContext& ctx) {
    CommandSetup setup;
    if (!SetUpCommand(command, options, ctx, setup)) return;
    if ((Writes(command) || command == DeviceCommand::Erase) && !SetUpStationParts(options, setup, ctx))
        return;
    if (Writes(command) && !StartPublishing(options, setup, ctx)) return;
    const PublishingEnd publishingEnd(setup, ctx);
    if (setup.serials && command == DeviceCommand::Write && setup.checked.severalUnits)
        return Usage(ctx, "--serial with several units: use 'zt51xx-mp station', which gives each its own");
    const bool interactive = ctx.in != nullptr || HostStandardStreams().IsTerminal(StandardStream::Input);
    if (command == DeviceCommand::Erase && !options.yes && !interactive)
        return Usage(ctx, "erase without a terminal needs --yes; nothing was erased");
    const auto view = MakeView(options, ctx);
    OperatorInput input(ctx.in);
    InterruptSignal interrupt;

    std::string error;
    const std::unique_ptr<DeviceBackend> backend = SelectCommandBackend(setup.checked, ctx, &error);
    if (!backend) {
        ctx.err << "zt51xx-mp: " << error << '\n';
        ctx.exitCode = kExitNoDevice;
        return;
    }

    if (command == DeviceCommand::List) return ListDevices(*backend, setup.checked, *view, options.json, ctx);
    if (command == DeviceCommand::Station) return RunStation(*backend, options, setup, input, ctx);
    if (command == DeviceCommand::Write && setup.checked.severalUnits)
        return WriteSeveralUnits(*backend, options, setup, input, ctx);
    if (setup.checked.severalUnits || options.ports.size() > 1)
        return Usage(ctx, "--all is for write only, a repeated --port for write and station");
    if (options.replugByPower && !PowerReplugAllowedForOne(*backend, options, setup.checked, ctx)) return;
    if (command == DeviceCommand::Erase && !options.yes && !ConfirmErase(*view, input)) {
        const ResultKind kind =
            InterruptSignal::Requested() ? ResultKind::Interrupted : ResultKind::Cancelled;
        view->Result({kind, std::nullopt});
        ctx.exitCode = ExitCodeOf(kind);
        return;
    }
    if (command == DeviceCommand::Write) return WriteOneUnit(options, setup, *backend, *view, input, ctx);
    RunOnOneUnit(command, options, setup, *backend, *view, input, ctx);
}

std::string FaultList() {
    std::ostringstream text;
    text << "Faults of the simulated chip (--fault NAME, repeatable):\n";
    const auto faults = sim::FaultNames();
    size_t width = 0;
    for (const auto& fault : faults) width = std::max(width, fault.first.size());
    for (const auto& [name, description] : faults)
        text << "  " << name << std::string(width - name.size() + 2, ' ') << description << '\n';
    return text.str();
}

// The options as typed; the IDs are told apart from "not given" by their count.
struct TypedOptions {
    DeviceOptions options;
    std::string vid, pid;
    CLI::Option* vidOption = nullptr;
    CLI::Option* pidOption = nullptr;
    CLI::Option* logOption = nullptr;

    DeviceOptions Resolve() const {
        DeviceOptions resolved = options;
        resolved.logGiven = logOption && logOption->count() > 0;
        if (vidOption->count() > 0) resolved.vid = vid;
        if (pidOption->count() > 0) resolved.pid = pid;
        if (!resolved.ports.empty()) resolved.port = resolved.ports.front();
        // "journal" names the system's journal; a file of that name is
        // reached as ./journal.
        for (const std::string& target : resolved.logTargets) {
            if (target == "journal")
                resolved.journal = true;
            else if (resolved.log.empty())
                resolved.log = target;
        }
        return resolved;
    }
};

void AddCommonOptions(CLI::App* sub, TypedOptions& typed, bool withYes, bool withLog, bool severalPorts) {
    DeviceOptions& options = typed.options;
    if (withLog)
        typed.logOption =
            sub->add_option(
                   "--log", options.logTargets,
                   "append one JSON line per job to this station log (a regular file), synced before the "
                   "result is shown (json-events.md in /usr/share/doc/zt51xx-mp); 'journal' sends each "
                   "record to the systemd "
                   "journal "
                   "instead (repeat --log for both; station-records.md there); a log that cannot be opened "
                   "stops before the job, exit 4")
                ->envname("ZT_LOG")
                ->allow_extra_args(false);
    typed.vidOption = sub->add_option("--vid", typed.vid,
                                      "vendor ID of the unit to work on, 1-4 hex digits (default 3C4D)");
    typed.pidOption = sub->add_option("--pid", typed.pid,
                                      "product ID of the unit to work on, 1-4 hex digits (default 7351)");
    if (withYes) sub->add_flag("--yes,-y", options.yes, "answer prompts by themselves (for station scripts)");
    // Events carry the English texts whatever the operator's language.
    sub->add_flag("--json", options.json, "one JSON object per line on stdout, nothing else")
        ->each([](const std::string&) { station::SetOperatorLanguage("C"); });
    sub->add_option(
           "--port", options.ports,
           "work only on the unit at this USB port (as 'list' shows it, e.g. 1-2.3); default: the "
           "unit the IDs select (the known devices in order, the --vid/--pid pair first), whose port "
           "then holds for the whole job" +
               std::string(severalPorts ? "; repeat it to write several units at once" : ""))
        ->allow_extra_args(false);
    AddSimulatorOptions(sub, options, true);
}

void AddSeveralUnitOptions(CLI::App* sub, TypedOptions& typed, bool station) {
    if (!station)
        sub->add_flag("--all", typed.options.all,
                      "write every known unit present at the start, all at once, each on its own port");
    sub->add_option_function<std::string>(
           "--replug",
           [&options = typed.options](const std::string& method) {
               options.replugByPower = method == "power";
           },
           "how the unit is re-plugged after the write: 'operator' (default) asks for it; 'power' "
           "switches its hub port off and on by itself, where the hub has per-port power switching and "
           "the user may switch it (else refused before the job, exit 2)")
        ->check(CLI::IsMember({"operator", "power"}));
    sub->add_option("--replug-wait", typed.options.replugWaitSeconds,
                    station ? "seconds each unit has to come back once its re-plug is asked for (default 10)"
                            : "several units: seconds each unit waits for its device once the one re-plug "
                              "prompt is answered (default 10, plus 5 for each further unit)");
}

// The exit codes of a device command, for its --help.
std::string ExitCodes(const std::string& ok, const std::string& failed) {
    return "\nExit codes: 0 " + ok + ", 1 " + failed +
           ", 2 bad command line (nothing is sent to a device), 3 no backend for real devices or no "
           "permission to open the device, 5 the unit is held by another job, 6 the unit's lock could not be "
           "taken (the line says why), 129 after SIGHUP (the terminal or SSH session went away), 130 after "
           "Ctrl-C, 143 after SIGTERM (each ends the job and closes the device properly first, and logs the "
           "job as INTERRUPTED).\n";
}

// One device command with its options, its help and its action.
void AddCommandTo(CLI::App& app, CommandContext& ctx, const char* name, const char* description,
                  DeviceCommand command, bool withYes, const std::string& footer) {
    auto typed = std::make_shared<TypedOptions>();
    CLI::App* sub = app.add_subcommand(name, description);
    AddCommonOptions(sub, *typed, withYes, Writes(command) || command == DeviceCommand::Erase,
                     Writes(command));
    if (Writes(command)) {
        sub->add_option("--image", typed->options.imageFile,
                        "write this image file instead of the built-in one; checked first (length, "
                        "header, tag scan, firmware record and chip class against the chip)");
        sub->add_option("--image-sha256", typed->options.imageSha256,
                        "the SHA-256 the --image file must have (64 hex digits); another file is "
                        "refused before any unit is touched (exit 2)");
        AddSeveralUnitOptions(sub, *typed, command == DeviceCommand::Station);
        AddStationPartOptions(sub, typed->options, command == DeviceCommand::Station);
        AddBrokerOptions(sub, typed->options.broker);
    }
    if (command == DeviceCommand::Erase) AddIdentityOptions(sub, typed->options);
    if (!footer.empty()) sub->footer(footer);
    if (command == DeviceCommand::Station)
        sub->get_option("--port")->description(
            "take units only at this USB port (as 'list' shows it, e.g. 1-2.3); repeat it for several "
            "ports; default: a known unit at any port");
    sub->callback([typed, command, sub, &ctx] {
        if (Writes(command) || command == DeviceCommand::Erase)
            if (!ApplyStationConfig(sub, typed->options.configFile, ctx)) return;
        RunDeviceCommand(command, typed->Resolve(), ctx);
    });
}

using AddCommand = std::function<void(const char* name, const char* description, DeviceCommand command,
                                      bool withYes, const std::string& footer)>;

// The "write" command.
void AddWriteCommand(const AddCommand& add) {
    add("write",
        "Write the EEPROM of the unit the IDs select, or of the one on --port: shows the progress, the "
        "operator messages and the re-plug prompt (Enter continues; end of input counts as Enter). Exit code "
        "0 after "
        "\"Write to EEPROM OK!\", 1 after \"Fail to Write EEPROM! [XXXXXXXX]\"; the last line is "
        "'result: OK' or 'result: FAIL XXXXXXXX'.",
        DeviceCommand::Write, true,
        FaultList() + ExitCodes("written", "job failed (its code is printed)") +
            "Exit code 4: the --log file could not be opened (nothing is sent) or its line not written.\n" +
            "\nExamples:\n"
            "  zt51xx-mp write                         write the device with the default IDs 3C4D:7351\n"
            "  zt51xx-mp write --vid 3C4D --pid 7350 --yes --json\n"
            "                                          station script: no prompts, JSON events on stdout\n"
            "  zt51xx-mp write --simulate --yes        a whole job against the simulated chip\n"
            "  zt51xx-mp write --simulate --sim-clock --yes --fault refuse-open\n"
            "                                          instant run that fails with 00030401\n"
            "  zt51xx-mp write --all --yes             every unit present at once; one re-plug prompt,\n"
            "                                          then one result line per unit\n"
            "  zt51xx-mp write --all --simulate --units 4 --fault 3:unplug-at=600 --yes\n"
            "                                          four simulated units, the third pulled mid-job\n"
            "  zt51xx-mp write --all --simulate --units 2 --variant 2:B --updater 2 --yes\n"
            "                                          a normal unit next to a B chip that starts as the\n"
            "                                          updater device\n"
            "  zt51xx-mp write --yes --pre-check 'mes-check --line 2' --pre-check-timeout 5\n"
            "                                          the factory's program says yes (exit 0) or no first;\n"
            "                                          a no, a crash or no answer is exit 1 (00011A0x)\n"
            "  zt51xx-mp write --all --replug power --yes\n"
            "                                          nobody re-plugs: each unit's hub port is switched\n"
            "                                          off and on (hubs that switch each port; root)\n"
            "\nSeveral units: progress lines are prefixed by the unit's port ([1-2.3]; with --json every "
            "event carries \"port\"); the last lines are one result per unit. Exit 0 only when every unit "
            "is OK, 5 when the only failures are units held by another job (6 when, among such units, one's "
            "lock could not be taken).\n");
}

// The "station" command.
void AddStationCommand(const AddCommand& add) {
    add("station",
        "Run a station: every known unit that arrives (on any port, or on the --port ports) is written "
        "by itself, with no key and no button. Each unit's re-plug is its own: its line asks for it, "
        "or with --replug power its port is switched off and on. After an OK job the unit is re-plugged "
        "once more and must come back as its image describes (IDs, bcdDevice, serial): then it is "
        "confirmed. Taking a unit out makes its port ready for the next; a unit that stays is not "
        "written again. Ctrl-C or SIGTERM stops taking units.",
        DeviceCommand::Station, false,
        FaultList() +
            "\nAfter each unit's result a tally: units passed, units failed, and units per hour (units "
            "finished, passed and failed alike, per hour since the first unit arrived; the report counts "
            "them the same way).\n"
            "\nExit codes: 0 every unit OK, 1 a unit failed (one --pre-check refused among them), 2 bad "
            "command line, 3 no backend for real "
            "devices, 4 the --log file could not be opened or a line not written, 130 or 143 when a job "
            "was cut short by Ctrl-C or SIGTERM.\n"
            "\nExamples:\n"
            "  zt51xx-mp station --replug power --serial counter:000000001000 --log station.jsonl\n"
            "  zt51xx-mp station --simulate --units 8 --sim-handling-ms 500 --sim-stagger-ms 300 "
            "--stop-after 8\n"
            "                                          eight simulated units arriving one after another\n"
            "  zt51xx-mp station --pre-check 'mes-check' --log station.jsonl\n"
            "                                          a unit is written only when mes-check exits 0; one "
            "it\n"
            "                                          refuses fails untouched (00011A01), exit 1\n");
}

// The "erase" command.
void AddEraseCommand(const AddCommand& add) {
    add("erase",
        "Erase the EEPROM of the unit the IDs select, or of the one on --port. At "
        "a terminal it "
        "asks first unless --yes and erases only after 'y' or 'yes'; without a terminal (a script, piped "
        "input) it needs --yes and otherwise refuses (exit 2) without touching the unit. The last line is "
        "'result: OK' or 'result: "
        "FAIL XXXXXXXX'.",
        DeviceCommand::Erase, true,
        ExitCodes("erased", "erase failed or declined at the prompt") +
            "Exit code 4: the --log file could not be opened (nothing is sent) or its line not written.\n" +
            "\nExample:\n  zt51xx-mp erase --yes --simulate --sim-clock\n");
}

// The "version" command.
void AddVersionCommand(const AddCommand& add) {
    add("version",
        "Read the firmware version of the device with the given IDs; prints "
        "the status (SUCCESS or FAIL) and the version text.",
        DeviceCommand::Version, false,
        ExitCodes("version read", "the query failed (no version is printed)") +
            "\nExample:\n  zt51xx-mp version --vid 3C4D --pid 7351\n");
}

// The "list" command.
void AddListCommand(const AddCommand& add) {
    add("list",
        "List the known devices present, one line per unit: port, VID:PID, role (normal or updater), "
        "bcdDevice, serial string when the device has one, and the HID node.",
        DeviceCommand::List, false,
        "\nExit codes: 0 one or more listed, 2 bad command line, 3 none present, or one listed that cannot "
        "be "
        "opened (marked so; often a missing permission), or no backend for real devices.\n"
        "\nExample:\n  zt51xx-mp list --json\n");
}

}  // namespace

void AddDeviceCommands(CLI::App& app, CommandContext& ctx) {
    const AddCommand add = [&](const char* name, const char* description, DeviceCommand command, bool withYes,
                               const std::string& footer) {
        AddCommandTo(app, ctx, name, description, command, withYes, footer);
    };
    AddWriteCommand(add);
    AddStationCommand(add);
    AddEraseCommand(add);
    AddVersionCommand(add);
    AddListCommand(add);
}

}  // namespace zt::cli

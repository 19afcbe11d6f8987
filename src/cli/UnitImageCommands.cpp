#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "cli/Commands.h"
#include "cli/ConfigOptions.h"
#include "cli/DeviceCommandParts.h"
#include "cli/DeviceOptions.h"
#include "cli/InterruptSignal.h"
#include "cli/TextConsoleView.h"
#include "cli/UnitClaimRefusal.h"
#include "device/PortScope.h"
#include "host/HostSystem.h"
#include "job/EepromRange.h"
#include "platform/BackendSelection.h"
#include "station/CountText.h"
#include "station/JobRunner.h"
#include "station/JsonEvents.h"
#include "station/OperatorText.h"
#include "station/StationIdentity.h"
#include "station/StationLog.h"
#include "station/StationRecordCollector.h"

// read and verify: look at a unit's EEPROM without writing anything, for QA
// sampling and for checking a unit that came back from the field.
namespace zt::cli {

using namespace zt::station;

namespace {

enum class UnitCommand { Read, Verify };

struct UnitOptions {
    DeviceOptions device;
    std::string vid, pid;
    CLI::Option* vidOption = nullptr;
    CLI::Option* pidOption = nullptr;
    CLI::Option* portOption = nullptr;
    CLI::Option* logOption = nullptr;
    std::string file;   // read: where to save
    std::string image;  // verify: A, B, a file, or "" for the chip's own
};

std::string Hex4(uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// Runs of differing bytes, as inclusive address ranges.
std::vector<std::pair<uint32_t, uint32_t>> DifferingRanges(const std::vector<uint8_t>& unit,
                                                           const std::vector<uint8_t>& expected) {
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    for (uint32_t i = 0; i < expected.size(); ++i) {
        if (unit[i] == expected[i]) continue;
        if (!ranges.empty() && ranges.back().second + 1 == i)
            ranges.back().second = i;
        else
            ranges.emplace_back(i, i);
    }
    return ranges;
}

class UnitRun {
public:
    UnitRun(UnitCommand command, UnitOptions options, CommandContext& ctx)
        : command_(command), options_(std::move(options)), ctx_(ctx) {}

    void Run();

private:
    // Before any unit: a diagnostic line and the exit code, no result.
    void Fail(int exitCode, const std::string& line) {
        ctx_.err << "zt51xx-mp: " << line << '\n';
        ctx_.exitCode = exitCode;
    }
    // Once a unit was looked for: the reason on stderr, then the result
    // (with its code) and the record in the log.
    void End(const JobOutcome& outcome, int exitCode, const std::string& reason = "");
    // The expected bytes for verify, or nothing after a usage error.
    bool TakeExpectedFile();
    // Opens the unit, reads `size` bytes, and for verify the chip's image.
    std::optional<std::vector<uint8_t>> ReadUnit(DeviceBackend& backend, const CheckedDeviceOptions& checked,
                                                 size_t size);
    void Finish(const std::vector<uint8_t>& unit);

    UnitCommand command_;
    UnitOptions options_;
    CommandContext& ctx_;
    std::unique_ptr<ConsoleView> view_;
    StationLog log_;
    // What the record of the unit is made of.
    JobReport report_;
    std::string port_;
    StationIdentity identity_;
    std::vector<uint8_t> expected_;  // verify: what the unit should hold
    std::string expectedName_;
};

bool UnitRun::TakeExpectedFile() {
    const std::string& image = options_.image;
    if (image.empty()) return true;  // the chip's identity decides, once it is read
    if (image == "A" || image == "a" || image == "B" || image == "b") {
        const EepromImage& embedded = (image == "A" || image == "a") ? kImageA : kImageB;
        expected_.assign(embedded.begin(), embedded.end());
        expectedName_ = std::string("image ") + static_cast<char>(std::toupper(image[0]));
        return true;
    }
    // A saved unit (from read) or an image; anything longer holds bytes no
    // read of ours would fetch. Only a regular file is read, and no further
    // than that.
    RegularFileContents file = ReadRegularFile(image, kUnitEepromSize);
    if (file.outcome == RegularFileContents::Outcome::CannotRead) {
        Fail(kExitIoError, "cannot read " + image + ": " + file.reason);
        return false;
    }
    if (file.outcome == RegularFileContents::Outcome::TooLarge || file.bytes.empty()) {
        const uint64_t size = file.outcome == RegularFileContents::Outcome::TooLarge ? file.size : 0;
        Fail(kExitUsage, image + " holds " + std::to_string(size) + " bytes; verify compares 1 to " +
                             std::to_string(kUnitEepromSize) + " bytes from address 0");
        return false;
    }
    expected_ = std::move(file.bytes);
    expectedName_ = image;
    return true;
}

std::optional<std::vector<uint8_t>> UnitRun::ReadUnit(DeviceBackend& backend,
                                                      const CheckedDeviceOptions& checked, size_t size) {
    PortScope unit(backend.AsPlatform(), backend.Locks());
    if (!options_.device.port.empty()) {
        if (const UnitClaim claim = unit.Pin(options_.device.port); !claim.Claimed()) {
            Fail(ExitCodeOfRefusal(claim), UnitClaimRefusal(options_.device.port, claim));
            return std::nullopt;
        }
        view_->SetUnit({options_.device.port, {}, {}, {}});
    }
    ConsoleView& view = *view_;
    OperatorInput input(ctx_.in);
    report_.start = std::chrono::system_clock::now();
    JobRunner runner(unit.AsPlatform(), view, input,
                     JobRunner::Options{true, nullptr, InterruptSignal::Requested});
    runner.Start();

    // The typed IDs go into row 0 of the table, as the boxes would put them,
    // and the command's own open picks the unit they select (the start-up
    // open bound nothing).
    JobRequest request;
    request.vendorId = checked.vendorId;
    request.productId = checked.productId;
    if (options_.device.port.empty()) unit.BindOnJobOpen();
    if (Failed(runner.OpenUnit(request))) {
        const JobOutcome notOpened = JobOutcome::Failed(runner.Job().LastFailure());
        runner.Close();
        const std::string hint = backend.PermissionHint();
        if (const PortScope::LockFailure failure = unit.LastLockFailure(); !failure.port.empty()) {
            const UnitClaim claim{ClaimOutcome::CannotLock, failure.reason};
            End(notOpened, ExitCodeOfRefusal(claim), UnitClaimRefusal(failure.port, claim));
        } else {
            End(notOpened, kExitNoDevice,
                unit.HeldElsewhere().empty()
                    ? "no known device present" + (hint.empty() ? "" : "\n" + hint)
                    : "the unit at port " + unit.HeldElsewhere().front() + " is held by another job");
        }
        return std::nullopt;
    }
    port_ = unit.Port();
    const DeviceIds opened = runner.Job().OpenDeviceIds();
    report_.openedBefore = opened;
    view.SetUnit({port_, opened.vendorId, opened.productId, {}});

    if (command_ == UnitCommand::Verify && expected_.empty()) {
        ChipIdentity chip;
        // The unit is open already; its identity is read on that link.
        if (Failed(runner.Job().Commands().ReadChipIdentity(&chip.chipId, &chip.status))) {
            // Its identity read recorded which register went unanswered.
            const JobOutcome unanswered = JobOutcome::Failed(runner.Job().LastFailure());
            runner.Close();
            End(unanswered, kExitJobFailed,
                "the chip did not answer the identity read; nothing was compared");
            return std::nullopt;
        }
        const uint32_t chipId = chip.chipId;
        report_.chipId = chipId;
        view.SetUnit({port_, opened.vendorId, opened.productId, chipId});
        const EepromImage* image = SelectImage(chipId);
        if (!image) {
            runner.Close();
            End(JobOutcome::Failed(
                    {0, kOriginCompareUnit, kChipNotSupported.errorClass, kChipNotSupported.errorDetail}),
                kExitJobFailed,
                "the chip (identifier " + Hex4(chipId & 0xFFFF) +
                    ") has no built-in image; name one with --image");
            return std::nullopt;
        }
        expected_.assign(image->begin(), image->end());
        expectedName_ = image == &kImageA ? "image A" : "image B";
        size = expected_.size();
    }

    std::vector<uint8_t> bytes(size);
    uint32_t failedAt = 0;
    const Status read = runner.Job().ReadEeprom(
        0, bytes,
        [&](size_t done) {
            // The JSON progress event speaks of a write's phases; a read
            // without changes tells only its result.
            if (!options_.device.json) view.Progress(static_cast<int>(done * 100 / bytes.size()));
            return !InterruptSignal::Requested();
        },
        &failedAt);
    runner.Close();
    if (InterruptSignal::Requested()) {
        End({ResultKind::Interrupted, std::nullopt}, InterruptSignal::ExitCode(), "interrupted");
        return std::nullopt;
    }
    if (Failed(read)) {
        End(JobOutcome::Failed({0, kOriginReadEepromRange, kEepromExchangeFailed.errorClass,
                                kEepromExchangeFailed.errorDetail}),
            kExitJobFailed, "the EEPROM read at " + Hex4(failedAt) + " failed");
        return std::nullopt;
    }
    return bytes;
}

void UnitRun::End(const JobOutcome& outcome, int exitCode, const std::string& reason) {
    if (!reason.empty()) ctx_.err << "zt51xx-mp: " << reason << '\n';
    report_.outcome = outcome;
    // Reading a unit out asks nothing of the bus beyond the unit itself.
    const StationRecord record =
        CollectStationRecord({report_, port_, nullptr, report_.start, std::chrono::system_clock::now(),
                              command_ == UnitCommand::Read ? "read" : "verify", &identity_});
    // The line is on disk before the station hears the result.
    std::string logError;
    const bool logged = !log_.IsOpen() || log_.Append(FormatStationRecord(record), &logError);
    if (!logged) ctx_.err << "zt51xx-mp: " << logError << '\n';
    view_->Result(outcome);
    ctx_.exitCode = logged ? exitCode : kExitIoError;
}

void UnitRun::Finish(const std::vector<uint8_t>& unit) {
    if (command_ == UnitCommand::Read) {
        std::string error;
        if (!HostFiles().WriteFileAtomically(options_.file, std::as_bytes(std::span(unit)), &error)) {
            // A signal ends a wait for a slow reader (a pipe, a FIFO): that is the interrupt.
            if (InterruptSignal::Requested())
                return End({ResultKind::Interrupted, std::nullopt}, InterruptSignal::ExitCode(),
                           "interrupted; " + options_.file + " was not written whole");
            return End(JobOutcome::Failed(
                           {0, kOriginSaveUnit, kFileNotWritten.errorClass, kFileNotWritten.errorDetail}),
                       kExitIoError, "cannot write " + options_.file + ": " + error);
        }
        view_->Info(FillIn(OperatorText("Station", "saved %1 bytes of EEPROM to %2"),
                           {std::to_string(unit.size()), options_.file}));
        return End(JobOutcome::Ok(), kExitOk);
    }
    const auto ranges = DifferingRanges(unit, expected_);
    if (ranges.empty()) {
        view_->Info(FillIn(OperatorText("Station", "equal: the unit holds %1 (%2 bytes)"),
                           {expectedName_, std::to_string(expected_.size())}));
        return End(JobOutcome::Ok(), kExitOk);
    }
    size_t bytes = 0;
    for (const auto& [first, last] : ranges) bytes += last - first + 1;
    std::string text = "differs from " + expectedName_ + ": " + station::Counted(bytes, "byte", "bytes") +
                       " in " + station::Counted(ranges.size(), "range", "ranges");
    // An erased unit differs almost everywhere; the first ranges say enough.
    constexpr size_t kShown = 32;
    for (size_t i = 0; i < ranges.size() && i < kShown; ++i)
        text += "\n" + Hex4(ranges[i].first) + "-" + Hex4(ranges[i].second);
    if (ranges.size() > kShown)
        text += "\n... and " + station::Counted(ranges.size() - kShown, "more range", "more ranges");
    view_->Info(text);
    End(JobOutcome::Failed({0, kOriginCompareUnit, kUnitDiffers.errorClass, kUnitDiffers.errorDetail}),
        kExitJobFailed);
}

void UnitRun::Run() {
    CheckedDeviceOptions checked;
    std::string error;
    if (!CheckDeviceOptions(options_.device, &checked, &error)) return Fail(kExitUsage, error);
    if (command_ == UnitCommand::Verify && !TakeExpectedFile()) return;
    // A log that cannot take the record stops the command before any unit.
    if (options_.device.logGiven && !log_.Open(options_.device.log, &error)) return Fail(kExitIoError, error);
    CommandSetup identity;
    if (!SetUpStationParts(options_.device, identity, ctx_)) return;
    identity_ = identity.identity;
    if (options_.device.json) {
        view_ = std::make_unique<JsonEvents>(ctx_.out);
    } else {
        const bool terminal =
            (&ctx_.out == &std::cout) && HostStandardStreams().IsTerminal(StandardStream::Output);
        view_ = std::make_unique<TextConsoleView>(ctx_.out, terminal);
    }

    InterruptSignal interrupt;
    const std::unique_ptr<DeviceBackend> backend = SelectCommandBackend(checked, ctx_, &error);
    if (!backend) return Fail(kExitNoDevice, error);

    const size_t size = command_ == UnitCommand::Read ? kUnitEepromSize : expected_.size();
    if (const auto unit = ReadUnit(*backend, checked, size)) Finish(*unit);
}

void AddUnitOptions(CLI::App* sub, UnitOptions& o) {
    o.logOption = sub->add_option(
        "--log", o.device.log,
        "append one JSON line for the command to this station log (a regular file), synced before the "
        "result is shown; a log that cannot be opened stops before the unit is read, exit 4");
    // Events carry the English texts whatever the operator's language.
    sub->add_flag("--json", o.device.json, "one JSON object per line on stdout, nothing else")
        ->each([](const std::string&) { station::SetOperatorLanguage("C"); });
    o.vidOption = sub->add_option("--vid", o.vid, "vendor ID of the unit, 1-4 hex digits (default 3C4D)");
    o.pidOption = sub->add_option("--pid", o.pid, "product ID of the unit, 1-4 hex digits (default 7351)");
    o.portOption = sub->add_option(
        "--port", o.device.port,
        "work only on the unit at this USB port (as 'list' shows it); default: the first known "
        "device found");
    AddIdentityOptions(sub, o.device);
    AddSimulatorOptions(sub, o.device, false);
}

}  // namespace

void AddUnitImageCommands(CLI::App& app, CommandContext& ctx) {
    auto add = [&](const char* name, const char* description, UnitCommand command) {
        auto o = std::make_shared<UnitOptions>();
        CLI::App* sub = app.add_subcommand(name, description);
        AddUnitOptions(sub, *o);
        sub->callback([o, command, sub, &ctx] {
            if (!ApplyStationConfig(sub, o->device.configFile, ctx)) return;
            UnitOptions typed = *o;
            if (o->vidOption->count() > 0) typed.device.vid = o->vid;
            if (o->pidOption->count() > 0) typed.device.pid = o->pid;
            // Given, even as "": checked as a port like the other commands' --port.
            if (o->portOption->count() > 0) typed.device.ports = {typed.device.port};
            typed.device.logGiven = o->logOption->count() > 0;
            if (typed.device.logGiven) typed.device.logTargets = {typed.device.log};
            UnitRun(command, std::move(typed), ctx).Run();
        });
        return std::make_pair(sub, o);
    };

    auto [read, readOptions] =
        add("read",
            "Save the unit's EEPROM to a file without writing the unit: the 16400 image "
            "bytes and the bytes the tool keeps after them, 16512 in all",
            UnitCommand::Read);
    read->add_option("file", readOptions->file, "where to save (replaced whole if it exists)")->required();
    read->footer(
        "\nExit codes: 0 saved, 1 a read failed, 2 bad command line, 3 no device, 4 the file could not be "
        "written (a file that was there is left as it was), 5 the unit is held by another job, 6 the unit's "
        "lock could not be "
        "taken.\n"
        "\nExample:\n  zt51xx-mp read unit.bin --port 1-2.3\n");

    auto [verify, verifyOptions] = add("verify",
                                       "Compare the unit's EEPROM with an image without writing anything; "
                                       "prints 'equal' or the differing address ranges",
                                       UnitCommand::Verify);
    verify->add_option(
        "--image", verifyOptions->image,
        "A or B for a built-in image, or a file (an image, or what 'read' saved); default: the "
        "built-in image for the unit's chip");
    verify->footer(
        "\nExit codes: 0 equal, 1 the unit differs (or a read failed), 2 bad command line, 3 no device, 4 "
        "the "
        "file could not be read, 5 the unit is held by another job, 6 the unit's lock could not be "
        "taken.\n"
        "\nExample:\n  zt51xx-mp verify --image unit.bin\n");
}

}  // namespace zt::cli

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "chip/EepromImage.h"
#include "cli/Commands.h"
#include "cli/DeviceOptions.h"
#include "cli/InterruptSignal.h"
#include "cli/TextConsoleView.h"
#include "cli/UnitClaimRefusal.h"
#include "job/EepromRange.h"
#include "platform/BackendSelection.h"
#include "platform/HostSystem.h"
#include "platform/PortScope.h"
#include "station/DialogSession.h"

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
    void Fail(int exitCode, const std::string& line) {
        ctx_.err << "zt51xx-mp: " << line << '\n';
        ctx_.exitCode = exitCode;
    }
    // The expected bytes for verify, or nothing after a usage error.
    bool TakeExpectedFile();
    // Opens the unit, reads `size` bytes, and for verify the chip's image.
    std::optional<std::vector<uint8_t>> ReadUnit(DeviceBackend& backend, const CheckedDeviceOptions& checked,
                                                 size_t size);
    void Finish(const std::vector<uint8_t>& unit);

    UnitCommand command_;
    UnitOptions options_;
    CommandContext& ctx_;
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
    }
    const bool terminal =
        (&ctx_.err == &std::cerr) && HostStandardStreams().IsTerminal(StandardStream::Error);
    TextConsoleView view(ctx_.err, terminal);
    OperatorInput input(ctx_.in);
    DialogSession session(unit.AsPlatform(), view, input,
                          DialogSession::Options{true, nullptr, InterruptSignal::Requested});
    session.Start();
    CZT51xxWriteEepromMPDlg& dlg = session.Dialog();

    // The typed IDs go into row 0 of the table, as the boxes would put them,
    // and the command's own open picks the unit they select (the start-up
    // open bound nothing).
    KnownDevice& row0 = dlg.knownDevices[0];
    row0.vendorId = checked.vendorId.value_or(row0.vendorId);
    row0.productId = checked.productId.value_or(row0.productId);
    if (options_.device.port.empty()) unit.BindOnJobOpen();
    dlg.CloseDevice();
    if (Failed(dlg.OpenKnownDevice())) {
        const std::string hint = backend.PermissionHint();
        if (const PortScope::LockFailure failure = unit.LastLockFailure(); !failure.port.empty()) {
            const UnitClaim claim{ClaimOutcome::CannotLock, failure.reason};
            Fail(ExitCodeOfRefusal(claim), UnitClaimRefusal(failure.port, claim));
        } else {
            Fail(kExitNoDevice,
                 unit.HeldElsewhere().empty()
                     ? "no known device present" + (hint.empty() ? "" : "\n" + hint)
                     : "the unit at port " + unit.HeldElsewhere().front() + " is held by another job");
        }
        return std::nullopt;
    }

    if (command_ == UnitCommand::Verify && expected_.empty()) {
        uint32_t chipId = 0;
        uint8_t status = 0xFF;
        const EepromImage* image = nullptr;
        if (Succeeded(dlg.ReadChipIdentity(&chipId, &status))) image = SelectImage(chipId);
        if (!image) {
            Fail(kExitJobFailed, "the chip (identifier " + Hex4(chipId & 0xFFFF) +
                                     ") has no built-in image; name one with --image");
            return std::nullopt;
        }
        expected_.assign(image->begin(), image->end());
        expectedName_ = image == &kImageA ? "image A" : "image B";
        size = expected_.size();
    }

    std::vector<uint8_t> bytes(size);
    uint32_t failedAt = 0;
    const Status read = ReadEepromRange(
        dlg, 0, bytes,
        [&](size_t done) {
            view.Progress(static_cast<int>(done * 100 / bytes.size()));
            return !InterruptSignal::Requested();
        },
        &failedAt);
    session.Close();
    if (InterruptSignal::Requested()) {
        Fail(InterruptSignal::ExitCode(), "interrupted");
        return std::nullopt;
    }
    if (Failed(read)) {
        Fail(kExitJobFailed, "the EEPROM read at " + Hex4(failedAt) + " failed");
        return std::nullopt;
    }
    return bytes;
}

void UnitRun::Finish(const std::vector<uint8_t>& unit) {
    if (command_ == UnitCommand::Read) {
        std::string error;
        if (!HostFiles().WriteFileAtomically(options_.file, std::as_bytes(std::span(unit)), &error)) {
            // A signal ends a wait for a slow reader (a pipe, a FIFO): that is the interrupt.
            if (InterruptSignal::Requested())
                Fail(InterruptSignal::ExitCode(), "interrupted; " + options_.file + " was not written whole");
            else
                Fail(kExitIoError, "cannot write " + options_.file + ": " + error);
            return;
        }
        ctx_.out << "saved " << unit.size() << " bytes of EEPROM to " << options_.file << "\n";
        ctx_.exitCode = kExitOk;
        return;
    }
    const auto ranges = DifferingRanges(unit, expected_);
    if (ranges.empty()) {
        ctx_.out << "equal: the unit holds " << expectedName_ << " (" << expected_.size() << " bytes)\n";
        ctx_.exitCode = kExitOk;
        return;
    }
    size_t bytes = 0;
    for (const auto& [first, last] : ranges) bytes += last - first + 1;
    ctx_.out << "differs from " << expectedName_ << ": " << bytes << " bytes in " << ranges.size()
             << " ranges\n";
    // An erased unit differs almost everywhere; the first ranges say enough.
    constexpr size_t kShown = 32;
    for (size_t i = 0; i < ranges.size() && i < kShown; ++i)
        ctx_.out << Hex4(ranges[i].first) << "-" << Hex4(ranges[i].second) << "\n";
    if (ranges.size() > kShown) ctx_.out << "... and " << ranges.size() - kShown << " more ranges\n";
    ctx_.exitCode = kExitJobFailed;
}

void UnitRun::Run() {
    CheckedDeviceOptions checked;
    std::string error;
    if (!CheckDeviceOptions(options_.device, &checked, &error)) return Fail(kExitUsage, error);
    if (command_ == UnitCommand::Verify && !TakeExpectedFile()) return;

    InterruptSignal interrupt;
    const std::unique_ptr<DeviceBackend> backend = SelectCommandBackend(checked, ctx_, &error);
    if (!backend) return Fail(kExitNoDevice, error);

    const size_t size = command_ == UnitCommand::Read ? kUnitEepromSize : expected_.size();
    if (const auto unit = ReadUnit(*backend, checked, size)) Finish(*unit);
}

void AddUnitOptions(CLI::App* sub, UnitOptions& o) {
    o.vidOption = sub->add_option("--vid", o.vid, "vendor ID of the unit, 1-4 hex digits (default 3C4D)");
    o.pidOption = sub->add_option("--pid", o.pid, "product ID of the unit, 1-4 hex digits (default 7351)");
    o.portOption = sub->add_option(
        "--port", o.device.port,
        "work only on the unit at this USB port (as 'list' shows it); default: the first known "
        "device found");
    AddSimulatorOptions(sub, o.device, false);
}

}  // namespace

void AddUnitImageCommands(CLI::App& app, CommandContext& ctx) {
    auto add = [&](const char* name, const char* description, UnitCommand command) {
        auto o = std::make_shared<UnitOptions>();
        CLI::App* sub = app.add_subcommand(name, description);
        AddUnitOptions(sub, *o);
        sub->callback([o, command, &ctx] {
            UnitOptions typed = *o;
            if (o->vidOption->count() > 0) typed.device.vid = o->vid;
            if (o->pidOption->count() > 0) typed.device.pid = o->pid;
            // Given, even as "": checked as a port like the other commands' --port.
            if (o->portOption->count() > 0) typed.device.ports = {typed.device.port};
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

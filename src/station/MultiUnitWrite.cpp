#include "station/MultiUnitWrite.h"

#include <memory>
#include <sstream>
#include <thread>

#include "app/DialogTemplate.h"
#include "chip/HexId.h"
#include "device/PortScope.h"
#include "station/DeviceIdTrace.h"
#include "station/DialogSession.h"
#include "station/ImageFileCheck.h"
#include "station/ReplugGate.h"
#include "station/StationRecordCollector.h"

namespace zt::station {

namespace {

// The dialog's device wait counts 10 ms passes.
constexpr uint32_t kPassesPerSecond = 100;

constexpr const char* kReplugEveryUnit = "Please re-plug every unit and wait until each is recognized.";

struct Unit {
    size_t index = 0;
    std::string port;
    UnitResult result;
};

void RunUnit(Unit& unit, DeviceBackend& backend, const MultiUnitRequest& request, ReplugGate& gate,
             ConsoleView& view, const std::function<bool()>& interrupted) {
    const int index = static_cast<int>(unit.index);
    unit.result.port = unit.port;
    PortScope scope(backend.AsPlatform(), backend.Locks());
    unit.result.claim = scope.Pin(unit.port);
    if (!unit.result.claim.Claimed()) {
        unit.result.busy = unit.result.claim.outcome == ClaimOutcome::Held;
        unit.result.outcome = {ResultKind::Failed, std::nullopt};
        gate.Leave(index);
        return;
    }
    CZT51xxWriteEepromMPDlg* dialog = nullptr;
    const uint32_t waitPasses = static_cast<uint32_t>(request.replugWait.count()) * kPassesPerSecond;
    // On this unit's worker, at its re-plug step: switch its port off and on
    // where asked to, or else wait for the one prompt (on the simulated
    // machine the operator's hands then re-plug its chip); either way give
    // the unit the whole re-plug wait.
    auto onReplugPrompt = [&, index] {
        const bool byPower =
            request.job.replug == ReplugMode::Power && ReplugByPortPower(backend.Power(), unit.port, view);
        if (!byPower && !gate.Arrive(index)) return false;
        if (dialog && waitPasses > 0) dialog->deviceWaitCountdown.store(waitPasses);
        if (!byPower) backend.ReplugUnit(unit.port);
        return true;
    };
    {
        std::istringstream nothing;  // the units' own prompts answer themselves
        OperatorInput noInput(&nothing);
        const Platform platform = scope.AsPlatform();
        DeviceIdTrace ids(platform.hid);  // the unit as found and as it came back, for its record
        DialogSession session(Platform{platform.clock, ids, platform.audio, platform.notices, platform.usb},
                              view, noInput, DialogSession::Options{true, onReplugPrompt, interrupted});
        const auto start = std::chrono::system_clock::now();
        dialog = &session.Dialog();
        session.Start();
        // The one prompt asks for every unit: the others coming back are
        // not in the wrong place.
        session.WatchArrivalsElsewhere(scope, request.ports);
        JobRequest job = request.job;
        job.port = unit.port;
        session.Dialog().ShowRequestedIds(job);
        if (job.image) {
            if (const std::string misfit = CheckImageFitsUnit(session.Dialog(), job.image->bytes);
                !misfit.empty()) {
                view.Info("the image file is refused for this unit, " + misfit + "; it was not written");
                unit.result.outcome = {ResultKind::Failed, std::nullopt};
                gate.Leave(index);
                return;  // the session closes the dialog
            }
        }
        const JobReport report = session.WriteEeprom(job);
        unit.result.outcome = report.outcome;
        gate.Leave(index);
        if (unit.result.outcome.kind != ResultKind::Ok && interrupted())
            unit.result.outcome = {ResultKind::Interrupted, std::nullopt};
        session.Close();
        unit.result.record = CollectStationRecord({report, ids, platform.usb, unit.port, unit.result.outcome,
                                                   start, std::chrono::system_clock::now()});
    }
}

}  // namespace

std::chrono::seconds DefaultReplugWait(size_t units) {
    return std::chrono::seconds(10 + 5 * (units > 0 ? units - 1 : 0));
}

std::vector<UnitResult> WriteUnits(DeviceBackend& backend, const MultiUnitRequest& request,
                                   StationDisplay& display, const std::function<bool()>& interrupted) {
    std::vector<Unit> units(request.ports.size());
    std::vector<ConsoleView*> views;
    for (size_t i = 0; i < units.size(); ++i) {
        units[i] = {i, request.ports[i], {}};
        views.push_back(&display.ViewOf(i, request.ports[i]));
    }

    // One prompt for every unit; the units' own views keep quiet.
    auto prompt = [&] {
        display.ReplugPrompt(std::string(kReplugEveryUnit) + " (" + std::to_string(units.size()) +
                             " units; each has " + std::to_string(request.replugWait.count()) +
                             " s to come back)");
    };
    ReplugGate gate(static_cast<int>(units.size()), prompt, interrupted);

    std::vector<std::thread> threads;
    threads.reserve(units.size());
    for (Unit& unit : units)
        threads.emplace_back(
            [&, u = &unit] { RunUnit(*u, backend, request, gate, *views[u->index], interrupted); });
    for (auto& thread : threads) thread.join();

    std::vector<UnitResult> results;
    for (Unit& unit : units) results.push_back(std::move(unit.result));
    return results;
}

}  // namespace zt::station

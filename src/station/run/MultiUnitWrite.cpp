#include "station/run/MultiUnitWrite.h"

#include <thread>

#include "station/operator/OperatorText.h"
#include "station/run/ReplugGate.h"
#include "station/unit/UnitPipeline.h"

namespace zt::station {

namespace {}  // namespace

std::chrono::seconds DefaultReplugWait(size_t units) {
    return std::chrono::seconds(10 + 5 * (units > 0 ? units - 1 : 0));
}

std::vector<UnitResult> WriteUnits(DeviceBackend& backend, const MultiUnitRequest& request,
                                   StationDisplay& display, RecordKeeper& records,
                                   const std::function<bool()>& interrupted) {
    const size_t count = request.ports.size();
    std::vector<ConsoleView*> views;
    for (size_t i = 0; i < count; ++i) views.push_back(&display.ViewOf(i, request.ports[i]));

    // One prompt for every unit; the units' own views keep quiet.
    auto prompt = [&] {
        display.ReplugPrompt(FillIn(OperatorText("Station",
                                                 "Please re-plug every unit and wait until each is "
                                                 "recognized. (%1 units; each has %2 s to come back)"),
                                    {std::to_string(count), std::to_string(request.replugWait.count())}));
    };
    ReplugGate gate(static_cast<int>(count), prompt, interrupted);
    const UnitPipeline pipeline(backend, records, request.serials, request.identity, request.preCheck);
    records.BeginTurns();  // the records go out in the order of the units

    std::vector<UnitResult> results(count);
    std::vector<std::thread> threads;
    threads.reserve(count);
    for (size_t i = 0; i < count; ++i)
        threads.emplace_back([&, i] {
            const int index = static_cast<int>(i);
            UnitTask task;
            task.port = request.ports[i];
            task.job = request.job;
            task.job.replugWait = request.replugWait;
            task.recordTurn = i;
            UnitHooks hooks;
            // At this unit's re-plug step: switch its port off and on where
            // asked to, or else wait for the one prompt (on the simulated
            // machine the operator's hands then re-plug its chip).
            hooks.replug = [&, index](ConsoleView& view, const std::string& port) {
                const bool byPower = request.job.replug == ReplugMode::Power &&
                                     ReplugByPortPower(backend.Power(), port,
                                                       [&view](const std::string& line) { view.Info(line); });
                if (!byPower) view.State(PortStatus{PortPhase::Replug, port, std::nullopt});
                if (!byPower && !gate.Arrive(index)) return false;
                if (OperatorHands* hands = backend.Hands(); hands && !byPower) hands->Replug(port);
                return true;
            };
            // The one prompt asks for every unit: the others coming back are
            // not in the wrong place.
            hooks.nameArrivalsElsewhere = true;
            hooks.awaitedPorts = request.ports;
            hooks.jobEnded = [&gate, index] { gate.Leave(index); };
            hooks.showStates = true;
            hooks.interrupted = interrupted;
            hooks.show = [view = views[i]](const UnitResult& result) {
                // The results come in the caller's summary, after every record.
                if (result.refusal == UnitRefusal::ImageMisfit) view->Info(ImageMisfitLine(result));
                if (result.refusal == UnitRefusal::PreCheck) view->Info(PreCheckRefusalLine(result));
            };
            results[i] = pipeline.Run(task, *views[i], hooks);
        });
    for (auto& thread : threads) thread.join();
    return results;
}

}  // namespace zt::station

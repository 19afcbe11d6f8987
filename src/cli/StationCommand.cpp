#include <atomic>
#include <mutex>

#include "cli/DeviceCommandParts.h"
#include "cli/InterruptSignal.h"
#include "cli/RecordPublishing.h"
#include "cli/UnitView.h"
#include "station/operator/OperatorText.h"
#include "station/ports/PortStatus.h"
#include "station/run/StationRun.h"
#include "station/serials/BarcodeQueue.h"

// zt51xx-mp station: each unit is written as it arrives, on its own port,
// until Ctrl-C or SIGTERM.
namespace zt::cli {

void RunStation(DeviceBackend& backend, const DeviceOptions& options, CommandSetup& setup,
                OperatorInput& input, CommandContext& ctx) {
    StationRequest request;
    request.ports = options.ports;
    request.job.image = setup.image;
    request.job.vendorId = setup.checked.vendorId;
    request.job.productId = setup.checked.productId;
    request.job.replug = options.replugByPower ? ReplugMode::Power : ReplugMode::Operator;
    request.table = TableFor(setup.checked);
    if (options.replugWaitSeconds > 0) request.replugWait = std::chrono::seconds(options.replugWaitSeconds);
    request.comeBackWithin = std::chrono::seconds(options.confirmWaitSeconds);
    request.serials = setup.serials.get();
    request.identity = setup.identity;
    request.preCheck = setup.preCheck.get();
    std::mutex& outMutex = setup.outMutex;
    std::unique_ptr<BarcodeQueue> barcodes;
    if (options.barcode) {
        barcodes = std::make_unique<BarcodeQueue>(input, [&](const std::string& line) {
            std::lock_guard lock(outMutex);
            ctx.err << "zt51xx-mp: " << line << '\n';
        });
        request.barcodeFor = [&barcodes](const std::string&) { return barcodes->Next(); };
    }

    UnitView(options.json ? "all" : "", options.json, ctx.out, outMutex)
        .Info(station::FillIn(
            station::OperatorText("Station",
                                  "Station: each unit is written as it arrives (%1); Ctrl-C stops "
                                  "taking units"),
            {backend.Describe()}));
    const auto display = ShowDelivery(MakeStationDisplay(options, ctx, outMutex, input), setup);

    std::atomic<int> finished{0};
    bool anyFailed = false, anyInterrupted = false;
    std::vector<std::string> failures;  // "1-1.2  FAIL 00020B01: ...", as they came
    RecordKeeper records(&setup.log);
    auto onUnit = [&](const UnitResult& unit, const StationCounters&) {
        // Called one unit at a time, once its record is kept (or failed).
        if (!unit.recordError.empty()) {
            std::lock_guard lock(outMutex);
            ctx.err << "zt51xx-mp: " << unit.recordError << '\n';
        }
        anyFailed = anyFailed || unit.outcome.kind == ResultKind::Failed;
        anyInterrupted = anyInterrupted || unit.outcome.kind == ResultKind::Interrupted;
        if (unit.outcome.kind != ResultKind::Ok)
            failures.push_back(unit.port + "  " + PortOutcomeText(PortOutcome::Of(unit.outcome)));
        ++finished;
    };
    StationRun station(backend, std::move(request), *display, records, onUnit);
    const int stopAfter = options.stopAfter;
    station.Run(
        [&] { return InterruptSignal::Requested() || (stopAfter > 0 && finished.load() >= stopAfter); },
        InterruptSignal::Requested);
    barcodes.reset();
    // What needs the operator's hands after the run, once the lines have gone.
    if (!options.json && !failures.empty()) {
        std::lock_guard lock(outMutex);
        ctx.out << OperatorText("Station", "Failures this run:") << '\n';
        for (const std::string& failure : failures) ctx.out << "  " << failure << '\n';
        ctx.out << std::flush;
    }

    if (anyInterrupted)
        ctx.exitCode = ExitCodeOf(ResultKind::Interrupted);
    else if (records.Failed())
        ctx.exitCode = kExitIoError;
    else
        ctx.exitCode = anyFailed ? kExitJobFailed : kExitOk;
}

}  // namespace zt::cli

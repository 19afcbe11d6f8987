#include <atomic>
#include <mutex>

#include "cli/DeviceCommandParts.h"
#include "cli/InterruptSignal.h"
#include "cli/RecordPublishing.h"
#include "cli/UnitView.h"
#include "station/BarcodeQueue.h"
#include "station/StationRun.h"

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
        .Info("Station: each unit is written as it arrives (" + backend.Describe() +
              "); Ctrl-C stops taking units");
    const auto display = ShowDelivery(MakeStationDisplay(options, ctx, outMutex, input), setup);

    std::atomic<int> finished{0};
    bool anyFailed = false, anyInterrupted = false;
    RecordKeeper records(&setup.log);
    auto onUnit = [&](const UnitResult& unit, const StationCounters&) {
        // Called one unit at a time, once its record is kept (or failed).
        if (!unit.recordError.empty()) {
            std::lock_guard lock(outMutex);
            ctx.err << "zt51xx-mp: " << unit.recordError << '\n';
        }
        anyFailed = anyFailed || unit.outcome.kind == ResultKind::Failed;
        anyInterrupted = anyInterrupted || unit.outcome.kind == ResultKind::Interrupted;
        ++finished;
    };
    StationRun station(backend, std::move(request), *display, records, onUnit);
    const int stopAfter = options.stopAfter;
    station.Run(
        [&] { return InterruptSignal::Requested() || (stopAfter > 0 && finished.load() >= stopAfter); },
        InterruptSignal::Requested);
    barcodes.reset();

    if (anyInterrupted)
        ctx.exitCode = ExitCodeOf(ResultKind::Interrupted);
    else if (records.Failed())
        ctx.exitCode = kExitIoError;
    else
        ctx.exitCode = anyFailed ? kExitJobFailed : kExitOk;
}

}  // namespace zt::cli

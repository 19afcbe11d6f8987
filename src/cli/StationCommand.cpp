#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

#include "cli/DeviceCommandParts.h"
#include "cli/InterruptSignal.h"
#include "cli/UnitView.h"
#include "station/StationRun.h"

// zt51xx-mp station: each unit is written as it arrives, on its own port,
// until Ctrl-C or SIGTERM.
namespace zt::cli {

namespace {

// Scanned codes from standard input, one per unit, handed to units in the
// order they start.
class BarcodeQueue {
public:
    explicit BarcodeQueue(OperatorInput& input) : input_(input) {
        reader_ = std::thread([this] {
            while (auto line = input_.ReadLine([this] { return done_.load(); })) {
                if (line->empty()) continue;
                std::lock_guard lock(mutex_);
                codes_.push_back(*line);
            }
        });
    }
    ~BarcodeQueue() {
        done_ = true;
        reader_.join();
    }
    std::string Next() {
        std::lock_guard lock(mutex_);
        if (codes_.empty()) return "";
        std::string code = codes_.front();
        codes_.pop_front();
        return code;
    }

private:
    OperatorInput& input_;
    std::atomic<bool> done_{false};
    std::mutex mutex_;
    std::deque<std::string> codes_;
    std::thread reader_;
};

}  // namespace

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
    std::unique_ptr<BarcodeQueue> barcodes;
    if (options.barcode) {
        barcodes = std::make_unique<BarcodeQueue>(input);
        request.barcodeFor = [&barcodes](const std::string&) { return barcodes->Next(); };
    }

    std::mutex outMutex;
    UnitView(options.json ? "all" : "", options.json, ctx.out, outMutex)
        .Info("Station: each unit is written as it arrives (" + backend.Describe() +
              "); Ctrl-C stops taking units");
    const auto display = MakeStationDisplay(options, ctx, outMutex, input);

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

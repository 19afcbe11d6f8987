#include "station/StationRun.h"

#include <algorithm>
#include <condition_variable>
#include <sstream>
#include <thread>

#include "device/FailureCodes.h"
#include "job/JobResult.h"
#include "platform/PortScope.h"
#include "station/DeviceIdTrace.h"
#include "station/DialogSession.h"
#include "station/ImageFileCheck.h"
#include "station/KnownDeviceScan.h"
#include "station/PortWatch.h"
#include "station/PowerReplug.h"
#include "station/StationRecordCollector.h"
#include "station/UnitConfirmation.h"

namespace zt::station {

namespace {

// The dialog's device wait counts 10 ms passes.
constexpr uint32_t kPassesPerSecond = 100;

JobOutcome SerialRefused() {
    return JobOutcome::Failed(
        JobResult{0, kOriginWriteRequest, kSerialRefused.errorClass, kSerialRefused.errorDetail});
}

}  // namespace

struct StationRun::Port {
    size_t index = 0;
    std::string name;
    ConsoleView* view = nullptr;
    std::thread thread;
};

StationRun::StationRun(DeviceBackend& backend, StationRequest request, StationDisplay& display, OnUnit onUnit)
    : backend_(backend),
      request_(std::move(request)),
      display_(display),
      onUnit_(std::move(onUnit)),
      watch_(std::make_unique<PortWatch>(backend.AsPlatform().clock)) {}

StationRun::~StationRun() = default;

bool StationRun::Known(uint16_t vendorId, uint16_t productId) const {
    for (const KnownDevice& row : request_.table) {
        if (row.vendorId == 0) break;
        if (row.vendorId == vendorId && row.productId == productId) return true;
    }
    return false;
}

StationCounters StationRun::Counters() const {
    std::lock_guard lock(countersMutex_);
    return counters_;
}

void StationRun::Run(const std::function<bool()>& stop, const std::function<bool()>& interrupted) {
    const Platform platform = backend_.AsPlatform();
    // Ports seen for the first time wait here for their thread.
    std::mutex newMutex;
    std::condition_variable newPort;
    std::vector<std::string> fresh;
    auto serves = [&](const std::string& port) {
        return request_.ports.empty() ||
               std::find(request_.ports.begin(), request_.ports.end(), port) != request_.ports.end();
    };
    watch_->OnArrival([&](const std::string& port, uint16_t vendorId, uint16_t productId) {
        if (!serves(port) || !Known(vendorId, productId)) return;
        {
            std::lock_guard lock(newMutex);
            fresh.push_back(port);
        }
        newPort.notify_all();
    });
    const uintptr_t registration = platform.notices.Register(*watch_);

    // The units already there when the station starts.
    int openFailures = 0;
    for (const PresentDevice& device : ScanUnits(platform.hid, platform.usb, request_.table, &openFailures)) {
        if (device.port.empty() || !serves(device.port)) continue;
        watch_->MarkPresent(device.port, device.vendorId, device.productId);
        std::lock_guard lock(newMutex);
        fresh.push_back(device.port);
    }
    {
        std::lock_guard lock(newMutex);
        fresh.insert(fresh.end(), request_.ports.begin(), request_.ports.end());
    }

    std::vector<std::unique_ptr<Port>> ports;
    for (;;) {
        std::vector<std::string> starting;
        {
            std::unique_lock lock(newMutex);
            newPort.wait_for(lock, std::chrono::milliseconds(50), [&] { return !fresh.empty(); });
            starting.swap(fresh);
        }
        if (stop()) break;
        for (const std::string& name : starting) {
            if (std::any_of(ports.begin(), ports.end(), [&](const auto& p) { return p->name == name; }))
                continue;
            auto port = std::make_unique<Port>();
            port->index = ports.size();
            port->name = name;
            port->view = &display_.ViewOf(port->index, name);
            port->view->SetUnit(UnitFacts::AtPort(name));
            Port* raw = port.get();
            ports.push_back(std::move(port));
            raw->thread = std::thread([this, raw, stop, interrupted] { ServePort(*raw, stop, interrupted); });
        }
    }
    watch_->Nudge();
    for (auto& port : ports) port->thread.join();
    watch_->OnArrival(nullptr);
    platform.notices.Unregister(registration);
}

void StationRun::ServePort(Port& port, const std::function<bool()>& stop,
                           const std::function<bool()>& interrupted) {
    Clock& clock = backend_.AsPlatform().clock;
    auto knownHere = [this](const PortState& state) {
        return state.present && Known(state.vendorId, state.productId);
    };
    while (!stop()) {
        port.view->Info("ready: plug in a unit");
        if (!watch_->WaitFor(port.name, knownHere, stop)) break;
        // A unit being pushed in may bounce; it starts once it stays.
        clock.SleepMs(static_cast<uint32_t>(request_.settle.count()));
        if (!knownHere(watch_->StateOf(port.name)) || stop()) continue;
        {
            std::lock_guard lock(countersMutex_);
            if (firstArrivalUs_ == 0) firstArrivalUs_ = std::max<uint64_t>(clock.NowUs(), 1);
        }
        WriteUnit(port, stop, interrupted);
        // Until it is taken out: a unit that stays is not written again. Its
        // removal is counted, not looked for, so a swap quicker than this
        // thread still starts the next unit.
        const PortState done = watch_->StateOf(port.name);
        backend_.UnitDone(port.name);
        if (done.present)
            watch_->WaitFor(
                port.name, [&done](const PortState& state) { return state.removals > done.removals; }, stop);
    }
}

void StationRun::WriteUnit(Port& port, const std::function<bool()>& stop,
                           const std::function<bool()>& interrupted) {
    ConsoleView& view = *port.view;
    UnitResult result;
    result.port = port.name;
    PortScope scope(backend_.AsPlatform(), backend_.Locks());
    result.claim = scope.Pin(port.name);
    if (!result.claim.Claimed()) {
        view.Info(result.claim.outcome == ClaimOutcome::Held
                      ? "the unit is held by another job; take it out when that job has ended"
                      : "the unit cannot be locked: " + result.claim.reason);
        return;
    }

    const auto start = std::chrono::system_clock::now();
    // A code scanned before the unit went in belongs to it.
    const std::string barcode = request_.barcodeFor ? request_.barcodeFor(port.name) : "";
    JobRequest job = request_.job;
    job.port = port.name;
    StationRecord record;
    JobReport report;
    const Platform platform = scope.AsPlatform();
    DeviceIdTrace ids(platform.hid);  // the unit as found and as it came back
    bool ran = false;
    if (request_.serials) {
        std::string why;
        job.serial = request_.serials->Next({request_.identity.stationId, port.name}, &why);
        if (!job.serial) {
            view.Info("no serial for this unit: " + why);
            result.outcome = SerialRefused();
        }
    }
    if (!request_.serials || job.serial) {
        CZT51xxWriteEepromMPDlg* dialog = nullptr;
        const uint32_t waitPasses = static_cast<uint32_t>(request_.replugWait.count()) * kPassesPerSecond;
        // This unit's re-plug, on its worker: its own port switched, or its
        // own line asking for it; seeing it come back is the answer.
        auto onReplugPrompt = [&] {
            const bool byPower =
                job.replug == ReplugMode::Power && ReplugByPortPower(backend_.Power(), port.name, view);
            if (!byPower) view.Info("re-plug this unit: take it out and put it back into port " + port.name);
            if (dialog && waitPasses > 0) dialog->deviceWaitCountdown.store(waitPasses);
            if (!byPower) backend_.ReplugUnit(port.name);
            return true;
        };
        std::istringstream nothing;
        OperatorInput noInput(&nothing);
        DialogSession session(Platform{platform.clock, ids, platform.audio, platform.notices, platform.usb},
                              view, noInput, DialogSession::Options{true, onReplugPrompt, interrupted});
        dialog = &session.Dialog();
        session.Start();
        session.Dialog().ShowRequestedIds(job);
        std::string misfit;
        if (job.image) misfit = CheckImageFitsUnit(session.Dialog(), job.image->bytes);
        if (!misfit.empty()) {
            view.Info("the image file is refused for this unit, " + misfit + "; it was not written");
            result.outcome = {ResultKind::Failed, std::nullopt};
        } else {
            report = session.WriteEeprom(job);
            ran = true;
            result.outcome = report.outcome;
            if (result.outcome.kind != ResultKind::Ok && interrupted())
                result.outcome = {ResultKind::Interrupted, std::nullopt};
        }
        session.Close();
    }
    record = CollectStationRecord(
        {report, ids, platform.usb, port.name, result.outcome, start, std::chrono::system_clock::now()});
    if (!ran && job.serial) record.serialWritten.clear();

    if (request_.confirm && ran && result.outcome.kind == ResultKind::Ok && report.imageIdentity) {
        const ImageIdentity& expected = *report.imageIdentity;
        const Confirmation confirmation = ConfirmUnit(
            backend_, *watch_, {port.name, expected, job.replug, request_.comeBackWithin}, view, stop);
        ApplyConfirmation(expected, confirmation, result.outcome, record);
        record.end = std::chrono::system_clock::now();
        view.Info(DescribeConfirmation(expected, confirmation));
    }
    StampIdentity(request_.identity, record);
    record.barcode = barcode;
    result.record = record;

    StationCounters counters;
    {
        std::lock_guard lock(countersMutex_);
        (result.outcome.kind == ResultKind::Ok ? counters_.passed : counters_.failed) += 1;
        const Clock& clock = backend_.AsPlatform().clock;
        const double hours =
            static_cast<double>(clock.NowUs() - std::min(clock.NowUs(), firstArrivalUs_)) / 3.6e9;
        if (hours > 0) counters_.unitsPerHour = (counters_.passed + counters_.failed) / hours;
        counters = counters_;
    }
    std::lock_guard lock(reportMutex_);
    view.SetUnit(UnitFactsOf(record));
    view.Result(result.outcome);
    display_.Counters(counters);
    if (onUnit_) onUnit_(result, counters);
}

}  // namespace zt::station

namespace zt::station {

std::string CountersText(const StationCounters& counters) {
    return "passed " + std::to_string(counters.passed) + "  failed " + std::to_string(counters.failed) +
           "  " + std::to_string(static_cast<long long>(counters.unitsPerHour + 0.5)) + " units/h";
}

}  // namespace zt::station

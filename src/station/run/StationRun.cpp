#include "station/run/StationRun.h"

#include <algorithm>
#include <condition_variable>
#include <sstream>
#include <thread>

#include "station/operator/OperatorText.h"
#include "station/ports/KnownDeviceScan.h"
#include "station/ports/PortWatch.h"
#include "station/ports/PowerReplug.h"
#include "station/unit/StationRecordCollector.h"

namespace zt::station {

struct StationRun::Port {
    size_t index = 0;
    std::string name;
    ConsoleView* view = nullptr;
    PortState shown;  // the port as the last unit's result was shown
    std::thread thread;
};

StationRun::StationRun(DeviceBackend& backend, StationRequest request, StationDisplay& display,
                       RecordKeeper& records, OnUnit onUnit)
    : backend_(backend),
      request_(std::move(request)),
      display_(display),
      records_(records),
      onUnit_(std::move(onUnit)),
      watch_(std::make_unique<PortWatch>(backend.AsPlatform().clock)),
      pipeline_(backend, records, request_.serials, request_.identity, request_.preCheck) {}

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
        if (stop() || records_.Failed()) break;
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
    // A record that could not be written stops the station taking units; the
    // unit under way still finishes.
    auto stopTaking = [this, &stop] { return stop() || records_.Failed(); };
    while (!stopTaking()) {
        // Ready; the last result stays in view until the next unit starts.
        port.view->State(PortStatus{});
        if (!watch_->WaitFor(port.name, knownHere, stopTaking)) break;
        // A unit being pushed in may bounce; it starts once it stays.
        clock.SleepMs(static_cast<uint32_t>(request_.settle.count()));
        if (!knownHere(watch_->StateOf(port.name)) || stopTaking()) continue;
        {
            std::lock_guard lock(countersMutex_);
            if (firstArrivalUs_ == 0) firstArrivalUs_ = std::max<uint64_t>(clock.NowUs(), 1);
        }
        WriteUnit(port, stop, interrupted);
        // Until it is taken out: a unit that stays is not written again. Its
        // removal is counted from the moment its result was shown, not looked
        // for, so a swap quicker than this thread still starts the next unit.
        if (OperatorHands* hands = backend_.Hands()) hands->TakeOut(port.name);
        if (port.shown.present)
            watch_->WaitFor(
                port.name, [&port](const PortState& state) { return state.removals > port.shown.removals; },
                stopTaking);
    }
}

void StationRun::WriteUnit(Port& port, const std::function<bool()>& stop,
                           const std::function<bool()>& interrupted) {
    ConsoleView& view = *port.view;
    UnitTask task;
    task.port = port.name;
    task.job = request_.job;
    task.job.replugWait = request_.replugWait;
    // A code scanned before the unit went in belongs to it.
    if (request_.barcodeFor) task.barcode = request_.barcodeFor(port.name);
    task.confirm = request_.confirm;
    task.comeBackWithin = request_.comeBackWithin;
    UnitHooks hooks;
    // This unit's re-plug, on its worker: its own port switched, or its own
    // line asking for it; seeing it come back is the answer.
    hooks.replug = [this](ConsoleView& unitView, const std::string& at) {
        const bool byPower = request_.job.replug == ReplugMode::Power &&
                             ReplugByPortPower(backend_.Power(), at,
                                               [&unitView](const std::string& line) { unitView.Info(line); });
        if (!byPower) {
            unitView.State(PortStatus{PortPhase::Replug, at, std::nullopt});
            if (OperatorHands* hands = backend_.Hands()) hands->Replug(at);
        }
        return true;
    };
    hooks.interrupted = interrupted;
    hooks.showStates = true;
    hooks.stop = stop;
    hooks.watch = watch_.get();
    hooks.show = [this, &port](const UnitResult& result) { ShowResult(result, port); };
    pipeline_.Run(task, view, hooks);
}

void StationRun::ShowResult(const UnitResult& result, Port& port) {
    ConsoleView& view = *port.view;
    switch (result.refusal) {
        case UnitRefusal::None:
            break;
        case UnitRefusal::Held:
            view.Info(OperatorText("Station",
                                   "the unit is held by another job; take it out when that job has ended"));
            break;
        case UnitRefusal::CannotLock:
            view.Info(result.refusalReason);
            break;
        case UnitRefusal::NoSerial:
            view.Info(FillIn(OperatorText("Station", "no serial for this unit: %1"), {result.refusalReason}));
            break;
        case UnitRefusal::ImageMisfit:
            view.Info(ImageMisfitLine(result));
            break;
        case UnitRefusal::PreCheck:
            view.Info(PreCheckRefusalLine(result));
            break;
    }
    if (!result.recordError.empty())
        view.Info(FillIn(
            OperatorText("Station",
                         "the record of this unit was not written (%1); the station takes no more units"),
            {result.recordError}));
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
    // From here on the operator may take the unit out.
    port.shown = watch_->StateOf(port.name);
    if (result.record) view.SetUnit(UnitFactsOf(*result.record));
    view.Result(result.outcome);
    display_.Counters(counters);
    if (onUnit_) onUnit_(result, counters);
}

}  // namespace zt::station

#include "station/presenter/StationPresenter.h"

#include <algorithm>

#include "chip/HexId.h"
#include "chip/KnownDeviceTable.h"
#include "platform/DeviceBackend.h"
#include "platform/NaturalOrder.h"
#include "station/presenter/UnitRows.h"
#include "station/run/MultiUnitWrite.h"
#include "station/run/StationRun.h"

namespace zt::station {

namespace {

bool Present(const StationRow& row) { return row.present; }

bool Passed(const UnitResult& unit) { return unit.outcome.kind == ResultKind::Ok; }

}  // namespace

StationPresenter::StationPresenter(DeviceBackend& backend, UiCallQueue& calls, StationView& view,
                                   StationLook look)
    : backend_(backend), calls_(calls), view_(view), look_(std::move(look)) {}

StationPresenter::~StationPresenter() {
    if (!job_.joinable()) return;
    Interrupt();
    job_.join();
}

std::string StationPresenter::IdsOf(const PresentDevice& device) const {
    std::string ids = FormatHexId(device.vendorId) + ':' + FormatHexId(device.productId);
    if (device.updater) ids += look_.updater;
    // Its IDs come from the USB walk; its job will fail at the open.
    if (!device.openable) ids += look_.cannotBeOpened;
    return ids;
}

void StationPresenter::SortRows() {
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const StationRow& a, const StationRow& b) { return NaturalLess(a.port, b.port); });
}

void StationPresenter::ShowRows(bool onlyChanged) {
    std::vector<RowShown> shown;
    shown.reserve(rows_.size());
    for (const StationRow& row : rows_) shown.push_back(ShowRow(row, look_.rows));
    if (onlyChanged && shown == shown_) return;
    shown_ = std::move(shown);
    view_.ShowRows(shown_);
}

void StationPresenter::UpdateButtons() {
    StationButtons buttons;
    buttons.write = !running_ && std::any_of(rows_.begin(), rows_.end(), Present);
    // Run station starts while nothing runs and stops its own run, once.
    buttons.runStation = !running_ || (mode_ == Mode::RunStation && stationOn_);
    buttons.stationMode = mode_ == Mode::RunStation;
    buttons.stationTaking = buttons.stationMode && stationOn_;
    // A run's records all name the same people: it took them at its start.
    buttons.identity = !running_;
    view_.ShowButtons(buttons);
}

std::string StationPresenter::CountersText() const {
    return look_.counters(tally_.Passed(), tally_.Failed(), tally_.RateText());
}

size_t StationPresenter::RowsReadyWithResult() const {
    return static_cast<size_t>(std::count_if(rows_.begin(), rows_.end(), RowReadyWithResult));
}

bool StationPresenter::UnitsUnderWay() const {
    if (!running_) return false;
    // A station between units writes nothing; Write EEPROM's job is one whole.
    if (mode_ == Mode::WriteAll) return true;
    return std::any_of(rows_.begin(), rows_.end(),
                       [](const StationRow& r) { return r.line && r.line->UnderWay(); });
}

void StationPresenter::Refresh() {
    if (running_ || calls_.IsClosing()) return;
    int openFailures = 0;
    // A unit whose HID interface cannot be opened still gets its row, and
    // its job fails with its code, rather than the unit being left out unseen.
    const Platform platform = backend_.AsPlatform();
    const auto devices = ScanUnits(platform.hid, platform.usb, kInitialKnownDevices, &openFailures);
    size_t portUnknown = 0;
    rows_ = RowsAfterScan(
        rows_, devices, [this](const PresentDevice& device) { return IdsOf(device); }, &portUnknown);
    SortRows();
    ShowRows(true);

    const auto present = static_cast<size_t>(std::count_if(rows_.begin(), rows_.end(), Present));
    std::string status;
    if (present > 0) {
        status = look_.unitsPresent(present);
    } else {
        status = look_.noKnownDevice;
        const std::string hint = backend_.PermissionHint();
        if (openFailures > 0 && !hint.empty()) status += ' ' + hint;
    }
    // Units whose port the system does not tell cannot be kept apart: no row.
    if (portUnknown > 0 && look_.unitsLeftOut) status += ' ' + look_.unitsLeftOut(portUnknown);
    view_.ShowStatus(status);
    UpdateButtons();
}

void StationPresenter::StartJob() {
    if (running_ || calls_.IsClosing()) return;
    const auto identity = view_.TakeIdentity();
    if (!identity) return;
    Refresh();
    // The new job's rows: the units present now, nothing of the last job.
    std::erase_if(rows_, [](const StationRow& r) { return !r.present; });
    MultiUnitRequest request;
    for (StationRow& row : rows_) {
        StationRow fresh;
        fresh.port = row.port;
        fresh.ids = row.ids;
        fresh.present = true;
        row = std::move(fresh);
        request.ports.push_back(row.port);
    }
    ShowRows();
    if (request.ports.empty()) return;
    if (job_.joinable()) job_.join();  // the last job's thread, already past its end

    running_ = true;
    tally_.Started(StationTally::Clock::now());
    UpdateButtons();
    view_.ShowStatus(look_.writingUnits(request.ports.size()));
    request.replugWait = DefaultReplugWait(request.ports.size());
    request.job.replug = replug_;
    request.identity = *identity;
    request.serials = serials_;
    request.preCheck = preCheck_;
    display_ = std::make_unique<WindowStationDisplay>(calls_, AsRows());
    job_ = std::thread([this, request] {
        // Each unit's record is on disk as its job ends, before the window
        // says the job is over, and even when a close has stopped the job.
        auto results =
            WriteUnits(backend_, request, *display_, *records_, [this] { return stopping_.load(); });
        if (!std::all_of(results.begin(), results.end(), Passed)) anyFailed_ = true;
        {
            std::lock_guard lock(resultsMutex_);
            results_ = std::move(results);
        }
        // Not run once the window closes; Stop finishes the job then.
        calls_.Run([this] { FinishJob(); });
    });
}

void StationPresenter::FinishJob() {
    std::vector<UnitResult> results;
    {
        std::lock_guard lock(resultsMutex_);
        if (!results_) return;
        results = std::move(*results_);
        results_.reset();
    }
    running_ = false;
    for (const UnitResult& unit : results) tally_.UnitEnded(Passed(unit), StationTally::Clock::now());
    view_.ShowCounters(CountersText());
    std::vector<std::string> logErrors;
    for (const UnitResult& unit : results)
        if (!unit.recordError.empty()) logErrors.push_back(unit.recordError);
    // A window that is going shows nothing more, but may still tell of the log.
    if (!calls_.IsClosing()) {
        ShowJobResults(results);
        ShowRows();
        Refresh();
    }
    if (!logErrors.empty()) view_.LogNotWritten(logErrors);
    if (!calls_.IsClosing()) view_.JobEnded(results);
}

void StationPresenter::ShowJobResults(const std::vector<UnitResult>& results) {
    for (size_t i = 0; i < results.size() && i < rows_.size(); ++i) {
        StationRow& row = rows_[i];
        const UnitResult& unit = results[i];
        // A unit stopped before its result reached the row.
        if (look_.writeAllFollowsState && !(row.line && row.line->Last()))
            ShowState(i, {PortPhase::Result, {}, PortOutcome::Of(unit.outcome)});
        // A row that follows no state keeps the job's own last words, its
        // result box; a job that ended without one says how it ended.
        RowEnded(row, unit.outcome, row.activity.empty() ? OutcomeWords(unit.outcome) : row.activity);
        if (unit.Busy()) {
            row.refusal = look_.heldByAnotherJob;
        } else if (unit.claim.outcome == ClaimOutcome::CannotLock) {
            row.refusal = look_.lockNotTaken + unit.claim.reason;
            row.resultTip = row.refusal;
        }
    }
}

void StationPresenter::StartStation() {
    if (running_ || calls_.IsClosing()) return UpdateButtons();
    const auto identity = view_.TakeIdentity();
    if (!identity) return UpdateButtons();
    if (job_.joinable()) job_.join();
    mode_ = Mode::RunStation;
    running_ = true;
    stationOn_ = true;
    stationPorts_.Clear();
    tally_.Started(StationTally::Clock::now());
    UpdateButtons();
    view_.ShowStatus(look_.stationRunning);
    StationRequest request;
    request.job.replug = replug_;
    request.identity = *identity;
    request.serials = serials_;
    request.preCheck = preCheck_;
    // Asked on a unit's thread as its job starts; the codes are the UI
    // thread's alone. A window that is closing hands out none.
    request.barcodeFor = [this](const std::string&) {
        std::string code;
        calls_.Run([this, &code] { code = view_.NextBarcode(); });
        return code;
    };
    view_.StationStarted();
    display_ = std::make_unique<WindowStationDisplay>(calls_, AsRows());
    job_ = std::thread([this, request] {
        // Each unit's record is kept before its row shows the result.
        StationRun station(backend_, request, *display_, *records_,
                           [this](const UnitResult& unit, const StationCounters&) {
                               if (!Passed(unit)) anyFailed_ = true;
                               calls_.Run([this, unit] { ShowUnitResult(unit); });
                           });
        station.Run([this] { return !stationOn_.load() || stopping_.load(); },
                    [this] { return stopping_.load(); });
        calls_.Run([this] { StationEnded(); });
    });
}

void StationPresenter::StationEnded() {
    running_ = false;
    mode_ = Mode::WriteAll;
    Refresh();
    UpdateButtons();
    view_.StationStopped();
}

void StationPresenter::StopStation() {
    if (mode_ != Mode::RunStation || !stationOn_) return;
    stationOn_ = false;
    view_.ShowStatus(look_.stationStopping);
    UpdateButtons();
}

void StationPresenter::Interrupt() {
    stopping_ = true;
    stationOn_ = false;
    calls_.BeginClosing();
}

void StationPresenter::Stop() {
    if (!job_.joinable()) return;
    Interrupt();
    job_.join();
    // Each unit's record, INTERRUPTED for those the close stopped.
    FinishJob();
    running_ = false;
}

void StationPresenter::ShowUnitResult(const UnitResult& unit) {
    tally_.UnitEnded(Passed(unit), StationTally::Clock::now());
    view_.ShowCounters(CountersText());
    const auto found =
        std::find_if(rows_.begin(), rows_.end(), [&](const StationRow& r) { return r.port == unit.port; });
    if (found != rows_.end()) {
        // A unit whose job never said where it stood still shows its result.
        if (!found->line || !found->line->Last())
            RowStated(*found, {PortPhase::Result, {}, PortOutcome::Of(unit.outcome)});
        RowEnded(*found, unit.outcome, OutcomeWords(unit.outcome));
        if (unit.record && unit.record->vendorIdAfter)
            found->ids = FormatHexId(*unit.record->vendorIdAfter) + ':' +
                         FormatHexId(unit.record->productIdAfter.value_or(0));
        ShowRows();
    }
    view_.UnitShown(unit);
}

size_t StationPresenter::RowOf(size_t index) const {
    if (mode_ != Mode::RunStation) return index;
    return stationPorts_.RowOf(rows_, index);
}

void StationPresenter::BindPort(size_t index, const std::string& port) {
    if (mode_ != Mode::RunStation) return;
    stationPorts_.Bind(index, port);
    if (std::none_of(rows_.begin(), rows_.end(), [&](const StationRow& r) { return r.port == port; })) {
        StationRow row;
        row.port = port;
        rows_.push_back(row);
        SortRows();
    }
    rows_[RowOf(index)].present = true;
    ShowRows();
}

void StationPresenter::ShowProgress(size_t index, int percent) {
    index = RowOf(index);
    if (index >= rows_.size()) return;
    RowProgressed(rows_[index], percent);
    ShowRows();
}

void StationPresenter::ShowText(size_t index, const std::string& text) {
    index = RowOf(index);
    if (index >= rows_.size()) return;
    RowSaid(rows_[index], text);
    ShowRows();
}

void StationPresenter::ShowState(size_t index, const PortStatus& status) {
    index = RowOf(index);
    if (index >= rows_.size()) return;
    StationRow& row = rows_[index];
    // Write EEPROM's rows may show each job's own words to its end instead.
    if (mode_ == Mode::RunStation || look_.writeAllFollowsState) RowStated(row, status);
    if (status.phase == PortPhase::Result && status.outcome && !status.outcome->pass)
        view_.UnitFailed(row.port, PortOutcomeText(*status.outcome));
    ShowRows();
}

WindowStationDisplay::Rows& StationPresenter::AsRows() { return *this; }

void StationPresenter::AskToReplug(const std::string& text, std::function<void()> answered) {
    view_.AskToReplug(text, std::move(answered));
}

}  // namespace zt::station

#include "station/unit/UnitPipeline.h"

#include <cstdint>
#include <memory>
#include <sstream>

#include "chip/HexId.h"
#include "chip/ImageIdentity.h"
#include "device/FailureCodes.h"
#include "device/PortScope.h"
#include "job/JobResult.h"
#include "station/image/ImageFileCheck.h"
#include "station/operator/TerminalText.h"
#include "station/ports/PortWatch.h"
#include "station/unit/JobRunner.h"
#include "station/unit/PortStatusView.h"
#include "station/unit/StationRecordCollector.h"
#include "station/unit/UnitConfirmation.h"

namespace zt::station {

namespace {

// A unit turned away before its job: the request's own failure, at stage 0.
JobOutcome Refused(Failure failure) {
    return JobOutcome::Failed(JobResult{0, kOriginWriteRequest, failure.errorClass, failure.errorDetail});
}

}  // namespace

// One unit on its way: what it was asked for and what has become of it.
struct UnitPipeline::Road {
    const UnitTask& task;
    PortStatusView& view;  // the front end's, with the unit's state
    const UnitHooks& hooks;
    PortScope scope;
    JobRequest job;
    UnitResult result;
    JobReport report;
    StationRecord record;
    std::chrono::system_clock::time_point start = std::chrono::system_clock::now();
    std::vector<std::string> serialsTaken{};  // entered in the ledger for this unit, in order
    std::string preCheckLine{};               // what the pre-check said
    bool ran = false;                         // the job was started on the unit
    bool jobEnded = false;                    // hooks.jobEnded has been called

    void EndJob() {
        if (jobEnded) return;
        jobEnded = true;
        if (hooks.jobEnded) hooks.jobEnded();
    }
    void Refuse(UnitRefusal why, Failure failure, std::string reason) {
        result.refusal = why;
        result.refusalReason = std::move(reason);
        result.outcome = Refused(failure);
    }
};

UnitPipeline::UnitPipeline(DeviceBackend& backend, RecordKeeper& records, SerialNumbers* serials,
                           StationIdentity identity, const PreCheck* preCheck)
    : backend_(backend),
      records_(records),
      // A serial a pre-check hands out goes into the ledger like any other.
      ownLedger_(!serials && preCheck ? SerialNumbers::LedgerOnly("") : nullptr),
      serials_(serials ? serials : ownLedger_.get()),
      identity_(std::move(identity)),
      preCheck_(preCheck) {}

UnitPipeline::~UnitPipeline() = default;

UnitResult UnitPipeline::Run(const UnitTask& task, ConsoleView& view, const UnitHooks& hooks) const {
    PortStatusView states(view, hooks.showStates);
    Road road{task, states, hooks, PortScope(backend_.AsPlatform(), backend_.Locks()), task.job, {}, {}, {}};
    // The unit starts: whatever the port showed of the last one goes.
    states.Enter(PortPhase::Writing);
    road.job.port = task.port;
    road.result.port = task.port;
    if (Claim(road) && TakeSerial(road)) {
        RunJob(road);
    } else {
        // Turned away untouched: the record says so with its code, and
        // nothing of the unit was looked at.
        road.report.outcome = road.result.outcome;
        road.record =
            CollectStationRecord({road.report, task.port, nullptr, road.start,
                                  std::chrono::system_clock::now(), "write", &identity_, task.barcode});
    }
    road.EndJob();
    Confirm(road);
    Finish(road);
    return road.result;
}

bool UnitPipeline::Claim(Road& road) const {
    // Without a port, the job's own open fixes the unit and claims it.
    if (road.task.port.empty()) return true;
    road.result.claim = road.scope.Pin(road.task.port);
    if (road.result.claim.Claimed()) return true;
    if (road.result.claim.outcome == ClaimOutcome::Held)
        road.Refuse(UnitRefusal::Held, kUnitHeld, "the unit is held by another job");
    else
        road.Refuse(UnitRefusal::CannotLock, kUnitLockFailed,
                    "the unit cannot be locked: " + road.result.claim.reason);
    return false;
}

bool UnitPipeline::TakeSerial(Road& road) const {
    if (!serials_ || !serials_->HandsOut()) return true;
    std::string why;
    road.job.serial = serials_->Next({identity_.stationId, road.task.port}, &why);
    if (road.job.serial) {
        road.serialsTaken.push_back(*road.job.serial);
        return true;
    }
    road.Refuse(UnitRefusal::NoSerial, kSerialRefused, why);
    return false;
}

void UnitPipeline::RunJob(Road& road) const {
    const Platform platform = road.scope.AsPlatform();
    std::istringstream nothing;  // prompts nobody answers answer themselves
    OperatorInput noInput(&nothing);
    const UnitHooks& hooks = road.hooks;
    auto replug = [&road, &hooks, this] {
        const std::string port = road.scope.Port();
        if (hooks.replug) return hooks.replug(road.view, port);
        if (OperatorHands* hands = backend_.Hands()) hands->Replug(port);
        return false;
    };
    JobRunner runner(platform, road.view, hooks.input ? *hooks.input : noInput,
                     JobRunner::Options{hooks.autoAnswer, replug, hooks.interrupted});
    runner.Start();
    if (hooks.nameArrivalsElsewhere) runner.WatchArrivalsElsewhere(road.scope, hooks.awaitedPorts);
    // The start-up open bound nothing: the check's and the job's own open
    // pick the unit the typed IDs select.
    if (road.task.port.empty()) road.scope.BindOnJobOpen();

    // Checked while the unit is untouched: nothing has been erased yet.
    if (road.job.image && !FitsUnit(road, runner)) {
        road.report.outcome = road.result.outcome;
    } else if (preCheck_ && !AskPreCheck(road, runner)) {
        road.report.outcome = road.result.outcome;
    } else {
        if (hooks.starting) hooks.starting(runner.TypedIds(road.job));
        road.report = runner.Write(road.job);
        road.ran = true;
        road.report.outcome = WithInterrupt(road.report.outcome, hooks.interrupted());
        road.result.outcome = road.report.outcome;
    }
    road.EndJob();
    runner.Close();
    if (road.ran && !road.report.openedBefore) {
        // A job the interrupt stopped under way handed no report over; once
        // its worker has gone, the unit it opened (and reopened) is known.
        const JobReport stopped = runner.Job().FinishedJobReport();
        road.report.openedBefore = stopped.openedBefore;
        road.report.openedAfter = stopped.openedAfter;
    }
    road.result.port = road.scope.Port();
    road.result.heldElsewhere = road.scope.HeldElsewhere();
    road.result.lockFailure = road.scope.LastLockFailure();
    road.record = CollectStationRecord({road.report, road.scope.Port(), &platform.usb, road.start,
                                        std::chrono::system_clock::now(), "write", &identity_,
                                        road.task.barcode, road.preCheckLine, road.serialsTaken});
}

bool UnitPipeline::FitsUnit(Road& road, JobRunner& runner) const {
    // The unit the write request will open: the typed pair in row 0. A chip
    // that does not answer is left to the job, which fails on it with its
    // own code.
    ChipIdentity chip;
    if (Failed(runner.IdentifyUnit(road.job, &chip))) return true;
    road.report.openedBefore = runner.Job().OpenDeviceIds();
    const std::string misfit = CheckImageFitsChip(road.job.image->bytes, chip);
    if (misfit.empty()) return true;
    road.Refuse(UnitRefusal::ImageMisfit, kImageOfOtherChip, misfit);
    return false;
}

bool UnitPipeline::AskPreCheck(Road& road, JobRunner& runner) const {
    PreCheckFacts facts;
    facts.stationId = identity_.stationId;
    facts.operatorName = identity_.operatorName;
    facts.workOrder = identity_.workOrder;
    facts.barcode = road.task.barcode;
    facts.serial = road.job.serial.value_or("");
    // The unit the job will open, found as the write request finds it (an
    // open writes nothing); for a unit named by its IDs this fixes its port.
    if (!Failed(runner.OpenUnit(road.job))) {
        const DeviceIds found = runner.Job().OpenDeviceIds();
        facts.vendorId = found.vendorId;
        facts.productId = found.productId;
    }
    facts.port = road.scope.Port();
    const PreCheckAnswer answer = preCheck_->Ask(facts);
    road.preCheckLine = answer.line;
    std::string why;
    if (!answer.yes) {
        road.Refuse(UnitRefusal::PreCheck, answer.failure, answer.line);
        return false;
    }
    if (!answer.serial || answer.serial == road.job.serial) return true;
    if (AdoptSerial(road, *answer.serial, &why)) return true;
    road.preCheckLine = why;
    road.Refuse(UnitRefusal::PreCheck, kPreCheckSerialRefused, why);
    return false;
}

// A serial the pre-check hands the unit: one the image takes, that nobody
// handed out before, entered in the ledger before the unit gets it.
bool UnitPipeline::AdoptSerial(Road& road, const std::string& serial, std::string* why) const {
    const auto length = ImageSerialLength(road.job.image, why);
    if (!length) return false;
    if (!IsSerialText(serial) || serial.size() != *length) {
        *why = "the pre-check's serial \"" + ForTerminal(serial) + "\" is not " + std::to_string(*length) +
               " letters, digits or '-'";
        return false;
    }
    if (!serials_->Adopt(serial, "pre-check", {identity_.stationId, road.scope.Port()}, why)) {
        *why = "the pre-check's serial is refused: " + *why;
        return false;
    }
    road.serialsTaken.push_back(serial);
    road.job.serial = serial;
    return true;
}

void UnitPipeline::Confirm(Road& road) const {
    if (!road.task.confirm || !road.ran || road.result.outcome.kind != ResultKind::Ok ||
        !road.report.imageIdentity)
        return;
    const ImageIdentity& expected = *road.report.imageIdentity;
    const std::string port = road.scope.Port();
    Confirmation confirmation;
    if (!port.empty()) {
        // The check hears the port from before the unit leaves.
        std::unique_ptr<PortWatch> own;
        PortWatch* watch = road.hooks.watch;
        uintptr_t registration = 0;
        if (!watch) {
            own = std::make_unique<PortWatch>(backend_.AsPlatform().clock);
            watch = own.get();
            registration = backend_.AsPlatform().notices.Register(*watch);
        }
        road.view.Enter(PortPhase::Confirming);
        confirmation =
            ConfirmUnit(backend_, *watch, {port, expected, road.job.replug, road.task.comeBackWithin},
                        road.view, road.hooks.stop ? road.hooks.stop : road.hooks.interrupted);
        if (own) backend_.AsPlatform().notices.Unregister(registration);
    }
    ApplyConfirmation(expected, confirmation, road.result.outcome, road.record);
    road.record.end = std::chrono::system_clock::now();
    road.view.Info(DescribeConfirmation(expected, confirmation));
}

void UnitPipeline::Finish(Road& road) const {
    road.result.record = road.record;
    // The record is on disk before anyone hears the result.
    if (road.task.recordTurn)
        records_.KeepInTurn(*road.task.recordTurn, road.record, &road.result.recordError);
    else
        records_.Keep(road.record, &road.result.recordError);
    road.view.Finish(road.result.outcome);
    if (road.hooks.show) road.hooks.show(road.result);
}

}  // namespace zt::station

#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chip/DeviceIds.h"
#include "job/JobRequest.h"
#include "platform/DeviceBackend.h"
#include "station/operator/OperatorInput.h"
#include "station/records/RecordKeeper.h"
#include "station/records/StationIdentity.h"
#include "station/serials/SerialNumbers.h"
#include "station/unit/ConsoleView.h"
#include "station/unit/PreCheck.h"
#include "station/unit/UnitResult.h"

namespace zt::station {

class JobRunner;
class PortWatch;

// One unit as a front end hands it over.
struct UnitTask {
    // The unit's port; "" for the unit the job's own open selects by the
    // typed IDs, whose port then holds for the whole job.
    std::string port;
    // What the job asks for; the road fills in the port and the serial.
    JobRequest job;
    std::string barcode;  // scanned for this unit; "" for none
    // Whether an OK unit is re-plugged once more and checked; how long it has
    // from leaving until it is back.
    bool confirm = false;
    std::chrono::milliseconds comeBackWithin{10000};
    // Of several units written together: the unit's place among them, which
    // its record keeps in the log. None: the record goes out as it comes.
    std::optional<size_t> recordTurn;
};

// Where the front ends' roads differ. Every hook runs on the unit's own
// thread (its user-interface thread), except `replug`, which runs on its
// worker at the re-plug step.
struct UnitHooks {
    // Who answers the job's prompts: an operator's keyboard, or nobody
    // (then they answer themselves).
    OperatorInput* input = nullptr;
    bool autoAnswer = true;
    // The re-plug is due: re-plug the unit, or have it re-plugged. True when
    // that happened without the operator (the prompt answers itself). None:
    // the operator's hands, where the backend has them.
    std::function<bool(ConsoleView& view, const std::string& port)> replug;
    // Name a known device that arrives on another port while the job waits
    // for its own; `awaitedPorts` are other jobs' units, not named.
    bool nameArrivalsElsewhere = false;
    std::vector<std::string> awaitedPorts;
    // Just before the write starts, with the IDs the job opens by.
    std::function<void(DeviceIds ids)> starting;
    // The unit's job is over, or it was turned away (called once either way,
    // before the confirmation).
    std::function<void()> jobEnded;
    // Whether the unit's waits give up now (Ctrl-C, a closing window).
    std::function<bool()> interrupted = [] { return false; };
    // Ends the wait for a unit to leave in the confirmation; none: `interrupted`.
    std::function<bool()> stop;
    // Hears the port's arrivals and removals for the confirmation; none: the
    // road registers one of its own for the check.
    PortWatch* watch = nullptr;
    // Whether the unit's view hears where it stands (`ConsoleView::State`):
    // a port among several, whose row or line shows it.
    bool showStates = false;
    // The result, once its record is in the log (or could not be written).
    std::function<void(const UnitResult& result)> show;
};

// The one road of a unit, for every front end: claim its port, take its
// serial, check that the image fits its chip, ask the pre-check program (when
// there is one) whether it may be written, run its job, confirm it after
// the last re-plug, append and sync its record, and only then show its
// result. A unit turned away on the way still gets a code and a record.
class UnitPipeline {
public:
    // `serials` (none: each image keeps its own serial) also takes the
    // serials a pre-check hands out into its ledger; without a source of its
    // own it is SerialNumbers::LedgerOnly. `preCheck`: none asks nobody.
    UnitPipeline(DeviceBackend& backend, RecordKeeper& records, SerialNumbers* serials,
                 StationIdentity identity, const PreCheck* preCheck = nullptr);
    ~UnitPipeline();

    UnitResult Run(const UnitTask& task, ConsoleView& view, const UnitHooks& hooks) const;

private:
    struct Road;
    bool Claim(Road& road) const;
    bool TakeSerial(Road& road) const;
    void RunJob(Road& road) const;
    bool FitsUnit(Road& road, JobRunner& runner) const;
    bool AskPreCheck(Road& road, JobRunner& runner) const;
    bool AdoptSerial(Road& road, const std::string& serial, std::string* why) const;
    void Confirm(Road& road) const;
    void Finish(Road& road) const;

    DeviceBackend& backend_;
    RecordKeeper& records_;
    std::unique_ptr<SerialNumbers> ownLedger_;
    SerialNumbers* serials_;
    const StationIdentity identity_;
    const PreCheck* preCheck_;
};

}  // namespace zt::station

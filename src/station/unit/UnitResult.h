#pragma once
#include <optional>
#include <string>
#include <vector>

#include "device/PortScope.h"
#include "job/JobOutcome.h"
#include "station/operator/OperatorText.h"
#include "station/records/StationLog.h"

namespace zt::station {

// Why a unit was turned away before its job touched it.
enum class UnitRefusal {
    None,         // its job ran
    Held,         // another job holds its port
    CannotLock,   // its port's lock could not be taken at all
    NoSerial,     // the serial source had none for it
    ImageMisfit,  // the image file is not for its chip
    PreCheck,     // the pre-check program did not say yes, or handed it a serial it cannot have
};

// What became of one unit on its road: its outcome, its record and whether
// the record reached the log.
struct UnitResult {
    std::string port;
    JobOutcome outcome;
    UnitRefusal refusal = UnitRefusal::None;
    std::string refusalReason;  // one line, for a refusal
    // The claim on the unit: not Claimed when nothing was done to it.
    UnitClaim claim{ClaimOutcome::Claimed};
    // For a unit that its job's own open chose: the ports passed over because
    // another job held them, and a lock that could not be taken at all.
    std::vector<std::string> heldElsewhere;
    PortScope::LockFailure lockFailure;
    // What the station log keeps of the unit, refusals included.
    std::optional<StationRecord> record;
    // Why the record is not in the log; "" when it is (or there is no log).
    std::string recordError;

    bool Busy() const { return claim.outcome == ClaimOutcome::Held; }
};

// The operator's line for a unit an image file does not fit.
inline std::string ImageMisfitLine(const UnitResult& result) {
    return FillIn(OperatorText("Station", "the image file is refused for this unit, %1; it was not written"),
                  {result.refusalReason});
}

// The operator's line for a unit the pre-check did not let through.
inline std::string PreCheckRefusalLine(const UnitResult& result) {
    return FillIn(OperatorText("Station", "the pre-check refused this unit (%1); it was not written"),
                  {result.refusalReason});
}

}  // namespace zt::station

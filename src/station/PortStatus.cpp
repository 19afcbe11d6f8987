#include "station/PortStatus.h"

#include "job/FailureCatalogue.h"
#include "station/OperatorText.h"

namespace zt::station {

namespace {

// The catalogue's sentence says what happened, then after its first colon
// what to do; the first clause of that is short enough for a row.
std::string ShortAction(uint32_t code) {
    const FailureDescription failure = DescribeFailure(code);
    std::string action = failure.meaning;
    if (const size_t colon = action.find(": "); colon != std::string::npos) action.erase(0, colon + 2);
    if (const size_t cut = action.find_first_of(";."); cut != std::string::npos) action.erase(cut);
    return action.empty() ? failure.detailName : action;
}

}  // namespace

PortOutcome PortOutcome::Of(const JobOutcome& outcome) {
    PortOutcome shown;
    shown.kind = outcome.kind;
    shown.pass = outcome.kind == ResultKind::Ok;
    shown.code = outcome.Code();
    if (shown.code) shown.action = ShortAction(*shown.code);
    return shown;
}

const char* PortPhaseName(PortPhase phase) {
    switch (phase) {
        case PortPhase::Ready:
            return "ready";
        case PortPhase::Writing:
            return "writing";
        case PortPhase::Replug:
            return "replug";
        case PortPhase::Confirming:
            return "confirming";
        case PortPhase::Result:
            return "result";
    }
    return "ready";
}

std::string PortOutcomeText(const PortOutcome& outcome) {
    if (outcome.pass) return "PASS";
    std::string text = "FAIL";
    if (outcome.code) {
        text += ' ' + FormatResultCode(*outcome.code);
        if (!outcome.action.empty()) text += ": " + outcome.action;
    } else if (outcome.kind != ResultKind::Failed) {
        // Stopped before its end, without a code of its own.
        text += std::string(" (") + ResultName(outcome.kind) + ")";
    }
    return text;
}

std::string PortStatusText(const PortStatus& status) {
    switch (status.phase) {
        case PortPhase::Ready:
            return OperatorText("Station", "ready: plug in a unit");
        case PortPhase::Writing:
            return OperatorText("Station", "writing: do not pull the unit");
        case PortPhase::Replug:
            return OperatorText("Station", "re-plug this unit now: take it out and put it back into port ") +
                   status.port;
        case PortPhase::Confirming:
            return OperatorText("Station", "checking the written unit");
        case PortPhase::Result:
            return status.outcome ? PortOutcomeText(*status.outcome) : std::string();
    }
    return {};
}

}  // namespace zt::station

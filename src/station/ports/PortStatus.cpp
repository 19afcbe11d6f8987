#include "station/ports/PortStatus.h"

#include "job/FailureCatalogue.h"
#include "station/operator/OperatorText.h"

namespace zt::station {

namespace {

// The catalogue's one line on what to do about the code's class, in English
// (events carry it so); a code the tool never records has only its name.
std::string ShortAction(uint32_t code) {
    const FailureDescription failure = DescribeFailure(code);
    return failure.action.empty() ? failure.detailName : failure.action;
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

std::string ResultWithCode(const JobOutcome& outcome) {
    std::string text = ResultName(outcome.kind);
    if (const auto code = outcome.Code()) text += ' ' + FormatResultCode(*code);
    return text;
}

std::string OutcomeWords(const JobOutcome& outcome) {
    std::string text = ResultWithCode(outcome);
    if (const auto code = outcome.Code()) {
        const FailureDescription failure = DescribeFailure(*code);
        if (failure.known) text += ": " + failure.detailName;
    }
    return text;
}

std::string BriefOutcomeText(const PortOutcome& outcome) {
    if (outcome.pass) return "PASS";
    return outcome.code ? "FAIL " + FormatResultCode(*outcome.code) : "FAIL";
}

std::string PortOutcomeText(const PortOutcome& outcome) {
    std::string text = BriefOutcomeText(outcome);
    if (outcome.pass) return text;
    if (outcome.code) {
        if (!outcome.action.empty()) text += ": " + OperatorText("FailureCatalogue", outcome.action.c_str());
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
            return FillIn(
                OperatorText("Station", "re-plug this unit now: take it out and put it back into port %1"),
                {status.port});
        case PortPhase::Confirming:
            return OperatorText("Station", "checking the written unit");
        case PortPhase::Result:
            return status.outcome ? PortOutcomeText(*status.outcome) : std::string();
    }
    return {};
}

}  // namespace zt::station

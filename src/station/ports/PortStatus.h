#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "job/JobOutcome.h"

namespace zt::station {

// Where a port's unit stands, as every display shows it.
enum class PortPhase {
    Ready,       // no unit under way: waiting for the next one
    Writing,     // its job runs (do not pull it)
    Replug,      // its job waits for the operator to take it out and put it back now
    Confirming,  // written; re-plugged once more and checked
    Result,      // done: its result
};

// A finished unit's result in the operator's terms: PASS, or FAIL with its
// code and what to do about it.
struct PortOutcome {
    bool pass = false;
    ResultKind kind = ResultKind::Failed;
    std::optional<uint32_t> code;
    std::string action;  // the class's one-line action, in English; "" for a pass

    static PortOutcome Of(const JobOutcome& outcome);
};

// One port's state; `outcome` is set in Result.
struct PortStatus {
    PortPhase phase = PortPhase::Ready;
    std::string port;  // where a re-plugged unit goes back
    std::optional<PortOutcome> outcome;
};

// "ready", "writing", "replug", "confirming", "result": the name JSON events carry.
const char* PortPhaseName(PortPhase phase);

// The words every display uses for a unit's result, from the longest to the
// shortest. They never go through a translation: the result word and the code
// are what the operator reports and what the failure-code list is searched by.
//
// "OK", or the result word, the code and its name: "FAIL 00030401: no known
// device" (the word alone for a result without a code).
std::string OutcomeWords(const JobOutcome& outcome);
// "OK", or the result word and its code: "FAIL 00030401".
std::string ResultWithCode(const JobOutcome& outcome);
// "PASS", "FAIL 00020B01", or "FAIL" for a unit stopped without a code: a few
// words for a crowded screen.
std::string BriefOutcomeText(const PortOutcome& outcome);

// "PASS", or "FAIL 00020B01: Check the cable and hub, re-plug the unit and try
// again", the action in the operator's language.
std::string PortOutcomeText(const PortOutcome& outcome);

// What a port's line says of its state, in the operator's language.
std::string PortStatusText(const PortStatus& status);

}  // namespace zt::station

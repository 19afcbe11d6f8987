#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "job/JobResult.h"

namespace zt {

// How a job (or a press of one of the hidden buttons) ended, as the front ends
// report it. The dialog itself only ends jobs Ok or Failed; a front end adds
// Interrupted (the operator or a signal closed the dialog under the job) and
// Cancelled (the operator declined before anything was sent).
enum class ResultKind { Ok, Failed, Interrupted, Cancelled };

struct JobOutcome {
    ResultKind kind = ResultKind::Failed;
    // The record the operator was shown; none for Ok, and none when the job
    // ended before anything was recorded (Cancelled).
    std::optional<JobResult> failure;

    static JobOutcome Ok() { return {ResultKind::Ok, std::nullopt}; }
    static JobOutcome Failed(const JobResult& record) { return {ResultKind::Failed, record}; }

    std::optional<uint32_t> Code() const {
        if (!failure) return std::nullopt;
        return failure->Code();
    }
    bool operator==(const JobOutcome&) const = default;
};

// A signal cuts a command's waits short (a read, a prompt), so a failure
// that follows it is the interrupt's doing, not the device's.
inline JobOutcome WithInterrupt(const JobOutcome& outcome, bool interrupted) {
    if (outcome.kind != ResultKind::Ok && interrupted) return {ResultKind::Interrupted, std::nullopt};
    return outcome;
}

// "OK", "FAIL", "INTERRUPTED" or "CANCELLED": the word a result line carries.
const char* ResultName(ResultKind kind);

// A result code as the failure message shows it: eight upper-case hex digits.
std::string FormatResultCode(uint32_t code);

}  // namespace zt

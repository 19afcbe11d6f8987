#include "ui/win32/StationRowLook.h"

#include <algorithm>

#include "job/FailureCatalogue.h"
#include "station/OperatorText.h"

namespace zt::win32 {

namespace {

constexpr const char* kContext = "Win32StationWindow";

// The port's thread says so between units, before it waits for the next.
bool SaysReady(const std::string& text) { return text.rfind("ready", 0) == 0; }

void StartAfresh(StationRow& row) {
    row.hasResult = false;
    row.ok = false;
    row.readyForNext = false;
    row.result.clear();
    row.meaning.clear();
    row.progress = 0;
}

}  // namespace

RowLook LookOf(const StationRow& row) {
    RowLook look;
    look.progress = row.readyForNext ? station::OperatorText(kContext, "ready")
                                     : std::to_string(std::clamp(row.progress, 0, 100)) + "%";
    if (row.hasResult) {
        look.result = row.result;
        look.meaning = row.meaning;
        look.tone = row.ok ? RowTone::Passed : RowTone::Failed;
    } else {
        look.result = row.activity;
    }
    return look;
}

void RowSaid(StationRow& row, const std::string& text) {
    if (SaysReady(text) && row.hasResult) {
        row.readyForNext = true;
        return;
    }
    if (row.readyForNext) StartAfresh(row);
    row.activity = text;
}

void RowProgressed(StationRow& row, int percent) {
    if (row.readyForNext) {
        StartAfresh(row);
        row.activity.clear();
    }
    row.progress = percent;
}

void RowEnded(StationRow& row, const JobOutcome& outcome, const std::string& shown) {
    row.hasResult = true;
    row.readyForNext = false;
    row.ok = outcome.kind == ResultKind::Ok;
    row.result = shown;
    row.meaning.clear();
    if (const auto code = outcome.Code()) row.meaning = DescribeFailure(*code).meaning;
}

std::string OutcomeWords(const JobOutcome& outcome) {
    std::string text = ResultName(outcome.kind);
    if (const auto code = outcome.Code()) {
        text += ' ' + FormatResultCode(*code);
        const FailureDescription failure = DescribeFailure(*code);
        if (failure.known) text += ": " + failure.detailName;
    }
    return text;
}

}  // namespace zt::win32

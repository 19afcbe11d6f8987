#include "ui/win32/StationRowLook.h"

#include <algorithm>

#include "job/FailureCatalogue.h"
#include "station/operator/JobBoxText.h"
#include "station/operator/OperatorText.h"

namespace zt::win32 {

namespace {

constexpr const char* kContext = "Win32StationWindow";

std::string Percent(int percent) { return std::to_string(std::clamp(percent, 0, 100)) + "%"; }

void StartAfresh(StationRow& row) {
    row.hasResult = false;
    row.ok = false;
    row.result.clear();
    row.meaning.clear();
    row.progress = 0;
}

}  // namespace

RowLook LookOf(const StationRow& row) {
    RowLook look;
    if (const auto& line = row.line) {
        look.progress = line->Phase() == station::PortPhase::Ready ? station::OperatorText(kContext, "ready")
                                                                   : Percent(row.progress);
        look.result = line->Text();
        if (const auto& last = line->Last(); last && !line->UnderWay()) {
            look.tone = last->pass ? RowTone::Passed : RowTone::Failed;
            if (last->code) look.meaning = DescribeFailure(*last->code).meaning;
        }
        return look;
    }
    look.progress = Percent(row.progress);
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
    // Under the port's state; a re-plug asked for is the state's to say.
    if (row.line) row.line->Note(station::JobBoxText(text));
    row.activity = text;
}

void RowStated(StationRow& row, const station::PortStatus& status) {
    if (!row.line) row.line.emplace();
    const bool starts = status.phase == station::PortPhase::Writing && !row.line->UnderWay();
    row.line->Apply(status);
    if (starts) {
        // The port's next unit: nothing of the last one stays.
        StartAfresh(row);
        row.activity.clear();
    }
    if (const auto& last = row.line->Last()) {
        row.hasResult = true;
        row.ok = last->pass;
    }
}

bool RowReadyWithResult(const StationRow& row) {
    return row.line && row.line->Phase() == station::PortPhase::Ready && row.line->Last();
}

void RowProgressed(StationRow& row, int percent) {
    if (row.line) row.line->Progress(percent);
    row.progress = percent;
}

void RowEnded(StationRow& row, const JobOutcome& outcome, const std::string& shown) {
    row.hasResult = true;
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

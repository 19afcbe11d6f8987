#include "station/presenter/StationRow.h"

#include <algorithm>

#include "job/FailureCatalogue.h"
#include "station/operator/JobBoxText.h"
#include "station/operator/OperatorText.h"

namespace zt::station {

namespace {

std::string Percent(int percent) { return std::to_string(std::clamp(percent, 0, 100)) + "%"; }

// The code whose meaning the row shows: its port's last result while no
// unit is under way, or the outcome of a row that follows no state.
std::optional<uint32_t> ShownCode(const StationRow& row) {
    if (row.line) {
        const auto& last = row.line->Last();
        return last && !row.line->UnderWay() ? last->code : std::nullopt;
    }
    return row.ended ? row.ended->Code() : std::nullopt;
}

void ShowMeaning(const StationRow& row, const RowStyle& style, RowShown& shown) {
    shown.tip = row.resultTip;
    const auto code = ShownCode(row);
    if (!code) return;
    const FailureDescription failure = DescribeFailure(*code);
    if (style.meaningIsAction) {
        const std::string& line = failure.action.empty() ? failure.meaning : failure.action;
        shown.meaning = OperatorText("FailureCatalogue", line.c_str());
    } else {
        shown.meaning = failure.meaning;
    }
    // The column may be cut short: the whole sentence is under the pointer.
    if (const std::string whole = OperatorText("FailureCatalogue", failure.meaning.c_str()); !whole.empty())
        shown.tip += '\n' + whole;
}

}  // namespace

RowShown ShowRow(const StationRow& row, const RowStyle& style) {
    RowShown shown;
    shown.port = row.port;
    shown.ids = row.present ? row.ids : style.unplugged;
    shown.percent = std::clamp(row.progress, 0, 100);
    shown.progress = Percent(row.progress);
    if (row.line) {
        const PortLine& line = *row.line;
        if (line.Phase() == PortPhase::Ready) shown.progress = style.ready;
        shown.failed = line.Failed();
        shown.result = row.refusal.empty() ? line.Text() : row.refusal;
        if (const auto& last = line.Last(); last && !line.UnderWay() && row.refusal.empty())
            shown.tone = last->pass ? RowTone::Passed : RowTone::Failed;
    } else if (row.ended) {
        shown.result = row.refusal.empty() ? row.endedText : row.refusal;
        shown.tone = row.ended->kind == ResultKind::Ok ? RowTone::Passed : RowTone::Failed;
    } else {
        shown.result = row.activity;
    }
    ShowMeaning(row, style, shown);
    return shown;
}

void RowStated(StationRow& row, const PortStatus& status) {
    if (!row.line) {
        // From here on the state speaks for the row, not the last job's words.
        row.line.emplace();
        row.refusal.clear();
    }
    const bool starts = status.phase == PortPhase::Writing && !row.line->UnderWay();
    row.line->Apply(status);
    if (starts) {
        // The port's next unit: nothing of the last one stays.
        row.progress = 0;
        row.activity.clear();
        row.ended.reset();
        row.endedText.clear();
        row.refusal.clear();
        row.resultTip.clear();
        row.hasResult = false;
    }
    if (status.phase == PortPhase::Result && status.outcome) row.resultTip = PortOutcomeText(*status.outcome);
    if (row.line->Last()) row.hasResult = true;
}

void RowSaid(StationRow& row, const std::string& text) {
    // Under the port's state; a re-plug asked for is the state's to say.
    if (row.line) row.line->Note(JobBoxText(text));
    row.activity = text;
}

void RowProgressed(StationRow& row, int percent) {
    if (row.line) row.line->Progress(percent);
    row.progress = percent;
}

void RowEnded(StationRow& row, const JobOutcome& outcome, const std::string& shown) {
    row.ended = outcome;
    row.endedText = shown;
    row.resultTip = OutcomeWords(outcome);
    row.hasResult = true;
}

bool RowReadyWithResult(const StationRow& row) {
    return row.line && row.line->Phase() == PortPhase::Ready && row.line->Last();
}

}  // namespace zt::station

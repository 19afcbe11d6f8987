#include "station/presentation/PortLine.h"

#include "station/operator/OperatorText.h"

namespace zt::station {

void PortLine::Apply(const PortStatus& status) {
    if (status.phase != status_.phase) note_.clear();
    if (status.phase == PortPhase::Writing && status_.phase != PortPhase::Writing &&
        status_.phase != PortPhase::Replug) {
        // The next unit starts: the last one's result and bar go.
        last_.reset();
        percent_ = -1;
    }
    if (status.phase == PortPhase::Result) last_ = status.outcome;
    status_ = status;
}

void PortLine::Note(const std::string& text) {
    note_ = text.substr(0, text.find_last_not_of('\n') + 1);
    if (const size_t cut = note_.rfind('\n'); cut != std::string::npos) note_.erase(0, cut + 1);
}

bool PortLine::UnderWay() const {
    return status_.phase == PortPhase::Writing || status_.phase == PortPhase::Replug ||
           status_.phase == PortPhase::Confirming;
}

std::string PortLine::Text() const {
    std::string text;
    if (status_.phase == PortPhase::Result || (status_.phase == PortPhase::Ready && last_)) {
        text = last_ ? PortOutcomeText(*last_) : std::string();
        if (status_.phase == PortPhase::Ready)
            text = FillIn(OperatorText("Station", "%1; ready for the next unit"), {text});
    } else if (status_.phase == PortPhase::Writing && !note_.empty()) {
        return note_;  // the job's own words say more than "writing"
    } else {
        text = PortStatusText(status_);
    }
    if (!note_.empty() && status_.phase != PortPhase::Ready) text += "  " + note_;
    return text;
}

std::string PortLine::Brief() const {
    if (last_ && (status_.phase == PortPhase::Result || status_.phase == PortPhase::Ready))
        return BriefOutcomeText(*last_);
    switch (status_.phase) {
        case PortPhase::Writing:
            return percent_ >= 0 ? std::to_string(percent_) + "%" : OperatorText("Station", "writing");
        case PortPhase::Replug:
            return OperatorText("Station", "RE-PLUG");
        case PortPhase::Confirming:
            return OperatorText("Station", "checking");
        default:
            return OperatorText("Station", "ready");
    }
}

}  // namespace zt::station

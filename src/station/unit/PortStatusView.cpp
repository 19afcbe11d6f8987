#include "station/unit/PortStatusView.h"

namespace zt::station {

void PortStatusView::State(const PortStatus& status) {
    if (!shown_) return;
    {
        std::lock_guard lock(mutex_);
        phase_ = status.phase;
    }
    inner_.State(status);
}

void PortStatusView::Enter(PortPhase phase, const std::string& port) {
    PortStatus status;
    status.phase = phase;
    status.port = port;
    State(status);
}

void PortStatusView::Finish(const JobOutcome& outcome) {
    PortStatus status;
    status.phase = PortPhase::Result;
    status.outcome = PortOutcome::Of(outcome);
    State(status);
}

void PortStatusView::Progress(int percent) {
    bool back = false;
    {
        std::lock_guard lock(mutex_);
        // The job moves its bar again only once the unit is back and open.
        if (phase_ == PortPhase::Replug) {
            phase_ = PortPhase::Writing;
            back = true;
        }
    }
    if (back) inner_.State(PortStatus{PortPhase::Writing, {}, std::nullopt});
    inner_.Progress(percent);
}

}  // namespace zt::station

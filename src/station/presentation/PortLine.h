#pragma once
#include <optional>
#include <string>

#include "station/ports/PortStatus.h"

namespace zt::station {

// What one port's row or line shows, the same in every display: its state,
// its bar, the last thing its job said, and the last unit's result, which
// stays in view (through the unit being taken out and the port waiting again)
// until the next unit on the port starts.
class PortLine {
public:
    void Apply(const PortStatus& status);
    void Progress(int percent) { percent_ = percent; }
    // The job's own words, the last line of them; a new state makes them stale.
    void Note(const std::string& text);

    PortPhase Phase() const { return status_.phase; }
    int Percent() const { return percent_; }  // -1 before the job moved the bar
    const std::optional<PortOutcome>& Last() const { return last_; }
    bool Failed() const { return last_ && !last_->pass; }
    // A unit is in the port's hands: taking it out now would spoil it.
    bool UnderWay() const;

    // The row's text: the result while it is in view, else the state, with
    // what the job said last.
    std::string Text() const;
    // A few words for a crowded screen: "37%", "re-plug", "PASS", "FAIL 00020B01".
    std::string Brief() const;

private:
    PortStatus status_;
    std::optional<PortOutcome> last_;
    int percent_ = -1;
    std::string note_;
};

}  // namespace zt::station

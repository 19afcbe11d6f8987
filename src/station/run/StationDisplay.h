#pragma once
#include <cstddef>
#include <string>

#include "station/records/StationCounters.h"
#include "station/unit/ConsoleView.h"

namespace zt::station {

// Where several units written at once show themselves: a view for each unit
// and the one re-plug prompt for all of them. A pipe or a log, JSON events,
// a terminal's redrawn lines and the station window each have their own.
//
// Threads: ViewOf is called on the caller's thread before the jobs start.
// Each unit's view is then called from that unit's user-interface thread and
// worker (one call at a time per view, see ConsoleView), and ReplugPrompt
// from whichever unit's worker arrives last; views of different units are
// called at the same time.
class StationDisplay {
public:
    virtual ~StationDisplay() = default;
    // The view of the unit at `port`, the `index`th of the units; it lives
    // as long as the display.
    virtual ConsoleView& ViewOf(size_t index, const std::string& port) = 0;
    // The one re-plug prompt for every unit still in its job. Returns once
    // the operator has re-plugged them (at once when nobody is asked).
    virtual void ReplugPrompt(const std::string& text) = 0;
    // A station's tally after each unit (several calls, one at a time).
    virtual void Counters(const StationCounters& counters) { (void)counters; }
};

}  // namespace zt::station

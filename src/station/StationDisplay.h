#pragma once
#include <cstddef>
#include <string>

#include "station/ConsoleView.h"

namespace zt::station {

// A station's tally of finished units.
struct StationCounters {
    int passed = 0, failed = 0;
    // Units finished, passed and failed alike, per hour since the first one
    // arrived: what the station report calls units per hour too.
    double unitsPerHour = 0;
    // Records in the log that the factory's broker has not taken yet; shown
    // only when some wait.
    size_t undelivered = 0;
};

// "passed 3  failed 1  412 units/h", and "  records not yet delivered: 5"
// while some wait.
std::string CountersText(const StationCounters& counters);

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

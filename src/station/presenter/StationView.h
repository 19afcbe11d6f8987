#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "station/presenter/StationRow.h"
#include "station/records/StationIdentity.h"
#include "station/unit/UnitResult.h"

namespace zt::station {

// What a station window's buttons and fields take now.
struct StationButtons {
    bool write = false;          // Write EEPROM starts a job
    bool runStation = false;     // Run station can be pressed: to start, or to stop its own run
    bool stationMode = false;    // Run station's mode is on, running or stopping
    bool stationTaking = false;  // the station takes units until Run station is pressed again
    bool identity = false;       // who runs the station can be changed
};

// How a station window words and draws what its presenter shows. Each window
// has its texts in its own translations (or none), and the rows of the two
// windows have long looked different in ways their operators know.
struct StationLook {
    RowStyle rows;
    // Write EEPROM's rows follow their port's state (PASS, or FAIL with its
    // code and what to do), or show what each job said last (its boxes).
    bool writeAllFollowsState = true;

    // The status line while no job runs, and what starts one says.
    std::function<std::string(size_t units)> unitsPresent;
    std::string noKnownDevice;
    // Units whose port the system does not tell, left out; none: not said.
    std::function<std::string(size_t units)> unitsLeftOut;
    std::function<std::string(size_t units)> writingUnits;
    std::string stationRunning;
    std::string stationStopping;
    // "Passed: 2   Failed: 1   Units per hour: 95"
    std::function<std::string(int passed, int failed, const std::string& rate)> counters;

    std::string heldByAnotherJob;  // a unit another job holds, not written
    std::string lockNotTaken;      // a unit whose lock was not taken; the reason follows
    std::string updater;           // after the IDs of an updater, with its leading space
    std::string cannotBeOpened;    // after the IDs of a unit whose HID interface cannot be opened
};

// What the presenter needs of its station window. Every call comes on the
// window's user-interface thread.
class StationView {
public:
    virtual ~StationView() = default;

    virtual void ShowRows(const std::vector<RowShown>& rows) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ShowCounters(const std::string& text) = 0;
    virtual void ShowButtons(const StationButtons& buttons) = 0;
    // Puts up the re-plug prompt; `answered` runs once the operator has answered.
    virtual void AskToReplug(const std::string& text, std::function<void()> answered) = 0;
    // Who runs the job about to start, from the window's fields; none when
    // one cannot go into a record, and the window has said why.
    virtual std::optional<StationIdentity> TakeIdentity() = 0;
    // The oldest scanned code, now the unit's that starts; "" when none waits.
    virtual std::string NextBarcode() = 0;

    // A unit on `port` failed: `words` is its result with what to do.
    virtual void UnitFailed(const std::string& port, const std::string& words) {
        (void)port;
        (void)words;
    }
    // Records that did not reach the station log, once the rows show their
    // job's results; also while the window closes, when nobody would see a box.
    virtual void LogNotWritten(const std::vector<std::string>& errors) = 0;
    // Run station has started; the scanner types into whatever has the keyboard.
    virtual void StationStarted() {}
    // Run station has stopped, and its units under way have ended.
    virtual void StationStopped() {}
    // Write EEPROM's job has ended and its rows show their results.
    virtual void JobEnded(const std::vector<UnitResult>& results) { (void)results; }
    // Run station: a unit's result, once its row shows it.
    virtual void UnitShown(const UnitResult& unit) { (void)unit; }
};

}  // namespace zt::station

#pragma once
#include <optional>
#include <string>

#include "job/JobOutcome.h"
#include "station/ports/PortStatus.h"
#include "station/presentation/PortLine.h"

namespace zt::station {

// One row of a station window as the presenter keeps it: the unit on a port,
// what its job said last and how far it got, and how the port's last unit
// ended. Once a row follows its port's state (`line`), the state decides what
// it shows, and a result stays until the next unit on that port starts
// writing, so a unit pulled during its job keeps its FAIL while the port
// waits for the next one.
struct StationRow {
    std::string port;
    std::string ids;
    bool present = false;
    int progress = 0;
    std::string activity;             // the last thing the unit's job said
    std::optional<PortLine> line;     // once a job has said where the port's unit stands
    std::optional<JobOutcome> ended;  // how the port's last unit ended
    std::string endedText;            // what a row that follows no state says of that unit
    std::string refusal;              // instead of a result: a unit that was not written at all
    std::string resultTip;            // the result in words, under the pointer
    bool hasResult = false;           // kept, marked as gone, once its unit has left
};

// How a row's result stands out.
enum class RowTone { Plain, Passed, Failed };

// What a row shows, cell by cell. A window draws its rows from this alone.
struct RowShown {
    std::string port;
    std::string ids;
    std::string progress;  // "40%", or the style's `ready` while the port waits for a unit
    int percent = 0;       // the bar, 0 to 100
    bool failed = false;   // the port's last unit failed: its bar turns red
    std::string result;
    RowTone tone = RowTone::Plain;
    std::string meaning;  // what to do about a failure's code; "" for none
    std::string tip;      // the result with its code's name, and the code's whole meaning

    bool operator==(const RowShown&) const = default;
};

// The parts of a row's look that differ between windows.
struct RowStyle {
    // The meaning column: the failure class's short action in the operator's
    // language, or the catalogue's whole sentence as written.
    bool meaningIsAction = true;
    std::string unplugged = "(unplugged)";  // the IDs of a unit that has gone
    std::string ready = "ready";            // the progress of a port waiting for its next unit
};

RowShown ShowRow(const StationRow& row, const RowStyle& style);

// Where the port's unit stands now; the row follows its port's state from
// here on, and a unit that starts writing clears the last unit's result.
void RowStated(StationRow& row, const PortStatus& status);
// A text from the unit's job on this row.
void RowSaid(StationRow& row, const std::string& text);
void RowProgressed(StationRow& row, int percent);
// The port's unit ended: `shown` is what a row that follows no state says of it.
void RowEnded(StationRow& row, const JobOutcome& outcome, const std::string& shown);
// The port waits for its next unit with the last one's result in view.
bool RowReadyWithResult(const StationRow& row);

}  // namespace zt::station

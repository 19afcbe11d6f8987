#pragma once
#include <optional>
#include <string>

#include "job/JobOutcome.h"
#include "station/presentation/PortLine.h"

namespace zt::win32 {

// One unit row of the station window as the window keeps it: the unit on a
// port, what its job last said, and the result of the port's last unit.
// Under Run station the port's state decides the row (`line`): its result
// stays until the next unit on that port starts writing, so a unit pulled
// during its job keeps its FAIL while the port waits for the next one.
struct StationRow {
    std::string port;
    std::string ids;
    bool present = false;
    int progress = 0;
    std::string activity;  // the last thing the unit's job said
    bool hasResult = false;
    bool ok = false;
    std::string result;                     // the result as the row shows it
    std::string meaning;                    // what a failure's code means; "" for none
    std::optional<station::PortLine> line;  // once a job has said where the port's unit stands
};

// How a row's result stands out.
enum class RowTone { Plain, Passed, Failed };

// What a row shows, cell by cell, and in which tone. Every row of the window
// is drawn from this and nothing else, so that a port's state decides its
// look in one place.
struct RowLook {
    std::string progress;  // "40%", or "ready" while the port waits for a unit
    std::string result;
    std::string meaning;
    RowTone tone = RowTone::Plain;
};
RowLook LookOf(const StationRow& row);

// A text from the unit's job on this row.
void RowSaid(StationRow& row, const std::string& text);
// Where the port's unit stands now; a unit that starts writing clears the
// last unit's result.
void RowStated(StationRow& row, const station::PortStatus& status);
// The port waits for its next unit with the last one's result in view.
bool RowReadyWithResult(const StationRow& row);
void RowProgressed(StationRow& row, int percent);
// The port's unit ended: `shown` is what the row says of it.
void RowEnded(StationRow& row, const JobOutcome& outcome, const std::string& shown);

// "OK", or the result word, the code and its name ("FAIL 00030401: no device").
std::string OutcomeWords(const JobOutcome& outcome);

}  // namespace zt::win32

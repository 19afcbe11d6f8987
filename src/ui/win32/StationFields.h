#pragma once
#include <windows.h>

#include <deque>
#include <optional>
#include <string>

#include "station/records/StationIdentity.h"

namespace zt::win32 {

// The fields above the station window's rows: who runs the station (Station
// ID, Operator, Work order) and the Barcode field, whose codes wait, in the
// order scanned, for the units that start. UI thread.
class StationFields {
public:
    // Once the window is made: the fields' limits and `identity`.
    void Create(HWND window, const station::StationIdentity& identity);
    // Who runs the job about to start, as typed, without leading or trailing
    // blanks; none, with the reason, when a field cannot go into a record
    // (that one then has the keyboard).
    std::optional<station::StationIdentity> TakeIdentity(std::string* reason);
    void EnableIdentity(bool on);

    // Enter in the Barcode field: its code waits for a unit, and the field
    // clears for the next scan.
    void TakeScannedCode();
    // The oldest waiting code, now the caller's; "" when none waits.
    std::string NextBarcode();

private:
    void ShowBarcodes(const std::string& note = "");

    HWND window_ = nullptr;
    std::deque<std::string> barcodes_;  // scanned, not yet handed to a unit
};

// The text of the window's control `id`.
std::string ControlText(HWND window, int id);

}  // namespace zt::win32
